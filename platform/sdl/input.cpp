// SDL input: relative mouse mode while the window has the focus, the keyboard state through
// the scancode tables, joysticks, and key presses caught by an event watch between queries.
#include "platform/input_backend.h"
#include "platform/keycodes.h"
#include "platform/sdl/keymap.h"

#include <SDL2/SDL.h>

#include <atomic>
#include <map>
#include <vector>

namespace plat {
namespace {

// The sided virtual key of a modifier scancode; window messages carry the undivided one.
int sidedVirtualKey(SDL_Scancode code)
{
    switch (code) {
    case SDL_SCANCODE_LSHIFT: return vk::LShift;
    case SDL_SCANCODE_RSHIFT: return vk::RShift;
    case SDL_SCANCODE_LCTRL: return vk::LControl;
    case SDL_SCANCODE_RCTRL: return vk::RControl;
    case SDL_SCANCODE_LALT: return vk::LMenu;
    case SDL_SCANCODE_RALT: return vk::RMenu;
    default: return 0;
    }
}

// Every scancode whose press counts for a virtual key (both sides for Shift, Control, Menu).
const std::vector<SDL_Scancode>& scancodesOf(int virtualKey)
{
    static const auto table = [] {
        std::vector<std::vector<SDL_Scancode>> t(256);
        for (int i = 0; i < SDL_NUM_SCANCODES; ++i) {
            const auto code = static_cast<SDL_Scancode>(i);
            if (const int v = sdl::virtualKeyFromScancode(code))
                t[static_cast<std::size_t>(v)].push_back(code);
            if (const int v = sidedVirtualKey(code))
                t[static_cast<std::size_t>(v)].push_back(code);
        }
        return t;
    }();
    return table[static_cast<std::size_t>(virtualKey)];
}

std::array<std::atomic<bool>, 256> pressedSinceQuery{};

void markPressed(int virtualKey)
{
    if (virtualKey > 0 && virtualKey < 256)
        pressedSinceQuery[static_cast<std::size_t>(virtualKey)] = true;
}

int keyWatch(void*, SDL_Event* event)
{
    if (event->type == SDL_KEYDOWN && !event->key.repeat) {
        markPressed(sdl::virtualKeyFromScancode(event->key.keysym.scancode));
        markPressed(sidedVirtualKey(event->key.keysym.scancode));
    } else if (event->type == SDL_MOUSEBUTTONDOWN) {
        switch (event->button.button) {
        case SDL_BUTTON_LEFT: markPressed(vk::LButton); break;
        case SDL_BUTTON_RIGHT: markPressed(vk::RButton); break;
        case SDL_BUTTON_MIDDLE: markPressed(vk::MButton); break;
        default: break;
        }
    }
    return 1;
}

bool videoUp() { return SDL_WasInit(SDL_INIT_VIDEO) != 0; }

// The window is in the foreground when it has the keyboard focus.
bool focused() { return videoUp() && SDL_GetKeyboardFocus() != nullptr; }

struct SdlInputBackend final : InputBackend {
    std::map<int, SDL_Joystick*> joysticks;
    int nextJoystick = 1;
    bool watching = false;

    SdlInputBackend() = default;
    SdlInputBackend(const SdlInputBackend&) = delete;
    SdlInputBackend& operator=(const SdlInputBackend&) = delete;
    ~SdlInputBackend() override
    {
        for (auto& [device, joystick] : joysticks) {
            SDL_JoystickClose(joystick);
            SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
        }
        if (watching)
            SDL_DelEventWatch(keyWatch, nullptr);
    }

    bool openSystem() override
    {
        if (SDL_InitSubSystem(SDL_INIT_EVENTS) != 0)
            return false;
        if (!watching) {
            SDL_AddEventWatch(keyWatch, nullptr);
            watching = true;
        }
        return true;
    }

    void closeSystem() override { SDL_QuitSubSystem(SDL_INIT_EVENTS); }

    // The mouse and keyboard belong to the window's video subsystem.
    bool hasMouse() override { return videoUp(); }
    bool hasKeyboard() override { return videoUp(); }

    JoystickResult openJoystick(int& device) override
    {
        if (SDL_InitSubSystem(SDL_INIT_JOYSTICK) != 0)
            return JoystickResult::EnumerationFailed;
        const int count = SDL_NumJoysticks();
        for (int i = 0; i < count; ++i) {
            if (SDL_Joystick* j = SDL_JoystickOpen(i)) {
                device = nextJoystick++;
                joysticks[device] = j;
                return JoystickResult::Opened;
            }
        }
        SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
        return count < 0 ? JoystickResult::EnumerationFailed : JoystickResult::NoneAttached;
    }

    void closeJoystick(int device) override
    {
        auto it = joysticks.find(device);
        if (it == joysticks.end())
            return;
        SDL_JoystickClose(it->second);
        joysticks.erase(it);
        SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
    }

    bool setJoystickProperty(int device) override { return joysticks.count(device) != 0; }

    // Mouse and keyboard stay acquirable while the window lacks the focus (their reads fail
    // then), so a game started before its window got the focus keeps its devices.
    bool acquire(DeviceKind kind, int device) override
    {
        switch (kind) {
        case DeviceKind::Mouse:
            if (!videoUp())
                return false;
            if (focused()) {
                SDL_SetRelativeMouseMode(SDL_TRUE);
                SDL_GetRelativeMouseState(nullptr, nullptr); // motion from before is not ours
            }
            return true;
        case DeviceKind::Keyboard: return videoUp();
        case DeviceKind::Joystick: {
            auto it = joysticks.find(device);
            return it != joysticks.end() && SDL_JoystickGetAttached(it->second);
        }
        case DeviceKind::System: return false;
        }
        return false;
    }

    void unacquire(DeviceKind kind, int) override
    {
        if (kind == DeviceKind::Mouse && videoUp())
            SDL_SetRelativeMouseMode(SDL_FALSE);
    }

    bool readMouse(MouseState& state) override
    {
        if (!focused())
            return false;
        if (!SDL_GetRelativeMouseMode()) {
            SDL_SetRelativeMouseMode(SDL_TRUE);
            SDL_GetRelativeMouseState(nullptr, nullptr);
        }
        int dx = 0, dy = 0;
        const Uint32 buttons = SDL_GetRelativeMouseState(&dx, &dy);
        state.dx = dx;
        state.dy = dy;
        state.buttons[0] = (buttons & SDL_BUTTON_LMASK) ? 0x80 : 0;
        state.buttons[1] = (buttons & SDL_BUTTON_RMASK) ? 0x80 : 0;
        state.buttons[2] = (buttons & SDL_BUTTON_MMASK) ? 0x80 : 0;
        return true;
    }

    bool readKeyboard(KeyboardScan& keys) override
    {
        if (!focused())
            return false;
        int count = 0;
        const Uint8* down = SDL_GetKeyboardState(&count);
        keys.fill(0);
        for (int i = 0; i < count && i < SDL_NUM_SCANCODES; ++i)
            if (down[i])
                if (const int code = sdl::scanCodeFromScancode(static_cast<SDL_Scancode>(i)))
                    keys[static_cast<std::size_t>(code)] = 0x80;
        return true;
    }

    bool readJoystick(int device, RawJoystick& state) override
    {
        auto it = joysticks.find(device);
        if (it == joysticks.end() || !SDL_JoystickGetAttached(it->second))
            return false;
        SDL_JoystickUpdate();
        SDL_Joystick* j = it->second;
        state.x = SDL_JoystickGetAxis(j, 0);
        state.y = SDL_JoystickGetAxis(j, 1);
        state.button0 = SDL_JoystickGetButton(j, 0) != 0;
        state.button1 = SDL_JoystickGetButton(j, 1) != 0;
        return true;
    }

    uint16_t asyncKeyState(int virtualKey) override
    {
        bool down = false;
        if (videoUp()) {
            if (virtualKey == vk::LButton || virtualKey == vk::RButton || virtualKey == vk::MButton) {
                const Uint32 buttons = SDL_GetMouseState(nullptr, nullptr);
                const Uint32 mask = virtualKey == vk::LButton   ? SDL_BUTTON_LMASK
                                    : virtualKey == vk::RButton ? SDL_BUTTON_RMASK
                                                                : SDL_BUTTON_MMASK;
                down = (buttons & mask) != 0;
            } else {
                int count = 0;
                const Uint8* keys = SDL_GetKeyboardState(&count);
                for (SDL_Scancode code : scancodesOf(virtualKey))
                    down = down || (code < count && keys[code]);
            }
        }
        const bool pressed = pressedSinceQuery[static_cast<std::size_t>(virtualKey)].exchange(false);
        return static_cast<uint16_t>((down ? 0x8000 : 0) | (pressed ? 1 : 0));
    }

    std::optional<CursorPosition> cursorPosition() override
    {
        if (!videoUp())
            return std::nullopt;
        int x = 0, y = 0;
        SDL_GetGlobalMouseState(&x, &y);
        return CursorPosition{x, y};
    }
};

} // namespace

InputBackend* makeSdlInputBackend() { return new SdlInputBackend(); }

} // namespace plat
