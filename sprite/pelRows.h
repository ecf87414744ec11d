// The colour operators' rows onto 32-bit pixels, four pixels a step in 16-bit lanes (SSE2).
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "sprite/pelLanes.h"
#include "sprite/pelOps.h"
#include "talvo/simd.h"

namespace pel {

// A row's source pixels: 4 bytes for the 8-bit formats (A never read), 2 for the 16-bit words.
template <class Src>
inline constexpr std::ptrdiff_t rowStep = Src::bits.g == 8 ? 4 : 2;

namespace rows {

#if TALVO_SIMD_X86

// Channels B, G, R of d and s in 16-bit lanes, two pixels a register, 0 to 255 each; every formula's
// value before the saturating pack is the scalar one, which the pack clamps to 0..255 as the scalar
// min/max/clamp do. The products stay below 2^16, so the low 16 bits are the whole product.
template <class Mode>
inline __m128i formula(__m128i d, __m128i s)
{
    using namespace mode;
    if constexpr (std::is_same_v<Mode, modulate>)
        return _mm_srli_epi16(_mm_mullo_epi16(d, s), 8);
    else if constexpr (std::is_same_v<Mode, modulate2x>)
        return _mm_srli_epi16(_mm_mullo_epi16(d, s), 7);
    else if constexpr (std::is_same_v<Mode, modulate4x>)
        return _mm_srli_epi16(_mm_mullo_epi16(d, s), 6);
    else if constexpr (std::is_same_v<Mode, add>)
        return _mm_add_epi16(d, s);
    else if constexpr (std::is_same_v<Mode, addsigned>)
        return _mm_sub_epi16(_mm_add_epi16(d, s), _mm_set1_epi16(128));
    else if constexpr (std::is_same_v<Mode, addsigned2x>)
        return _mm_sub_epi16(_mm_slli_epi16(_mm_add_epi16(d, s), 1), _mm_set1_epi16(256));
    else if constexpr (std::is_same_v<Mode, subtract>)
        return _mm_sub_epi16(d, s);
    else
        return _mm_add_epi16(d, _mm_srli_epi16(_mm_mullo_epi16(s, _mm_sub_epi16(_mm_set1_epi16(256), d)), 8));
}

// Four source pixels as 16-bit lanes B, G, R, x: pixels 0 and 1 in lo, 2 and 3 in hi. The x lanes
// are whatever the source holds there; the store never takes them.
template <class Src>
inline void sourceLanes(const std::uint8_t* s, __m128i& lo, __m128i& hi)
{
    const __m128i z = _mm_setzero_si128();
    __m128i v;
    if constexpr (rowStep<Src> == 4)
        v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
    else
        v = lanes::widenFour<Src::info>(s);
    lo = _mm_unpacklo_epi8(v, z);
    hi = _mm_unpackhi_epi8(v, z);
}

template <class Mode, class Src>
inline void colourStep(std::uint8_t* d, const std::uint8_t* s)
{
    const __m128i dv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d)), z = _mm_setzero_si128();
    __m128i slo, shi;
    sourceLanes<Src>(s, slo, shi);
    const __m128i out = _mm_packus_epi16(formula<Mode>(_mm_unpacklo_epi8(dv, z), slo), formula<Mode>(_mm_unpackhi_epi8(dv, z), shi));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d), lanes::keepFourth(out, dv));
}

#endif

} // namespace rows

// The whole four-pixel steps of a row of n 32-bit pixels at dst: each takes the colour operator
// Mode with the source pixel beside it, as colour<Mode, Src, rgb888> does on the first three
// bytes, the fourth byte kept. Returns the pixels done, the rest left to the per-pixel path. For
// draws that take the vector rows: the caller has asked the switch (ctySimd.h).
template <class Mode, class Src>
inline int colourRow32([[maybe_unused]] std::uint8_t* dst, [[maybe_unused]] const std::uint8_t* src, [[maybe_unused]] int n)
{
    int i = 0;
#if TALVO_SIMD_X86
    for (; i + 4 <= n; i += 4) rows::colourStep<Mode, Src>(dst + std::ptrdiff_t{i} * 4, src + i * rowStep<Src>);
#endif
    return i;
}

} // namespace pel
