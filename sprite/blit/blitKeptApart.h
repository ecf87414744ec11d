// The kept-apart blend policy: constant alpha, alpha map, modulate2x and subtract of the
// same-width pairs (32-bit and rgb565 onto themselves, palettized onto both) with their own rounding.
#pragma once

#include <cstdint>

#include "sprite/pelOps.h"
#include "sprite/drawKey.h"
#include "sprite/blit/blitTraits.h"

namespace blit {

// The draws of a (source group, destination group) pair that this policy serves; a palettized
// source counts as the group of its entries, the destination's.
[[nodiscard]] constexpr bool keptApart(Group src, Group dst, DrawKey key)
{
    const bool blend = key.op == DrawOp::Alpha || key.op == DrawOp::AlphaMap || key.op == DrawOp::Subtract;
    if (src == Group::Rgb565 && dst == Group::Rgb565) return blend;
    if (src == Group::X8888 && dst == Group::X8888) return blend || key.op == DrawOp::Modulate2x;
    return false;
}

// Onto bytes B, G, R of a 32-bit pixel; s is 4 bytes B, G, R, A. One shift after both products.
// Two channels per 32-bit product: for a in 0..256 each sum stays below 2^16, inside its lane.
inline void keptApartAlpha32(std::uint8_t* d, const std::uint8_t* s, int a)
{
    const std::uint32_t dw = load32(d), sw = load32(s), ua = static_cast<std::uint32_t>(a), ud = 256 - ua;
    const std::uint32_t rb = ((sw & 0xFF00FFu) * ua + (dw & 0xFF00FFu) * ud) >> 8 & 0xFF00FFu;
    const std::uint32_t g = ((sw & 0xFF00u) * ua + (dw & 0xFF00u) * ud) >> 8 & 0xFF00u;
    store32(d, rb | g | (dw & 0xFF000000u));
}

// Modulate2x and Subtract onto bytes B, G, R of a 32-bit pixel.
template <DrawOp Op>
inline void keptApartColour32(std::uint8_t* d, const std::uint8_t* s)
{
    for (int i = 0; i < 3; ++i) {
        const int v = Op == DrawOp::Modulate2x ? (d[i] * s[i]) >> 7 : d[i] - s[i];
        d[i] = static_cast<std::uint8_t>(v > 255 ? 255 : v < 0 ? 0 : v);
    }
}

// Field by field on the rgb565 words, without widening; the shift of a negative product
// rounds toward minus infinity, so each field stays between d and s.
inline void keptApartAlpha565(std::uint8_t* d, const std::uint8_t* s, int a)
{
    const unsigned dw = pel::loadWord(d), sw = pel::loadWord(s);
    const auto field = [a, dw, sw](PelField f) {
        const int df = f.get(dw), sf = f.get(sw);
        return static_cast<unsigned>(df + (((sf - df) * a) >> 8)) << f.shift;
    };
    using F = pel::fmt::rgb565;
    pel::storeWord(d, field(F::R) | field(F::G) | field(F::B));
}

template <class D, DrawKey K>
inline void keptApartPixel(std::uint8_t* d, const std::uint8_t* s, int a)
{
    constexpr bool onto32 = D::group == Group::X8888;
    if constexpr (K.op == DrawOp::Alpha || K.op == DrawOp::AlphaMap)
        onto32 ? keptApartAlpha32(d, s, a) : keptApartAlpha565(d, s, a);
    else if constexpr (onto32)
        keptApartColour32<K.op>(d, s);
    else
        pel_subtract_rgb565_to_rgb565(d, s);
}

} // namespace blit
