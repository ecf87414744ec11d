// The generated pictures as the game shows them: 24-bit BMP files read independently of the
// framework's loader, narrowed to 5-6-5, and compared with regions of a presented frame.
#pragma once

#include "platform/headless/display.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// A picture in 5-6-5 pixels, top row first.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint16_t> pixels;

    [[nodiscard]] uint16_t at(int x, int y) const { return pixels[static_cast<std::size_t>(y * width + x)]; }
};

// Reads an uncompressed 24-bit BMP file (bottom-up or top-down); nullopt for anything else.
[[nodiscard]] std::optional<Picture> readPicture(const std::string& path);
// The picture as a 5-6-5 frame, to compare with or to write as a BMP file.
[[nodiscard]] plat::headless::PresentedFrame frameOf(const Picture& picture);
// A rectangle cut from a picture; pixels outside the picture are 0 (and so transparent in a keyed compare).
[[nodiscard]] Picture crop(const Picture& picture, int x, int y, int width, int height);

// 8-bit channels to 5-6-5, as the display's format packs them.
[[nodiscard]] constexpr uint16_t rgb565(uint8_t r, uint8_t g, uint8_t b)
{
    return static_cast<uint16_t>((r >> 3) << 11 | (g >> 2) << 5 | (b >> 3));
}

// A screen rectangle, right and bottom exclusive.
struct Area {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    [[nodiscard]] bool contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
};

// Compares the picture drawn at (x, y) with the frame, pixel by pixel: "equal", or
// "first difference at (x, y): expected 0x..., got 0x... (n pixels differ)". Keyed: picture
// pixels of value 0 are transparent. Screen pixels in `skip` (the cursor, say) and outside
// `clip` are not compared.
[[nodiscard]] std::string comparePicture(const plat::headless::PresentedFrame& frame, const Picture& picture, int x,
                                         int y, bool keyed = false, std::optional<Area> skip = {},
                                         std::optional<Area> clip = {});
