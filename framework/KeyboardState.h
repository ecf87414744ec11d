// The process-wide keyboard and cursor record polled through the asynchronous key state,
// so that a key's step from up to down can be told from one frame to the next.
#pragma once

#include <array>
#include <cstdint>

struct KeyboardState {
    uint8_t initialized = 0;
    int32_t previousCursorX = 0;
    int32_t previousCursorY = 0;
    int32_t cursorX = 0;
    int32_t cursorY = 0;
    float cursorDeltaX = 0;
    float cursorDeltaY = 0;
    std::array<uint8_t, 256> current{};  // per virtual-key code: 128 when down in this poll
    std::array<uint8_t, 256> previous{}; // `current` of the previous poll
    int32_t downCount = 0;
    int32_t pressedCount = 0;
    int32_t releasedCount = 0;

    // Clears the record, once: a second call does nothing.
    void init();
    // Takes the cursor and every key's state; a key counts as down when it is down now or
    // was pressed since the previous poll, so a quick tap between two polls is not lost.
    void poll();

    // True when the global record saw the key go down in its last poll; reads, never polls.
    // Codes outside 0..255 are false.
    [[nodiscard]] static bool wasPressed(int code);

    // The one record of the process (all zero before its first poll).
    [[nodiscard]] static KeyboardState& global();
};

// KeyboardState::poll on the global record: the game's per-frame call.
void pollKeyboardState();
