// Input over plat's devices: creation with the framework's result codes, and the per-frame poll.
#include "framework/Input.h"

#include "framework/Result.h"
#include "framework/Window.h"
#include "platform/clock.h"

#include <algorithm>

namespace {

constexpr int32_t joystickRange = 1000;
constexpr uint32_t joystickDeadZone = 1000; // ten-thousandths: 10 % around the centre

int32_t clampAxis(int32_t position, int32_t motion, int32_t low, int32_t high)
{
    const int64_t moved = int64_t{position} + motion;
    if (moved < low)
        return low;
    if (moved > high)
        return high;
    return static_cast<int32_t>(moved);
}

} // namespace

Input::~Input() { releaseDevices(); }

void Input::releaseDevices()
{
    for (plat::InputHandle* h : {&keyboardDevice, &mouseDevice, &joystickDevice, &directInput}) {
        plat::closeInput(*h);
        *h = plat::InputHandle::None;
    }
    mousePresent = keyboardPresent = joystickPresent = 0;
}

int Input::create(void*, plat::WindowId)
{
    releaseDevices();
    clipMinX = 0;
    clipMinY = 0;
    screenWidth = plat::screenWidth();
    screenHeight = plat::screenHeight();

    directInput = plat::openInputSystem();
    if (directInput == plat::InputHandle::None)
        return FrameworkResult::DirectInput;

    // A device that cannot be acquired now is of no use: it is closed and counts as absent.
    auto take = [](plat::InputHandle device, plat::InputHandle& slot, uint8_t& present) {
        if (device == plat::InputHandle::None)
            return;
        if (!plat::acquire(device)) {
            plat::closeInput(device);
            return;
        }
        slot = device;
        present = 1;
    };
    take(plat::openMouse(directInput), mouseDevice, mousePresent);
    take(plat::openKeyboard(directInput), keyboardDevice, keyboardPresent);

    const plat::JoystickOpen joystick = plat::openJoystick(directInput);
    switch (joystick.result) {
    case plat::JoystickResult::EnumerationFailed: return FrameworkResult::JoystickEnumeration;
    case plat::JoystickResult::InterfaceFailed: return FrameworkResult::JoystickInterface;
    case plat::JoystickResult::NoneAttached: return FrameworkResult::Ok;
    case plat::JoystickResult::Opened: break;
    }
    int result = FrameworkResult::Ok;
    if (!plat::setJoystickRange(joystick.handle, -joystickRange, joystickRange) ||
        !plat::setJoystickDeadZone(joystick.handle, joystickDeadZone))
        result = FrameworkResult::JoystickProperty;
    else if (!plat::acquire(joystick.handle))
        result = FrameworkResult::JoystickAcquire;
    if (result != FrameworkResult::Ok) {
        plat::closeInput(joystick.handle);
        return result;
    }
    joystickDevice = joystick.handle;
    joystickPresent = 1;
    return FrameworkResult::Ok;
}

int Input::attach(const Window& window) { return create(window.instance, window.handle); }

void Input::poll()
{
    if (mousePresent) {
        plat::MouseState m;
        if (!plat::readMouse(mouseDevice, m))
            (void)plat::acquire(mouseDevice); // m is zeroed: no motion, buttons up
        dx = m.dx;
        dy = m.dy;
        x = clampAxis(x, m.dx, clipMinX, screenWidth - 1);
        y = clampAxis(y, m.dy, clipMinY, screenHeight - 1);

        // Button bytes 0, 1, 2 are left, right, middle.
        const bool left = m.buttons[0] != 0, right = m.buttons[1] != 0, middle = m.buttons[2] != 0;
        leftPressed = left && !leftDown;
        rightPressed = right && !rightDown;
        middlePressed = middle && !middleDown;
        leftDown = left;
        rightDown = right;
        middleDown = middle;

        leftDouble = middleDouble = rightDouble = 0;
        const uint32_t now = plat::tickCount();
        const uint8_t pressed[3] = {leftPressed, middlePressed, rightPressed};
        uint8_t* doubled[3] = {&leftDouble, &middleDouble, &rightDouble};
        for (std::size_t b = 0; b < 3; ++b) {
            if (!pressed[b])
                continue;
            if (!pressCounted[b] || now - lastPressTick[b] >= doublePressTime) {
                lastPressTick[b] = now;
                pressCounted[b] = true;
            } else {
                *doubled[b] = 1; // the counted press stays, so a third quick press is double too
            }
        }
    }
    if (keyboardPresent) {
        plat::KeyboardScan scan;
        if (!plat::readKeyboard(keyboardDevice, scan))
            (void)plat::acquire(keyboardDevice);
        keys = scan;
    }
    if (joystickPresent) {
        plat::JoystickState j;
        if (!plat::readJoystick(joystickDevice, j))
            (void)plat::acquire(joystickDevice);
        joyX = j.x;
        joyY = j.y;
        joyButton0 = j.button0;
        joyButton1 = j.button1;
    }
}
