// Loop selection: format groups, the slot table, the table of 48-cell blocks per group pair, keys;
// the palettized route and the index copy.
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

// The loop of a palettized source onto a destination group, and its key from the key colour
// bytes B, G, R, A in the destination's form.
[[nodiscard]] BlitFn* blitPalCell(int dstGroup, int slot) noexcept;
[[nodiscard]] std::uint32_t blitPalKeyOf(int dstGroup, const std::uint8_t* rgba) noexcept;

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
