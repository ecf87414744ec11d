// The headless message box: nothing is shown and no one answers, as a box that could not be shown.
#include "platform/dialog_backend.h"

namespace plat {
namespace {
struct HeadlessDialog final : DialogBackend {
    DialogAnswer show(const std::string&, const std::string&, DialogButtons) override { return DialogAnswer::None; }
};
} // namespace

DialogBackend* makeHeadlessDialogBackend() { return new HeadlessDialog; }

} // namespace plat
