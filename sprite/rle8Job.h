// What one sprite member is handed: the coded rows, the clipped rectangle, the destination, table, key, alpha, depth and steps.
#pragma once

#include <cstdint>

// One clipped draw: rows sy .. sy + h - 1 of the table, pixels sx .. sx + w - 1 of each coded row
// (both inside the bounds; stretch: destination coordinates whose samples lie inside them).
struct Rle8Job {
    const std::uint8_t* const* rows = nullptr;
    std::int64_t sx = 0, sy = 0;
    int w = 0, h = 0;
    std::uint8_t* dst = nullptr;  // first destination pixel of the first row: its left end, or
                                  // its right end when mirrored
    std::int64_t dstPitch = 0;    // bytes
    const std::uint8_t* table = nullptr;  // converted palette
    std::uint32_t key = 0;                // in the destination's form
    int alpha = 0;                        // 0..256
    std::int32_t* srcDepth = nullptr;
    std::int32_t* dstDepth = nullptr;
    std::int64_t srcDepthPitch = 0, dstDepthPitch = 0;  // pixels
    std::uint32_t stepX = 0, stepY = 0;                 // 16.16
};

using Rle8Fn = void(const Rle8Job&);
