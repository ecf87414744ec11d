// The SDL message box: SDL shows it with or without an initialised video subsystem.
#include "platform/dialog_backend.h"
#include "platform/sdl/video.h"

#include <SDL2/SDL.h>

#include <vector>

namespace plat {
namespace {
struct SdlDialog final : DialogBackend {
    DialogAnswer show(const std::string& title, const std::string& text, DialogButtons buttons) override
    {
        constexpr Uint32 enter = SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT;
        constexpr Uint32 escape = SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT;
        std::vector<SDL_MessageBoxButtonData> list;
        switch (buttons) {
        case DialogButtons::Ok:
            list = {{enter | escape, static_cast<int>(DialogAnswer::Ok), "OK"}};
            break;
        case DialogButtons::RetryCancel:
            list = {{enter, static_cast<int>(DialogAnswer::Retry), "Retry"},
                    {escape, static_cast<int>(DialogAnswer::Cancel), "Cancel"}};
            break;
        case DialogButtons::AbortRetryIgnore:
            list = {{0, static_cast<int>(DialogAnswer::Abort), "Abort"},
                    {enter, static_cast<int>(DialogAnswer::Retry), "Retry"},
                    {escape, static_cast<int>(DialogAnswer::Ignore), "Ignore"}};
            break;
        }
        SDL_MessageBoxData box{};
        box.flags = SDL_MESSAGEBOX_ERROR | SDL_MESSAGEBOX_BUTTONS_LEFT_TO_RIGHT;
        box.window = sdl::nativeWindow();
        box.title = title.c_str();
        box.message = text.c_str();
        box.numbuttons = static_cast<int>(list.size());
        box.buttons = list.data();
        int pressed = 0;
        if (SDL_ShowMessageBox(&box, &pressed) != 0 || pressed < 0)
            return DialogAnswer::None;
        return static_cast<DialogAnswer>(pressed);
    }
};
} // namespace

DialogBackend* makeSdlDialogBackend() { return new SdlDialog; }

} // namespace plat
