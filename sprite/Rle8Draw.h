// Drawing coded sprite rows onto locked destinations: the job, the selection, the slot numbers.
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

// Slots: 0-3 copy (plain, keyed, depth, keyed depth), 4-5 constant alpha (plain, keyed),
// 6 + 4 * (mode - 4) + ... for the operators of modes 4 to 11, 38 stretch.
inline constexpr int rle8SlotCount = 39;
// The slot of a request, or -1 for modes that draw nothing for sprites.
[[nodiscard]] int rle8SlotFor(std::uint32_t mode, bool keyed, bool depth) noexcept;
[[nodiscard]] constexpr bool rle8SlotDepth(int slot) noexcept
{
    return slot == 2 || slot == 3 || (slot >= 6 && slot < 38 && (slot - 6) % 4 >= 2);
}
// The member for a destination kind, slot and direction; null where nothing is drawn (kinds
// outside 1..6, depth slots mirrored).
[[nodiscard]] Rle8Fn* rle8Member(int kind, int slot, bool mirror) noexcept;
// The group of a destination kind: 0 rgb888, 1 32-bit, 2 rgb565, 3 x5551 (kinds 1 to 6); -1 else.
[[nodiscard]] int rle8GroupOf(int kind) noexcept;
// The key colour bytes B, G, R, A in the form a destination kind compares.
[[nodiscard]] std::uint32_t rle8KeyFor(int kind, const std::uint8_t* rgba) noexcept;
