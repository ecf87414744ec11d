// Input devices: the exclusive mouse (relative motion and buttons), the keyboard state by
// scan code, an optional joystick, the asynchronous key state and the cursor position.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace plat {

// An open input object (the input system or one device); None is "nothing open".
enum class InputHandle : uint32_t { None = 0 };

// Relative motion since the previous read and the button states; buttons 0 left,
// 1 right, 2 middle, non-zero when down or pressed since the previous read.
struct MouseState {
    int32_t dx = 0;
    int32_t dy = 0;
    std::array<uint8_t, 3> buttons{};
};

// One byte per scan code (see keycodes.h); bit 7 set means down, or pressed since the
// previous read (a tap shorter than a frame; its release shows in the next read).
using KeyboardScan = std::array<uint8_t, 256>;

// Axes in the range set on the device, buttons 0 and 1.
struct JoystickState {
    int32_t x = 0;
    int32_t y = 0;
    bool button0 = false;
    bool button1 = false;
};

enum class JoystickResult {
    Opened,
    NoneAttached, // a normal state: the game runs without a joystick
    EnumerationFailed,
    InterfaceFailed,
};

struct JoystickOpen {
    JoystickResult result = JoystickResult::NoneAttached;
    InputHandle handle = InputHandle::None;
};

struct CursorPosition {
    int x = 0;
    int y = 0;
};

// The input system every device is opened from; None when input cannot be read at all.
[[nodiscard]] InputHandle openInputSystem();

// The system mouse, taken while the window has the focus: the desktop cursor is hidden and
// kept inside the window, and the motion read is the way from where the reader's cursor is
// (0, 0 at first, then moved by each read's motion, clamped to the screen) to where the
// system pointer is, so the reader's cursor sits on the pointer. None when there is no mouse.
[[nodiscard]] InputHandle openMouse(InputHandle system);

// The keyboard, read while the window has the focus. None when there is none.
[[nodiscard]] InputHandle openKeyboard(InputHandle system);

// The first attached joystick that opens; NoneAttached is not an error.
[[nodiscard]] JoystickOpen openJoystick(InputHandle system);

// Axis range (both axes) and dead zone in ten-thousandths of the range around the centre;
// false when the device refuses them.
[[nodiscard]] bool setJoystickRange(InputHandle joystick, int32_t min, int32_t max);
[[nodiscard]] bool setJoystickDeadZone(InputHandle joystick, uint32_t deadZone);

// Starts (or restarts after a failed read) the reading of a device; false while the window
// lacks the focus or the device refuses.
[[nodiscard]] bool acquire(InputHandle device);

// Closes any handle; closing the system does not close devices opened from it. None is ignored.
void closeInput(InputHandle handle);

// Each read fills its record and returns true, or zeroes it and returns false (device lost,
// not acquired, wrong kind of handle); a failed read wants acquire() before the next one.
[[nodiscard]] bool readMouse(InputHandle mouse, MouseState& state);
[[nodiscard]] bool readKeyboard(InputHandle keyboard, KeyboardScan& keys);
[[nodiscard]] bool readJoystick(InputHandle joystick, JoystickState& state);

// Handles open now (system and devices), so callers can see that nothing leaks.
[[nodiscard]] std::size_t openInputCount();

// Key state by virtual-key code (including the mouse buttons 1, 2 and 4): bit 15 when the
// key is down now, bit 0 when it was pressed since the previous query of that code.
// Codes outside 0..255 give 0.
[[nodiscard]] uint16_t asyncKeyState(int virtualKey);

// The cursor in screen pixels; empty when it cannot be told.
[[nodiscard]] std::optional<CursorPosition> cursorPosition();

// A raw axis reading (-32768..32767) in the range min..max, with readings within the dead
// zone (ten-thousandths of the half range) at the centre and the rest stretched to the ends.
[[nodiscard]] int32_t scaleJoystickAxis(int32_t raw, int32_t min, int32_t max, uint32_t deadZone);

} // namespace plat
