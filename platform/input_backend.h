// The input area's backend interface, implemented by sdl/input.cpp and headless/input.cpp.
// Handles, kinds, joystick ranges and validation live above it, in input.cpp.
#pragma once

#include "platform/input.h"

namespace plat {

// A joystick reading before range and dead zone are applied.
struct RawJoystick {
    int32_t x = 0; // -32768..32767
    int32_t y = 0;
    bool button0 = false;
    bool button1 = false;
};

enum class DeviceKind { System, Mouse, Keyboard, Joystick };

struct InputBackend {
    virtual ~InputBackend() = default;

    // --- devices
    // Readies whatever reading input needs; false when input cannot be read at all.
    virtual bool openSystem() = 0;
    // Undoes one openSystem().
    virtual void closeSystem() = 0;
    // Whether there is a mouse / keyboard to open.
    virtual bool hasMouse() = 0;
    virtual bool hasKeyboard() = 0;
    // Opens the first attached joystick that opens and gives its device number.
    virtual JoystickResult openJoystick(int& device) = 0;
    virtual void closeJoystick(int device) = 0;
    // Accepts or refuses a property change of an open joystick.
    virtual bool setJoystickProperty(int device) = 0;
    // Makes the device readable; false while it cannot be (no focus, refused).
    virtual bool acquire(DeviceKind kind, int device) = 0;
    // Releases what acquire() took (the relative mouse mode).
    virtual void unacquire(DeviceKind kind, int device) = 0;

    // --- reading: true with the record filled, false when the read failed
    virtual bool readMouse(MouseState& state) = 0;
    virtual bool readKeyboard(KeyboardScan& keys) = 0;
    virtual bool readJoystick(int device, RawJoystick& state) = 0;

    // --- system-wide state
    // Bit 15 down now, bit 0 pressed since the previous query of this code (0..255).
    virtual uint16_t asyncKeyState(int virtualKey) = 0;
    virtual std::optional<CursorPosition> cursorPosition() = 0;
};

[[nodiscard]] InputBackend& inputBackend();
[[nodiscard]] InputBackend* makeSdlInputBackend();
[[nodiscard]] InputBackend* makeHeadlessInputBackend();

} // namespace plat
