// The keyboard state poller over plat's asynchronous key state and cursor position.
#include "framework/KeyboardState.h"

#include "platform/input.h"
#include "platform/keycodes.h"

namespace {
KeyboardState globalRecord;

// The undivided modifiers are counted through their sided codes only.
bool counted(int code) { return code != plat::vk::Shift && code != plat::vk::Control && code != plat::vk::Menu; }
} // namespace

void KeyboardState::init()
{
    if (initialized)
        return;
    *this = KeyboardState{};
    initialized = 1;
}

void KeyboardState::poll()
{
    init();
    previousCursorX = cursorX;
    previousCursorY = cursorY;
    if (const auto c = plat::cursorPosition()) {
        cursorX = c->x;
        cursorY = c->y;
    }
    cursorDeltaX = static_cast<float>(cursorX - previousCursorX);
    cursorDeltaY = static_cast<float>(cursorY - previousCursorY);

    previous = current;
    for (int code = 0; code < 256; ++code)
        current[static_cast<std::size_t>(code)] = plat::asyncKeyState(code) != 0 ? 128 : 0;

    downCount = pressedCount = releasedCount = 0;
    for (int code = 0; code < 256; ++code) {
        if (!counted(code))
            continue;
        const bool before = previous[static_cast<std::size_t>(code)] & 0x80;
        const bool now = current[static_cast<std::size_t>(code)] & 0x80;
        if (now) {
            ++downCount;
            if (!before)
                ++pressedCount;
        } else if (before) {
            ++releasedCount;
        }
    }
}

bool KeyboardState::wasPressed(int code)
{
    if (code < 0 || code > 255)
        return false;
    const auto i = static_cast<std::size_t>(code);
    return !(globalRecord.previous[i] & 0x80) && globalRecord.current[i] > 127;
}

KeyboardState& KeyboardState::global() { return globalRecord; }

void pollKeyboardState() { globalRecord.poll(); }
