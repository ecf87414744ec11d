// Test controls of the headless input: queued mouse and keyboard steps (each device read
// takes one), the matching window messages, joystick, focus and fault injection.
#pragma once

#include "platform/input.h"
#include "platform/keycodes.h"

namespace plat::headless {

enum class MouseButton { Left = 0, Right = 1, Middle = 2 };

// Queues one mouse step of relative motion. The backend keeps the cursor as the framework
// does (clamped to the screen), so moveMouseTo ends with the game's cursor at x, y.
void moveMouseBy(int dx, int dy);
void moveMouseTo(int x, int y);
// Queues a step that puts the system pointer at x, y (an absolute device: tablet, remote
// desktop): the read moves the game's cursor there from wherever it is, clamped to the screen.
void movePointerTo(int x, int y);
// Queues a step with the button down / up (no motion).
void pressButton(MouseButton button);
void releaseButton(MouseButton button);
// Queues a step with the motion to x, y and the button down, then one with it up again.
void clickAt(int x, int y, MouseButton button = MouseButton::Left);
// Queues one step with the motion to x, y and the button pressed and released within it, as a
// click shorter than a frame: that read sees the button down, the next one up.
void quickClickAt(int x, int y, MouseButton button = MouseButton::Left);
// Where the game's cursor is once every queued step has been read.
[[nodiscard]] CursorPosition trackedCursor();
[[nodiscard]] std::size_t queuedMouseSteps();

// Queues a keyboard step with the key down / up; tapKey queues both. Window key messages
// (and the character of plain keys) are posted, and the asynchronous key state changes at once.
void keyDown(KeyCodes key);
void keyUp(KeyCodes key);
void tapKey(KeyCodes key);
// Queues one keyboard step with the key pressed and released within it (a tap shorter than a
// frame): that read sees the key down, the next one up.
void quickTapKey(KeyCodes key);

// Focus: posts Activate; while inactive, mouse and keyboard reads and acquisitions fail.
void setInputFocus(bool focused);

// Which devices exist (both at the start; no joystick).
void setDevicesPresent(bool mouse, bool keyboard);
void attachJoystick(bool attached);
// Raw axes -32768..32767, before the range and dead zone the owner set.
void setJoystick(int32_t rawX, int32_t rawY, bool button0, bool button1);

enum class InputFault {
    System,              // openInputSystem
    JoystickEnumeration, // openJoystick: EnumerationFailed
    JoystickInterface,   // openJoystick: InterfaceFailed
    JoystickProperty,    // setJoystickRange / setJoystickDeadZone
    JoystickAcquire,
    MouseRead,
    KeyboardRead,
    JoystickRead,
};

// The next `times` uses of the operation fail.
void failNextInput(InputFault fault, int times = 1);

// Empties the queues and forgets keys, cursor (back to 0, 0), focus, devices, joystick and
// faults, as a fresh process would start. Open handles stay open.
void resetInput();

} // namespace plat::headless
