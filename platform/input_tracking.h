// What both input backends share: presses caught between two reads, and the game's cursor
// kept on an absolute pointer while the framework reads relative motion.
#pragma once

#include "platform/input.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

namespace plat {

// A press seen since the last read reads as down in that read, so a click or a key tap
// shorter than a frame is not lost; its release shows in the next read. A press that comes
// while the last read showed the entry down waits one read, which shows it up, so that the
// reader sees every press begin (two quick clicks in a row are two clicks).
template <std::size_t N>
class PressLatch {
public:
    PressLatch() = default;
    PressLatch(const PressLatch& other) { *this = other; }
    PressLatch& operator=(const PressLatch& other)
    {
        for (std::size_t i = 0; i < N; ++i)
            pressed_[i] = other.pressed_[i].load();
        shownDown_ = other.shownDown_;
        return *this;
    }

    void press(std::size_t i)
    {
        if (i < N)
            pressed_[i] = true;
    }
    // Whether entry i was pressed since the previous take or read of it; clears that.
    [[nodiscard]] bool take(std::size_t i)
    {
        // A plain load first: most entries are clear, and a locked exchange per entry per
        // read costs more than the rest of the read.
        return i < N && pressed_[i].load(std::memory_order_relaxed) && pressed_[i].exchange(false);
    }
    // What a read shows for entry i, which is down now or not.
    [[nodiscard]] bool read(std::size_t i, bool downNow)
    {
        if (i >= N)
            return downNow;
        const bool shown = shownDown_[i] && pressed_[i] ? false : take(i) || downNow;
        shownDown_[i] = shown;
        return shown;
    }

private:
    // Written by SDL's event watch, which may run on another thread than the reads.
    std::array<std::atomic<bool>, N> pressed_{};
    std::array<bool, N> shownDown_{}; // what the last read showed
};

// The framework moves its cursor by the motion it reads, clamped to the screen, from 0, 0.
// Reporting the way from there to the pointer puts its cursor where the pointer is.
struct PointerTrack {
    CursorPosition at; // the framework's cursor after the reads so far

    // Motion that takes the cursor to (x, y), clamped to a width x height screen.
    void moveTo(int x, int y, int width, int height, MouseState& state)
    {
        x = std::clamp(x, 0, std::max(width, 1) - 1);
        y = std::clamp(y, 0, std::max(height, 1) - 1);
        state.dx = x - at.x;
        state.dy = y - at.y;
        at = {x, y};
    }
    // Relative motion read as it is; the cursor follows it as the framework's does.
    void follow(const MouseState& state, int width, int height)
    {
        at.x = static_cast<int>(std::clamp<int64_t>(int64_t{at.x} + state.dx, 0, std::max(width, 1) - 1));
        at.y = static_cast<int>(std::clamp<int64_t>(int64_t{at.y} + state.dy, 0, std::max(height, 1) - 1));
    }
};

} // namespace plat
