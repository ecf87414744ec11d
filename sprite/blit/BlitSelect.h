// Loop selection: format groups, the slot table, the table of 48-cell blocks per group pair, keys;
// the palettized route and the index copy.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "sprite/blit/BlitJob.h"
#include "sprite/drawKey.h"
#include "sprite/blit/BlitTraits.h"

using BlitBlock = std::array<BlitFn*, drawSlotCount>;
using BlitRow = std::array<BlitBlock, blit::groupCount>;  // by destination group

// A cell that draws nothing, written out where the table says so.
inline constexpr BlitFn* blitNothing = nullptr;

// The name of the loop of (source group, destination group, slot) in the naming scheme, e.g.
// "blit_copy_rgb565_to_rgb888".
[[nodiscard]] std::string blitLoopName(int srcGroup, int dstGroup, int slot);

// Group number of a palettized source (or an index destination) in loop names.
inline constexpr int blitPal8Group = blit::groupCount;

// The rows each source family supplies (constant-initialised).
extern const BlitRow blitFromRgb888;
extern const BlitRow blitFromX8888;
extern const BlitRow blitFromRgb565;
extern const BlitRow blitFromRgbx5551;
extern const BlitRow blitFromRgba5551;
extern const BlitRow blitFromPal8;
// The index-to-index copies, any mode: plain and scaled.
extern BlitFn* const blitIndexCopy;
extern BlitFn* const blitIndexStretchCopy;

// The selection itself is inline: it runs on every draw.

// The colour group of a kind number (0 rgb888 to 4 rgba5551, as PelGroup); -1 for the others.
[[nodiscard]] inline int blitGroupOf(int kind) noexcept
{
    // The kind table's groups packed into one constant, four bits a kind: no data cache line on
    // every draw.
    constexpr std::uint64_t groups = [] {
        std::uint64_t bits = 0;
        for (int k = 0; k < pelKindCount; ++k) bits |= std::uint64_t{static_cast<std::uint8_t>(pelKinds[k].group)} << (4 * k);
        return bits;
    }();
    if (kind < 0 || kind >= pelKindCount) return -1;
    const int group = static_cast<int>(groups >> (4 * kind) & 0xF);
    return group < pelColourGroupCount ? group : -1;
}

[[nodiscard]] inline bool blitInTable(int group, int slot) noexcept
{
    return group >= 0 && group < blit::groupCount && slot >= 0 && slot < drawSlotCount;
}

// The loop of (source group, destination group, slot); null for the cells that draw nothing.
[[nodiscard]] inline BlitFn* blitCell(int srcGroup, int dstGroup, int slot) noexcept
{
    // Rows by source group.
    static constexpr const BlitRow* rows[blit::groupCount] = {&blitFromRgb888, &blitFromX8888, &blitFromRgb565,
                                                              &blitFromRgbx5551, &blitFromRgba5551};
    if (srcGroup < 0 || srcGroup >= blit::groupCount || !blitInTable(dstGroup, slot)) return blitNothing;
    return (*rows[srcGroup])[static_cast<std::size_t>(dstGroup)][static_cast<std::size_t>(slot)];
}

// The loop of a palettized source onto a destination group.
[[nodiscard]] inline BlitFn* blitPalCell(int dstGroup, int slot) noexcept
{
    return blitInTable(dstGroup, slot) ? blitFromPal8[static_cast<std::size_t>(dstGroup)][static_cast<std::size_t>(slot)] : blitNothing;
}
