// The headless message box: records each box and gives the answer a test scripted.
#include "platform/headless/dialog.h"

#include "platform/dialog_backend.h"

namespace plat {
namespace {
struct DialogState {
    DialogAnswer answer = DialogAnswer::None;
    std::vector<headless::ShownDialog> shown;
};
constinit DialogState* storage = nullptr;

DialogState& state()
{
    if (!storage)
        storage = new DialogState; // lives to the end of the process
    return *storage;
}

struct HeadlessDialog final : DialogBackend {
    DialogAnswer show(const std::string& title, const std::string& text, DialogButtons buttons) override
    {
        state().shown.push_back(headless::ShownDialog{title, text, buttons});
        return state().answer;
    }
};
} // namespace

DialogBackend* makeHeadlessDialogBackend() { return new HeadlessDialog; }

namespace headless {
void setDialogAnswer(DialogAnswer answer) { state().answer = answer; }
const std::vector<ShownDialog>& shownDialogs() { return state().shown; }
void resetDialogs() { state() = DialogState{}; }
} // namespace headless

} // namespace plat
