// Mouse, keyboard and joystick read once per frame: a cursor moved by the mouse's relative
// motion and clamped to the screen, per-button held / newly pressed / double flags, and the
// keyboard state by scan code.
#pragma once

#include "platform/input.h"
#include "platform/window.h"

#include <array>
#include <cstdint>

class Window;

class Input {
public:
    Input() = default;
    virtual ~Input();
    Input(const Input&) = delete;
    Input& operator=(const Input&) = delete;

    // Opens the input system, mouse, keyboard and the first joystick. A missing mouse or
    // keyboard is no error (its presence flag stays 0); no joystick is a normal state.
    // Devices of an earlier create are released first; the cursor and held buttons stay.
    // 0, or 36 (input system), 39 (joystick enumeration), 40 (joystick interface),
    // 41 (joystick property), 42 (joystick acquire).
    int create(void* instance, plat::WindowId window);
    // create with the window's instance and handle.
    int attach(const Window& window);
    // Reads every present device once; a failed read counts as a zeroed state and
    // re-acquires the device for the next poll.
    void poll();

    int32_t dx = 0;
    int32_t dy = 0;
    int32_t x = 0;
    int32_t y = 0;
    int32_t joyX = 0;
    int32_t joyY = 0;
    uint8_t joyButton0 = 0;
    uint8_t joyButton1 = 0;
    uint8_t leftDown = 0;
    uint8_t middleDown = 0;
    uint8_t rightDown = 0;
    uint8_t leftPressed = 0;
    uint8_t middlePressed = 0;
    uint8_t rightPressed = 0;
    uint8_t leftDouble = 0;
    uint8_t middleDouble = 0;
    uint8_t rightDouble = 0;
    std::array<uint8_t, 256> keys{}; // by scan code, bit 7 = down
    uint8_t mousePresent = 0;
    uint8_t keyboardPresent = 0;
    uint8_t joystickPresent = 0;
    int32_t clipMinX = 0;
    int32_t clipMinY = 0;
    int32_t screenWidth = 0;
    int32_t screenHeight = 0;
    plat::InputHandle directInput = plat::InputHandle::None;
    plat::InputHandle keyboardDevice = plat::InputHandle::None;
    plat::InputHandle mouseDevice = plat::InputHandle::None;
    plat::InputHandle joystickDevice = plat::InputHandle::None;
    std::array<uint32_t, 3> lastPressTick{}; // left, middle, right
    uint32_t doublePressTime = 300;

private:
    void releaseDevices();
    // Whether the button has had a counted press yet: the first press is never a double,
    // however early after start-up it comes.
    std::array<bool, 3> pressCounted{};
};
