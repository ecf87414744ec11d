// The kept-apart blend policy: constant alpha, alpha map, modulate2x and subtract of the
// same-width pairs (32-bit and rgb565 onto themselves, palettized onto both) with their own rounding.
#pragma once

#include <cstdint>
#include <type_traits>

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

// The policy's pixel: constant alpha and alpha map as the source's group keeps it onto itself
// (pel::sameAlpha), modulate2x and subtract onto 32-bit pixels as the operators on bytes B, G, R,
// subtract onto rgb565 by its operator.
template <class D, DrawKey K>
inline void keptApartPixel(std::uint8_t* d, const std::uint8_t* s, int a)
{
    if constexpr (K.op == DrawOp::Alpha || K.op == DrawOp::AlphaMap)
        pel::sameAlpha<D::group>(d, s, a);
    else if constexpr (D::group == Group::X8888)
        pel::colour<std::conditional_t<K.op == DrawOp::Modulate2x, pel::mode::modulate2x, pel::mode::subtract>, pel::fmt::rgb888,
                    pel::fmt::rgb888>(d, s);
    else
        pel_subtract_rgb565_to_rgb565(d, s);
}

} // namespace blit
