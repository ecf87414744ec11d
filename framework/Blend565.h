// Exact 5-6-5 rows of the fades, the alpha-masked blit and the glyphs: fixed-size blocks that the
// compiler vectorises for baseline x86-64, giving the same bytes as the plain rows of Blend.h.
#pragma once

#include "framework/Blend.h"

#include <cstddef>
#include <cstdint>
#include <optional>

namespace blend {

inline constexpr Channels16 rgb565 = channels16(0xF800, 0x07E0, 0x001F);

[[nodiscard]] constexpr bool is565(const Channels16& c) { return c.mask == rgb565.mask; }

// As blendedRow16 over 5-6-5 channels.
void blendedRow565(uint8_t* dst, const uint8_t* src, int n, uint16_t colour, int32_t level,
                   std::optional<uint16_t> key);

// As glyphRow16 over 5-6-5 channels.
void glyphRow565(uint8_t* dst, const uint8_t* alpha, int n, uint16_t colour);
// glyphRow565 over `height` rows.
void glyph565(uint8_t* dst, std::ptrdiff_t dstPitch, const uint8_t* alpha, std::ptrdiff_t alphaPitch, int width,
              int height, uint16_t colour);

// As maskedRow over Format16 with 5-6-5 channels.
void maskedRow565(uint8_t* dst, const uint8_t* src, const uint8_t* alpha, int n);

} // namespace blend
