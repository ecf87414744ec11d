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

// The 48 slots of a block. k = 0 to 7 stands for draw modes 4 to 11.
enum class BlitKind : std::uint8_t { StretchCopy, StretchAlpha, StretchAdd, Copy, Alpha, Premul, AlphaMap, Colour };

struct BlitSlot {
    BlitKind kind;
    bool keyed;
    bool depth;
    int op;  // Colour: 0 modulate ... 7 addsmooth
    [[nodiscard]] constexpr bool stretch() const { return kind <= BlitKind::StretchAdd; }
};

inline constexpr int blitSlotCount = 48;

[[nodiscard]] constexpr BlitSlot blitSlotOf(int slot)
{
    const bool keyed = slot % 2 == 0;
    if (slot < 6) return {static_cast<BlitKind>(slot / 2), keyed, false, 0};
    if (slot < 10) return {BlitKind::Copy, keyed, slot >= 8, 0};
    if (slot < 16) return {static_cast<BlitKind>(static_cast<int>(BlitKind::Alpha) + (slot - 10) / 2), keyed, false, 0};
    const int r = (slot - 16) % 4;
    return {BlitKind::Colour, r == 0 || r == 2, r >= 2, (slot - 16) / 4};
}
