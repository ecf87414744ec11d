// Input handles: validation and bookkeeping above the backends, which only touch devices.
#include "platform/input.h"

#include "platform/input_backend.h"
#include "platform/platform.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

namespace plat {
namespace {

struct Entry {
    DeviceKind kind = DeviceKind::System;
    int device = 0;
    bool acquired = false;
    // The usual joystick defaults (0..65535, no dead zone) until the owner sets its own.
    int32_t rangeMin = 0;
    int32_t rangeMax = 65535;
    uint32_t deadZone = 0;
};

struct Handles {
    std::unordered_map<uint32_t, Entry> entries;
    uint32_t next = 1;

    InputHandle add(const Entry& e)
    {
        while (next == 0 || entries.count(next))
            ++next;
        entries.emplace(next, e);
        return static_cast<InputHandle>(next++);
    }

    Entry* find(InputHandle h, DeviceKind kind)
    {
        auto it = entries.find(static_cast<uint32_t>(h));
        return it != entries.end() && it->second.kind == kind ? &it->second : nullptr;
    }
};

Handles& handles()
{
    static Handles h;
    return h;
}

bool isSystem(InputHandle system) { return handles().find(system, DeviceKind::System) != nullptr; }

} // namespace

InputBackend& inputBackend()
{
    return chosenBackend<InputBackend, makeSdlInputBackend, makeHeadlessInputBackend>();
}

InputHandle openInputSystem()
{
    if (!inputBackend().openSystem())
        return InputHandle::None;
    return handles().add(Entry{DeviceKind::System});
}

InputHandle openMouse(InputHandle system)
{
    if (!isSystem(system) || !inputBackend().hasMouse())
        return InputHandle::None;
    return handles().add(Entry{DeviceKind::Mouse});
}

InputHandle openKeyboard(InputHandle system)
{
    if (!isSystem(system) || !inputBackend().hasKeyboard())
        return InputHandle::None;
    return handles().add(Entry{DeviceKind::Keyboard});
}

JoystickOpen openJoystick(InputHandle system)
{
    if (!isSystem(system))
        return {JoystickResult::EnumerationFailed, InputHandle::None};
    int device = 0;
    const JoystickResult r = inputBackend().openJoystick(device);
    if (r != JoystickResult::Opened)
        return {r, InputHandle::None};
    Entry e{DeviceKind::Joystick};
    e.device = device;
    return {r, handles().add(e)};
}

bool setJoystickRange(InputHandle joystick, int32_t min, int32_t max)
{
    Entry* e = handles().find(joystick, DeviceKind::Joystick);
    if (!e || min >= max || !inputBackend().setJoystickProperty(e->device))
        return false;
    e->rangeMin = min;
    e->rangeMax = max;
    return true;
}

bool setJoystickDeadZone(InputHandle joystick, uint32_t deadZone)
{
    Entry* e = handles().find(joystick, DeviceKind::Joystick);
    if (!e || deadZone > 10000 || !inputBackend().setJoystickProperty(e->device))
        return false;
    e->deadZone = deadZone;
    return true;
}

bool acquire(InputHandle device)
{
    auto it = handles().entries.find(static_cast<uint32_t>(device));
    if (it == handles().entries.end() || it->second.kind == DeviceKind::System)
        return false;
    Entry& e = it->second;
    e.acquired = inputBackend().acquire(e.kind, e.device);
    return e.acquired;
}

void closeInput(InputHandle handle)
{
    auto it = handles().entries.find(static_cast<uint32_t>(handle));
    if (it == handles().entries.end())
        return;
    const Entry e = it->second;
    handles().entries.erase(it);
    if (e.acquired)
        inputBackend().unacquire(e.kind, e.device);
    if (e.kind == DeviceKind::Joystick)
        inputBackend().closeJoystick(e.device);
    else if (e.kind == DeviceKind::System)
        inputBackend().closeSystem();
}

bool readMouse(InputHandle mouse, MouseState& state)
{
    state = {};
    Entry* e = handles().find(mouse, DeviceKind::Mouse);
    if (!e || !e->acquired)
        return false;
    if (!inputBackend().readMouse(state)) {
        state = {};
        e->acquired = false;
        return false;
    }
    return true;
}

bool readKeyboard(InputHandle keyboard, KeyboardScan& keys)
{
    keys.fill(0);
    Entry* e = handles().find(keyboard, DeviceKind::Keyboard);
    if (!e || !e->acquired)
        return false;
    if (!inputBackend().readKeyboard(keys)) {
        keys.fill(0);
        e->acquired = false;
        return false;
    }
    return true;
}

bool readJoystick(InputHandle joystick, JoystickState& state)
{
    state = {};
    Entry* e = handles().find(joystick, DeviceKind::Joystick);
    if (!e || !e->acquired)
        return false;
    RawJoystick raw;
    if (!inputBackend().readJoystick(e->device, raw)) {
        e->acquired = false;
        return false;
    }
    state.x = scaleJoystickAxis(raw.x, e->rangeMin, e->rangeMax, e->deadZone);
    state.y = scaleJoystickAxis(raw.y, e->rangeMin, e->rangeMax, e->deadZone);
    state.button0 = raw.button0;
    state.button1 = raw.button1;
    return true;
}

std::size_t openInputCount() { return handles().entries.size(); }

uint16_t asyncKeyState(int virtualKey)
{
    if (virtualKey < 0 || virtualKey > 255)
        return 0;
    return inputBackend().asyncKeyState(virtualKey);
}

std::optional<CursorPosition> cursorPosition() { return inputBackend().cursorPosition(); }

int32_t scaleJoystickAxis(int32_t raw, int32_t min, int32_t max, uint32_t deadZone)
{
    // The lowest reading is one step past the symmetric range; treat it as the end.
    const double v = std::clamp(raw, -32767, 32767) / 32767.0;
    const double zone = std::min(deadZone, 10000u) / 10000.0;
    const double magnitude = std::abs(v);
    const double stretched = magnitude <= zone || zone >= 1.0 ? 0.0 : (magnitude - zone) / (1.0 - zone);
    const double centre = (static_cast<double>(min) + max) / 2.0;
    const double half = (static_cast<double>(max) - min) / 2.0;
    const double value = centre + (v < 0 ? -stretched : stretched) * half;
    return static_cast<int32_t>(std::clamp(std::lround(value), static_cast<long>(min), static_cast<long>(max)));
}

} // namespace plat
