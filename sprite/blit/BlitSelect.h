// Loop selection: format groups, the slot table, the table of 48-cell blocks per group pair, keys.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "sprite/blit/BlitJob.h"
#include "sprite/blit/BlitTraits.h"

using BlitBlock = std::array<BlitFn*, blitSlotCount>;
using BlitRow = std::array<BlitBlock, blit::groupCount>;  // by destination group

// A cell that draws nothing, written out where the table says so.
inline constexpr BlitFn* blitNothing = nullptr;

// The group of a PelFmtId (1 rgb888, 2 and 3 32-bit, 4 rgb565, 5 rgbx5551, 6 rgba5551); -1 else.
[[nodiscard]] int blitGroupOf(int kind) noexcept;
// The slot of a request, or -1 when it draws nothing. mode is compared unsigned.
[[nodiscard]] int blitSlotFor(std::uint32_t mode, bool scaled, bool keyed, bool depth) noexcept;
// The loop of (source group, destination group, slot); null for the cells that draw nothing.
[[nodiscard]] BlitFn* blitCell(int srcGroup, int dstGroup, int slot) noexcept;
// The name of that loop in the naming scheme, e.g. "blit_copy_rgb565_to_rgb888".
[[nodiscard]] std::string blitLoopName(int srcGroup, int dstGroup, int slot);
// The key of a source group, formed from key colour bytes B, G, R, A.
[[nodiscard]] std::uint32_t blitKeyOf(int srcGroup, const std::uint8_t* rgba) noexcept;

// Slots of the two same-width pairs that the kept-apart blend loops serve, not the template.
[[nodiscard]] constexpr bool blitKeptApart(blit::Group src, blit::Group dst, int slot)
{
    const bool blend = slot == 2 || slot == 3 || slot == 10 || slot == 11 || slot == 14 || slot == 15 ||
                       (slot >= 40 && slot <= 43);
    if (src == blit::Group::Rgb565 && dst == blit::Group::Rgb565) return blend;
    if (src == blit::Group::X8888 && dst == blit::Group::X8888) return blend || (slot >= 20 && slot <= 23);
    return false;
}

// The rows each source family supplies (constant-initialised).
extern const BlitRow blitFromRgb565;
extern const BlitRow blitFromRgbx5551;
extern const BlitRow blitFromRgba5551;
