// The dialog area: the backend's box, with the text on the standard error stream when
// no box can be shown, so a failure report is never lost.
#include "platform/dialog.h"

#include "platform/dialog_backend.h"
#include "platform/platform.h"

#include <cstdio>

namespace plat {
namespace {
DialogBackend& dialogBackend()
{
    return chosenBackend<DialogBackend, makeSdlDialogBackend, makeHeadlessDialogBackend>();
}
} // namespace

DialogAnswer showMessageBox(const std::string& title, const std::string& text, DialogButtons buttons)
{
    const DialogAnswer answer = dialogBackend().show(title, text, buttons);
    if (answer == DialogAnswer::None && backendKind() != BackendKind::Headless)
        std::fprintf(stderr, "%s\n%s\n", title.c_str(), text.c_str());
    return answer;
}

} // namespace plat
