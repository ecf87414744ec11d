// The dialog area's backend interface, implemented by sdl/dialog.cpp and headless/dialog.cpp.
#pragma once

#include "platform/dialog.h"

namespace plat {

struct DialogBackend {
    virtual ~DialogBackend() = default;
    // Shows the box and returns the pressed button, or None when it cannot be shown.
    virtual DialogAnswer show(const std::string& title, const std::string& text, DialogButtons buttons) = 0;
};

[[nodiscard]] DialogBackend* makeSdlDialogBackend();
[[nodiscard]] DialogBackend* makeHeadlessDialogBackend();

} // namespace plat
