// Headless input: queued device steps that each read takes one of, the window messages a
// real device would have caused, and faults on demand.
#include "platform/headless/input.h"

#include "platform/headless/message_queue.h"
#include "platform/headless/window.h"
#include "platform/input_backend.h"
#include "platform/messages.h"
#include "platform/window.h"

#include <algorithm>
#include <deque>
#include <map>

namespace plat::headless {
namespace {

struct State {
    // Mouse: steps not yet read, buttons after the last queued / last read step, and the
    // cursor as the framework will have it once all queued steps are read.
    std::deque<MouseState> mouseSteps;
    std::array<uint8_t, 3> queuedButtons{};
    std::array<uint8_t, 3> readButtons{};
    CursorPosition cursor;

    std::deque<KeyboardScan> keySteps;
    KeyboardScan queuedKeys{};
    KeyboardScan readKeys{};

    std::array<bool, 256> asyncDown{};
    std::array<bool, 256> asyncPressed{};

    bool focused = true;
    bool mousePresent = true;
    bool keyboardPresent = true;
    bool joystickAttached = false;
    int openJoysticks = 0;
    RawJoystick joystick;

    std::map<InputFault, int> faults;
};

State& state()
{
    static State s;
    return s;
}

bool takeFault(InputFault fault)
{
    auto& faults = state().faults;
    auto it = faults.find(fault);
    if (it == faults.end() || it->second <= 0)
        return false;
    if (--it->second == 0)
        faults.erase(it);
    return true;
}

int clampToScreen(int v, int size) { return std::clamp(v, 0, std::max(size, 1) - 1); }

// The undivided code a window message carries for a sided modifier.
int messageKey(int virtualKey)
{
    switch (virtualKey) {
    case vk::LShift: case vk::RShift: return vk::Shift;
    case vk::LControl: case vk::RControl: return vk::Control;
    case vk::LMenu: case vk::RMenu: return vk::Menu;
    default: return virtualKey;
    }
}

void setAsync(int virtualKey, bool down)
{
    State& s = state();
    const auto i = static_cast<std::size_t>(virtualKey & 0xFF);
    if (down && !s.asyncDown[i])
        s.asyncPressed[i] = true;
    s.asyncDown[i] = down;
    // The undivided modifier is down while either side is.
    const int undivided = messageKey(virtualKey);
    if (undivided != virtualKey) {
        const int left = undivided == vk::Shift ? vk::LShift : undivided == vk::Control ? vk::LControl : vk::LMenu;
        const bool either = s.asyncDown[static_cast<std::size_t>(left)] || s.asyncDown[static_cast<std::size_t>(left + 1)];
        const auto u = static_cast<std::size_t>(undivided);
        if (either && !s.asyncDown[u])
            s.asyncPressed[u] = true;
        s.asyncDown[u] = either;
    }
}

constexpr int buttonVirtualKey[3] = {vk::LButton, vk::RButton, vk::MButton};

void queueMouse(int dx, int dy, const std::array<uint8_t, 3>& buttons)
{
    State& s = state();
    s.mouseSteps.push_back(MouseState{dx, dy, buttons});
    s.cursor.x = clampToScreen(s.cursor.x + dx, screenWidth());
    s.cursor.y = clampToScreen(s.cursor.y + dy, screenHeight());
    if (dx != 0 || dy != 0)
        postMessage({msg::MouseMove, 0, packPoint(s.cursor.x, s.cursor.y)});
}

void setButton(MouseButton button, bool down, int dx, int dy)
{
    State& s = state();
    const auto b = static_cast<std::size_t>(button);
    s.queuedButtons[b] = down ? 0x80 : 0;
    queueMouse(dx, dy, s.queuedButtons);
    setAsync(buttonVirtualKey[b], down);
    if (button == MouseButton::Left)
        postMessage({down ? msg::LButtonDown : msg::LButtonUp, 0, packPoint(s.cursor.x, s.cursor.y)});
    else if (button == MouseButton::Right)
        postMessage({down ? msg::RButtonDown : msg::RButtonUp, 0, packPoint(s.cursor.x, s.cursor.y)});
}

void setKey(KeyCodes key, bool down)
{
    State& s = state();
    if (key.scanCode > 0 && key.scanCode < 256) {
        s.queuedKeys[static_cast<std::size_t>(key.scanCode)] = down ? 0x80 : 0;
        s.keySteps.push_back(s.queuedKeys);
    }
    if (key.virtualKey <= 0 || key.virtualKey > 255)
        return;
    setAsync(key.virtualKey, down);
    const auto code = static_cast<uintptr_t>(messageKey(key.virtualKey));
    postMessage({down ? msg::KeyDown : msg::KeyUp, code, 0});
    if (down)
        if (const int c = characterOfVirtualKey(key.virtualKey))
            postMessage({msg::Char, static_cast<uintptr_t>(c), 0});
}

struct HeadlessInputBackend final : InputBackend {
    bool openSystem() override { return !takeFault(InputFault::System); }
    void closeSystem() override {}
    bool hasMouse() override { return state().mousePresent; }
    bool hasKeyboard() override { return state().keyboardPresent; }

    JoystickResult openJoystick(int& device) override
    {
        if (takeFault(InputFault::JoystickEnumeration))
            return JoystickResult::EnumerationFailed;
        if (!state().joystickAttached)
            return JoystickResult::NoneAttached;
        if (takeFault(InputFault::JoystickInterface))
            return JoystickResult::InterfaceFailed;
        device = 0;
        ++state().openJoysticks;
        return JoystickResult::Opened;
    }

    void closeJoystick(int) override { --state().openJoysticks; }
    bool setJoystickProperty(int) override { return !takeFault(InputFault::JoystickProperty); }

    bool acquire(DeviceKind kind, int) override
    {
        switch (kind) {
        case DeviceKind::Mouse: return state().focused && state().mousePresent;
        case DeviceKind::Keyboard: return state().focused && state().keyboardPresent;
        case DeviceKind::Joystick: return state().joystickAttached && !takeFault(InputFault::JoystickAcquire);
        case DeviceKind::System: return false;
        }
        return false;
    }

    void unacquire(DeviceKind, int) override {}

    bool readMouse(MouseState& out) override
    {
        State& s = state();
        if (!s.focused || !s.mousePresent || takeFault(InputFault::MouseRead))
            return false;
        if (s.mouseSteps.empty()) {
            out = MouseState{0, 0, s.readButtons};
            return true;
        }
        out = s.mouseSteps.front();
        s.mouseSteps.pop_front();
        s.readButtons = out.buttons;
        return true;
    }

    bool readKeyboard(KeyboardScan& keys) override
    {
        State& s = state();
        if (!s.focused || !s.keyboardPresent || takeFault(InputFault::KeyboardRead))
            return false;
        if (!s.keySteps.empty()) {
            s.readKeys = s.keySteps.front();
            s.keySteps.pop_front();
        }
        keys = s.readKeys;
        return true;
    }

    bool readJoystick(int, RawJoystick& out) override
    {
        if (!state().joystickAttached || takeFault(InputFault::JoystickRead))
            return false;
        out = state().joystick;
        return true;
    }

    uint16_t asyncKeyState(int virtualKey) override
    {
        State& s = state();
        const auto i = static_cast<std::size_t>(virtualKey);
        const uint16_t r = static_cast<uint16_t>((s.asyncDown[i] ? 0x8000 : 0) | (s.asyncPressed[i] ? 1 : 0));
        s.asyncPressed[i] = false;
        return r;
    }

    std::optional<CursorPosition> cursorPosition() override { return state().cursor; }
};

} // namespace

void moveMouseBy(int dx, int dy) { queueMouse(dx, dy, state().queuedButtons); }

void moveMouseTo(int x, int y)
{
    const CursorPosition c = state().cursor;
    moveMouseBy(x - c.x, y - c.y);
}

void pressButton(MouseButton button) { setButton(button, true, 0, 0); }
void releaseButton(MouseButton button) { setButton(button, false, 0, 0); }

void clickAt(int x, int y, MouseButton button)
{
    const CursorPosition c = state().cursor;
    // Motion and press share one step: the game sees the press where the cursor lands.
    const int dx = x - c.x, dy = y - c.y;
    setButton(button, true, dx, dy);
    releaseButton(button);
}

CursorPosition trackedCursor() { return state().cursor; }
std::size_t queuedMouseSteps() { return state().mouseSteps.size(); }

void keyDown(KeyCodes key) { setKey(key, true); }
void keyUp(KeyCodes key) { setKey(key, false); }

void tapKey(KeyCodes key)
{
    keyDown(key);
    keyUp(key);
}

std::size_t queuedKeyboardSteps() { return state().keySteps.size(); }

void setInputFocus(bool focused)
{
    state().focused = focused;
    setWindowActive(focused);
}

void setDevicesPresent(bool mouse, bool keyboard)
{
    state().mousePresent = mouse;
    state().keyboardPresent = keyboard;
}

void attachJoystick(bool attached) { state().joystickAttached = attached; }

void setJoystick(int32_t rawX, int32_t rawY, bool button0, bool button1)
{
    state().joystick = RawJoystick{rawX, rawY, button0, button1};
}

void failNextInput(InputFault fault, int times)
{
    if (times > 0)
        state().faults[fault] = times;
    else
        state().faults.erase(fault);
}

void resetInput()
{
    const int open = state().openJoysticks;
    state() = State{};
    state().openJoysticks = open;
}

} // namespace plat::headless

namespace plat {
InputBackend* makeHeadlessInputBackend() { return new headless::HeadlessInputBackend(); }
} // namespace plat
