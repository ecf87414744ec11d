// Headless input: queued device steps that each read takes one of, the window messages a
// real device would have caused, and faults on demand.
#include "platform/headless/input.h"

#include "platform/headless/message_queue.h"
#include "platform/headless/window.h"
#include "platform/input_backend.h"
#include "platform/input_tracking.h"
#include "platform/messages.h"
#include "platform/window.h"

#include <algorithm>
#include <deque>
#include <map>

namespace plat::headless {
namespace {

// What one device read takes: the state after it, the presses made within it (a click or tap
// shorter than a frame), and for the mouse an absolute pointer position instead of motion.
struct MouseStep {
    MouseState after;
    std::array<bool, 3> pressed{};
    std::optional<CursorPosition> pointer;
};
struct KeyStep {
    KeyboardScan after{};
    int pressed = 0; // scan code, 0 for none
};

struct State {
    // Mouse: steps not yet read, buttons after the last queued / last read step, the cursor
    // as the framework will have it once all queued steps are read, and once the steps so far
    // are read.
    std::deque<MouseStep> mouseSteps;
    std::array<uint8_t, 3> queuedButtons{};
    std::array<uint8_t, 3> readButtons{};
    CursorPosition cursor;
    PointerTrack pointer;
    PressLatch<3> buttonPresses;

    std::deque<KeyStep> keySteps;
    KeyboardScan queuedKeys{};
    KeyboardScan readKeys{};
    PressLatch<256> keyPresses;

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

// Queues a step: relative motion, or the pointer placed at `pointer` (screen pixels).
MouseStep& queueMouse(int dx, int dy, std::optional<CursorPosition> pointer = std::nullopt)
{
    State& s = state();
    s.mouseSteps.push_back(MouseStep{MouseState{dx, dy, s.queuedButtons}, {}, pointer});
    const CursorPosition before = s.cursor;
    s.cursor.x = clampToScreen(pointer ? pointer->x : s.cursor.x + dx, screenWidth());
    s.cursor.y = clampToScreen(pointer ? pointer->y : s.cursor.y + dy, screenHeight());
    if (s.cursor.x != before.x || s.cursor.y != before.y || (!pointer && (dx != 0 || dy != 0)))
        postMessage({msg::MouseMove, 0, packPoint(s.cursor.x, s.cursor.y)});
    return s.mouseSteps.back();
}

// The button's change within the last queued step, with its window message.
void changeButton(MouseButton button, bool down)
{
    State& s = state();
    const auto b = static_cast<std::size_t>(button);
    s.queuedButtons[b] = down ? 0x80 : 0;
    MouseStep& step = s.mouseSteps.back();
    step.after.buttons[b] = s.queuedButtons[b];
    step.pressed[b] = step.pressed[b] || down;
    setAsync(buttonVirtualKey[b], down);
    if (button == MouseButton::Left)
        postMessage({down ? msg::LButtonDown : msg::LButtonUp, 0, packPoint(s.cursor.x, s.cursor.y)});
    else if (button == MouseButton::Right)
        postMessage({down ? msg::RButtonDown : msg::RButtonUp, 0, packPoint(s.cursor.x, s.cursor.y)});
}

void setButton(MouseButton button, bool down, int dx, int dy)
{
    queueMouse(dx, dy);
    changeButton(button, down);
}

// The key's change, in a step of its own or within the last queued one.
void setKey(KeyCodes key, bool down, bool newStep = true)
{
    State& s = state();
    if (key.scanCode > 0 && key.scanCode < 256) {
        const auto code = static_cast<std::size_t>(key.scanCode);
        s.queuedKeys[code] = down ? 0x80 : 0;
        if (newStep || s.keySteps.empty())
            s.keySteps.push_back(KeyStep{});
        s.keySteps.back().after = s.queuedKeys;
        if (down)
            s.keySteps.back().pressed = key.scanCode;
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
        out = MouseState{0, 0, s.readButtons};
        if (!s.mouseSteps.empty()) {
            const MouseStep step = s.mouseSteps.front();
            s.mouseSteps.pop_front();
            out = step.after;
            for (std::size_t b = 0; b < 3; ++b)
                if (step.pressed[b])
                    s.buttonPresses.press(b);
            s.readButtons = out.buttons;
            if (step.pointer)
                s.pointer.moveTo(step.pointer->x, step.pointer->y, screenWidth(), screenHeight(), out);
            else
                s.pointer.follow(out, screenWidth(), screenHeight());
        }
        for (std::size_t b = 0; b < 3; ++b)
            out.buttons[b] = s.buttonPresses.read(b, out.buttons[b] != 0) ? 0x80 : 0;
        return true;
    }

    bool readKeyboard(KeyboardScan& keys) override
    {
        State& s = state();
        if (!s.focused || !s.keyboardPresent || takeFault(InputFault::KeyboardRead))
            return false;
        if (!s.keySteps.empty()) {
            const KeyStep step = s.keySteps.front();
            s.keySteps.pop_front();
            s.readKeys = step.after;
            if (step.pressed)
                s.keyPresses.press(static_cast<std::size_t>(step.pressed));
        }
        keys = s.readKeys;
        for (std::size_t code = 0; code < keys.size(); ++code)
            if (s.keyPresses.read(code, keys[code] != 0))
                keys[code] = 0x80;
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

void moveMouseBy(int dx, int dy) { queueMouse(dx, dy); }

void movePointerTo(int x, int y) { queueMouse(0, 0, CursorPosition{x, y}); }

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

void quickClickAt(int x, int y, MouseButton button)
{
    const CursorPosition c = state().cursor;
    queueMouse(x - c.x, y - c.y);
    changeButton(button, true);
    changeButton(button, false);
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

void quickTapKey(KeyCodes key)
{
    setKey(key, true);
    setKey(key, false, false);
}

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
