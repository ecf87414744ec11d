// Test controls of the headless message box: a scripted answer and a record of boxes.
#pragma once

#include "platform/dialog.h"

#include <string>
#include <vector>

namespace plat::headless {

struct ShownDialog {
    std::string title;
    std::string text;
    DialogButtons buttons = DialogButtons::Ok;
};

// The answer every following box gives (None, as from a failed box, until set).
void setDialogAnswer(DialogAnswer answer);
[[nodiscard]] const std::vector<ShownDialog>& shownDialogs();
// Forgets the answer and the record (part of reset()).
void resetDialogs();

} // namespace plat::headless
