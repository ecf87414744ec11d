// Pixel memory loops shared by every backend: fills, copies and keyed copies for
// 1 to 4 bytes per pixel. Callers have already checked every rectangle.
#pragma once

#include <cstddef>
#include <cstdint>

namespace plat {

// Zeroed pixel memory starting on a 64-byte line, released with freePixelMemory; null when
// out of memory. Whole-frame copies between blocks that start alike run at the speed of
// memcpy, while blocks 16 bytes apart within a line (as the heap hands them out) copy up to a
// sixth slower.
[[nodiscard]] uint8_t* allocatePixelMemory(std::size_t bytes);
void freePixelMemory(uint8_t* pixels);

struct PixelArea {
    uint8_t* pixels = nullptr;
    int32_t pitch = 0;
    uint32_t bytesPerPixel = 0;
};

// Reads and writes one pixel value of 1 to 4 bytes, little-endian.
[[nodiscard]] uint32_t readPixel(const uint8_t* p, uint32_t bytesPerPixel);
void writePixel(uint8_t* p, uint32_t bytesPerPixel, uint32_t value);

void fillPixels(const PixelArea& dest, int x, int y, int width, int height, uint32_t colour);

// Copies a width x height block; the areas may be the same memory and may overlap.
void copyPixels(const PixelArea& dest, int dx, int dy, const PixelArea& src, int sx, int sy, int width,
                int height);

// As copyPixels, but source pixels equal to `key` leave the destination as it is.
void copyPixelsKeyed(const PixelArea& dest, int dx, int dy, const PixelArea& src, int sx, int sy, int width,
                     int height, uint32_t key);

} // namespace plat
