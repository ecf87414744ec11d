// The lane steps the vector rows onto 32-bit pixels share (SSE2): 16-bit sources widened from the kind table, the fourth byte kept.
#pragma once

#include <cstdint>

#include "sprite/pelKinds.h"
#include "talvo/simd.h"

namespace pel::lanes {

#if TALVO_SIMD_X86

// Field F of each 16-bit lane moved to the top bits of byte Byte (0 or 1) of the lane, zeros
// elsewhere: the field widened as the formats' widen does, one shift and one mask.
template <PelField F, int Byte>
inline __m128i fieldAt(__m128i x)
{
    constexpr int top = 8 * Byte + 8;
    constexpr int shift = top - F.bits - F.shift;
    __m128i moved;
    if constexpr (shift >= 0)
        moved = _mm_slli_epi16(x, shift);
    else
        moved = _mm_srli_epi16(x, -shift);
    return _mm_and_si128(moved, _mm_set1_epi16(static_cast<short>(((1 << F.bits) - 1) << (top - F.bits))));
}

// Eight 16-bit words of layout L as 32-bit words B | G << 8 | R << 16, pixels 0 to 3 in lo and
// 4 to 7 in hi; the fourth byte is 0.
template <PelKindInfo L>
inline void widenWords(__m128i x, __m128i& lo, __m128i& hi)
{
    const __m128i bg = _mm_or_si128(fieldAt<L.b, 0>(x), fieldAt<L.g, 1>(x));
    const __m128i r = fieldAt<L.r, 0>(x);
    lo = _mm_unpacklo_epi16(bg, r);
    hi = _mm_unpackhi_epi16(bg, r);
}

// Four widened pixels of layout L from four words at s.
template <PelKindInfo L>
inline __m128i widenFour(const std::uint8_t* s)
{
    __m128i lo, hi;
    widenWords<L>(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(s)), lo, hi);
    return lo;
}

inline constexpr std::int32_t colourBytes = 0x00FFFFFF;

// Bytes B, G, R of each 32-bit pixel of out, its fourth byte from d: how the colour operators'
// rows leave a destination's fourth byte as it was, whatever the formula made of it (addsigned2x
// has no source value that leaves d alone). The blitter's blends need no mask: their factors and
// a cleared source byte keep it by the arithmetic (blit/blitLanes.h), a mask there cost up to a
// fifth of a row.
inline __m128i keepFourth(__m128i out, __m128i d)
{
    const __m128i colour = _mm_set1_epi32(colourBytes);
    return _mm_or_si128(_mm_and_si128(out, colour), _mm_andnot_si128(colour, d));
}

#endif

} // namespace pel::lanes
