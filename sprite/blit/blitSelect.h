// Loop selection: the table of 48-cell blocks per (source, destination) group pair, the palettized route and the index copies.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "sprite/blit/blitJob.h"
#include "sprite/blit/blitTable.h"
#include "sprite/blit/blitTraits.h"
#include "sprite/drawKey.h"

using BlitBlock = std::array<BlitFn*, drawSlotCount>;
using BlitRow = std::array<BlitBlock, blit::groupCount>;  // by destination group

// Group number of a palettized source (or an index destination) in loop names, and its row.
inline constexpr int blitPal8Group = blit::groupCount;

// The selection table (blitTable.h): rows by source group, then the palettized row; each cell
// points at its loop, null where nothing is drawn.
extern const std::array<BlitRow, blit::groupCount + 1> blitTable;

// The name of (source group, destination group, slot) in the naming scheme, e.g.
// "blit_copy_rgb565_to_rgb888"; a cell another pair's loop serves runs that loop.
[[nodiscard]] std::string blitLoopName(int srcGroup, int dstGroup, int slot);

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
    if (srcGroup < 0 || srcGroup >= blit::groupCount || !blitInTable(dstGroup, slot)) return nullptr;
    return blitTable[static_cast<std::size_t>(srcGroup)][static_cast<std::size_t>(dstGroup)][static_cast<std::size_t>(slot)];
}

// The loop of a palettized source onto a destination group.
[[nodiscard]] inline BlitFn* blitPalCell(int dstGroup, int slot) noexcept
{
    return blitInTable(dstGroup, slot) ? blitTable[blitPal8Group][static_cast<std::size_t>(dstGroup)][static_cast<std::size_t>(slot)] : nullptr;
}
