// Rectangles of the graphics core: x1 and y1 exclusive.
#pragma once

#include <algorithm>
#include <cstdint>

namespace talvo::g {

struct Rect {
    std::int32_t x0 = 0;
    std::int32_t y0 = 0;
    std::int32_t x1 = 0;
    std::int32_t y1 = 0;

    // Differences of far-apart corners wrap instead of overflowing; empty() compares, so it never wraps.
    [[nodiscard]] constexpr std::int32_t width() const noexcept { return difference(x1, x0); }
    [[nodiscard]] constexpr std::int32_t height() const noexcept { return difference(y1, y0); }
    [[nodiscard]] constexpr bool empty() const noexcept { return x1 <= x0 || y1 <= y0; }

    // In place; an empty result keeps the larger origin and gets zero width or height, never negative.
    constexpr void intersect(const Rect& other) noexcept {
        x0 = std::max(x0, other.x0);
        y0 = std::max(y0, other.y0);
        x1 = std::max(std::min(x1, other.x1), x0);
        y1 = std::max(std::min(y1, other.y1), y0);
    }
    [[nodiscard]] constexpr Rect intersection(const Rect& other) const noexcept {
        Rect result = *this;
        result.intersect(other);
        return result;
    }

    friend constexpr bool operator==(const Rect&, const Rect&) noexcept = default;

private:
    static constexpr std::int32_t difference(std::int32_t a, std::int32_t b) noexcept {
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) - static_cast<std::uint32_t>(b));
    }
};

}  // namespace talvo::g
