// One opacity byte per pixel of a Surface, made from the grey levels of a mask picture
// (SurfaceAlphaMask.cpp makes and fills it).
#pragma once

#include "framework/Rect.h"

#include <cstdint>
#include <vector>

class Surface;

class AlphaMask {
public:
    AlphaMask() = default;
    virtual ~AlphaMask() = default;
    AlphaMask(const AlphaMask&) = delete;
    AlphaMask& operator=(const AlphaMask&) = delete;

    // Sizes the buffer for the source (width x height opacities, all 0) and remembers it as
    // the picture fillFromSurface reads. A null source, or one without pixels or
    // beyond the picture bound (whatever size it claims), leaves no buffer.
    void allocate(Surface* source);
    // Fills the rectangle's opacities from the source's pixels, by the display depth: 16 bits
    // average the channels widened to 0..255, 8 bits the palette entry's bytes; other depths
    // leave them 0. Positions outside the buffer or the source are skipped.
    // 0, 31 without a buffer, 7 when the source cannot be locked.
    int fillFromSurface(const Rect& rect);

    // The opacity at a position; 0 outside the buffer.
    [[nodiscard]] uint8_t at(int32_t column, int32_t row) const
    {
        if (column < 0 || row < 0 || column >= width || row >= height)
            return 0;
        return alpha[static_cast<std::size_t>(row) * static_cast<std::size_t>(width) +
                     static_cast<std::size_t>(column)];
    }

    std::vector<uint8_t> alpha; // row-major, `width` per row
    Surface* source = nullptr;  // not owned
    int32_t width = 0;          // the buffer's own size, so it is never read beyond it
    int32_t height = 0;
};
