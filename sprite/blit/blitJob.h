// What one blit loop is handed: locked image views, the clipped rectangle, steps, alpha and key.
#pragma once

#include <cstddef>
#include <cstdint>

// A locked image as a loop sees it: the first pixel of the locked area and the pitch in pixels.
struct BlitView {
    std::uint8_t* pels;
    std::int32_t pitch;
};

// Filled whole by blitPlan: no member initialisers, so a draw does not clear it first.
struct BlitJob {
    BlitView src, dst, alphaMap, srcDepth, dstDepth;
    // Unscaled loops read only the size (every view already starts at the first pixel); the
    // stretch loops also read x and y, in destination units, where sampling starts.
    std::int32_t x, y, width, height;
    std::uint32_t stepX, stepY;  // 16.16 source pixels per destination pixel
    std::int32_t alpha;          // 0 to 256
    std::uint32_t key;           // in the source's form, low bits first
    const std::uint8_t* table;   // a palettized source's entries, in the destination's form
};

using BlitFn = void(const BlitJob& job);
