// A finished picture: 8-bit RGB samples that are exact expansions of 5-6-5 values.
#pragma once

#include <cstdint>
#include <vector>

namespace assetgen {

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

// Pixel-aligned rectangle, x1 and y1 exclusive.
struct Box {
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    [[nodiscard]] constexpr int width() const { return x1 - x0; }
    [[nodiscard]] constexpr int height() const { return y1 - y0; }
    [[nodiscard]] constexpr bool contains(int x, int y) const { return x >= x0 && x < x1 && y >= y0 && y < y1; }
    // From the game's placement and size.
    [[nodiscard]] static constexpr Box at(int x, int y, int w, int h) { return {x, y, x + w, y + h}; }
    // From an inclusive rectangle as the game's mouse tests use it.
    [[nodiscard]] static constexpr Box inclusive(int left, int top, int right, int bottom) {
        return {left, top, right + 1, bottom + 1};
    }
    friend bool operator==(const Box&, const Box&) = default;
};

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<Rgb> pixels; // top-down, row-major

    Picture() = default;
    Picture(int w, int h) : width(w), height(h), pixels(static_cast<std::size_t>(w) * h) {}

    [[nodiscard]] Rgb& at(int x, int y) { return pixels[static_cast<std::size_t>(y) * width + x]; }
    [[nodiscard]] const Rgb& at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
    [[nodiscard]] Picture crop(const Box& box) const;
};

// The colour key: a pixel the game's 16-bit display stores as 0.
[[nodiscard]] inline bool isKeyBlack(Rgb c) { return c.r < 8 && c.g < 4 && c.b < 8; }

} // namespace assetgen
