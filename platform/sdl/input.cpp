// SDL input: the game's cursor on the system pointer (kept inside the window while it has the
// focus), the keyboard state through the scancode tables, joysticks, and presses caught by an
// event watch between reads.
#include "platform/input_backend.h"
#include "platform/input_tracking.h"
#include "platform/keycodes.h"
#include "platform/sdl/keymap.h"
#include "platform/sdl/video.h"

#include <SDL2/SDL.h>

#include <cmath>
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

// Presses since the last query by virtual key, since the last keyboard read by scan code,
// and since the last mouse read by button (0 left, 1 right, 2 middle).
PressLatch<256> pressedSinceQuery;
PressLatch<256> keysSinceRead;
PressLatch<3> buttonsSinceRead;

void markPressed(int virtualKey)
{
    if (virtualKey > 0)
        pressedSinceQuery.press(static_cast<std::size_t>(virtualKey));
}

int keyWatch(void*, SDL_Event* event)
{
    if (event->type == SDL_KEYDOWN && !event->key.repeat) {
        markPressed(sdl::virtualKeyFromScancode(event->key.keysym.scancode));
        markPressed(sidedVirtualKey(event->key.keysym.scancode));
        if (const int code = sdl::scanCodeFromScancode(event->key.keysym.scancode))
            keysSinceRead.press(static_cast<std::size_t>(code));
    } else if (event->type == SDL_MOUSEBUTTONDOWN) {
        switch (event->button.button) {
        case SDL_BUTTON_LEFT: markPressed(vk::LButton); buttonsSinceRead.press(0); break;
        case SDL_BUTTON_RIGHT: markPressed(vk::RButton); buttonsSinceRead.press(1); break;
        case SDL_BUTTON_MIDDLE: markPressed(vk::MButton); buttonsSinceRead.press(2); break;
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
    PointerTrack pointer;

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
            takePointer(true);
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
            takePointer(false);
    }

    // While the mouse is taken the game draws its own cursor, and SDL keeps the pointer
    // inside the window whenever the window has the focus.
    static void takePointer(bool take)
    {
        if (SDL_Window* window = sdl::nativeWindow())
            SDL_SetWindowGrab(window, take ? SDL_TRUE : SDL_FALSE);
        SDL_ShowCursor(take ? SDL_DISABLE : SDL_ENABLE);
    }

    bool readMouse(MouseState& state) override
    {
        SDL_Window* window = sdl::nativeWindow();
        if (!focused() || !window)
            return false;
        if (!SDL_GetWindowGrab(window))
            takePointer(true);
        int width = 0, height = 0;
        const CursorPosition at = pointerInScreen(window, width, height);
        pointer.moveTo(at.x, at.y, width, height, state);
        const Uint32 buttons = SDL_GetMouseState(nullptr, nullptr);
        const Uint32 masks[3] = {SDL_BUTTON_LMASK, SDL_BUTTON_RMASK, SDL_BUTTON_MMASK};
        for (std::size_t b = 0; b < 3; ++b)
            state.buttons[b] = buttonsSinceRead.read(b, (buttons & masks[b]) != 0) ? 0x80 : 0;
        return true;
    }

    // The system pointer in the screen's pixels (the renderer's logical size, 800 x 600 once
    // the display mode is set), and that size.
    static CursorPosition pointerInScreen(SDL_Window* window, int& width, int& height)
    {
        int x = 0, y = 0;
        if (SDL_GetMouseFocus() == window) {
            SDL_GetMouseState(&x, &y);
        } else {
            // Before SDL has seen the pointer enter (the first frame): ask the system.
            int wx = 0, wy = 0;
            SDL_GetGlobalMouseState(&x, &y);
            SDL_GetWindowPosition(window, &wx, &wy);
            x -= wx;
            y -= wy;
        }
        SDL_GetWindowSize(window, &width, &height);
        SDL_Renderer* renderer = SDL_GetRenderer(window);
        int logicalWidth = 0, logicalHeight = 0;
        if (renderer)
            SDL_RenderGetLogicalSize(renderer, &logicalWidth, &logicalHeight);
        if (logicalWidth <= 0 || logicalHeight <= 0)
            return {x, y};
        float lx = 0, ly = 0;
        SDL_RenderWindowToLogical(renderer, x, y, &lx, &ly);
        width = logicalWidth;
        height = logicalHeight;
        return {static_cast<int>(std::floor(lx)), static_cast<int>(std::floor(ly))};
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
        for (std::size_t code = 0; code < keys.size(); ++code)
            if (keysSinceRead.read(code, keys[code] != 0))
                keys[code] = 0x80;
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
        const bool pressed = pressedSinceQuery.take(static_cast<std::size_t>(virtualKey));
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
