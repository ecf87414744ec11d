// Whole rows of the per-pixel operators onto 32-bit pixels, four pixels a step in 16-bit lanes (SSE2).
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "sprite/ctySimd.h"
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
inline __m128i lanes(__m128i d, __m128i s)
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

// One widened field of four 16-bit source words, as Src::widen: moved to the top of its byte.
template <PelField F>
inline __m128i widened(__m128i x)
{
    return _mm_slli_epi16(_mm_and_si128(_mm_srli_epi16(x, F.shift), _mm_set1_epi16(static_cast<short>((1 << F.bits) - 1))), 8 - F.bits);
}

// Four source pixels as 16-bit lanes B, G, R, x: pixels 0 and 1 in lo, 2 and 3 in hi. The x lanes
// are whatever the source holds there; the store below never takes them.
template <class Src>
inline void sourceLanes(const std::uint8_t* s, __m128i& lo, __m128i& hi)
{
    const __m128i z = _mm_setzero_si128();
    if constexpr (rowStep<Src> == 4) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
        lo = _mm_unpacklo_epi8(v, z);
        hi = _mm_unpackhi_epi8(v, z);
    } else {
        const __m128i x = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(s));
        const __m128i bg = _mm_unpacklo_epi16(widened<Src::B>(x), widened<Src::G>(x));
        const __m128i r = _mm_unpacklo_epi16(widened<Src::R>(x), z);
        lo = _mm_unpacklo_epi32(bg, r);
        hi = _mm_unpackhi_epi32(bg, r);
    }
}

// Four destination pixels from 16-bit lanes, each fourth byte as it was.
inline void storeKeepingFourth(std::uint8_t* d, __m128i dv, __m128i lo, __m128i hi)
{
    const __m128i colour = _mm_set1_epi32(0x00FFFFFF);
    const __m128i out = _mm_or_si128(_mm_and_si128(_mm_packus_epi16(lo, hi), colour), _mm_andnot_si128(colour, dv));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d), out);
}

template <class Mode, class Src>
inline void colourStep(std::uint8_t* d, const std::uint8_t* s)
{
    const __m128i dv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d)), z = _mm_setzero_si128();
    __m128i slo, shi;
    sourceLanes<Src>(s, slo, shi);
    storeKeepingFourth(d, dv, lanes<Mode>(_mm_unpacklo_epi8(dv, z), slo), lanes<Mode>(_mm_unpackhi_epi8(dv, z), shi));
}

// mix's low 8 bits depend on bits 8 to 15 of its two products only, so 16-bit products (the low
// halves of the exact ones) give them for any a; the mask keeps those 8 bits before the pack.
inline __m128i mixLanes(__m128i d, __m128i s, __m128i keep, __m128i take)
{
    const __m128i sum = _mm_add_epi16(_mm_srli_epi16(_mm_mullo_epi16(d, keep), 8), _mm_srli_epi16(_mm_mullo_epi16(s, take), 8));
    return _mm_and_si128(sum, _mm_set1_epi16(255));
}

template <class Src>
inline void alphaStep(std::uint8_t* d, const std::uint8_t* s, __m128i keep, __m128i take)
{
    const __m128i dv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d)), z = _mm_setzero_si128();
    __m128i slo, shi;
    sourceLanes<Src>(s, slo, shi);
    storeKeepingFourth(d, dv, mixLanes(_mm_unpacklo_epi8(dv, z), slo, keep, take),
                       mixLanes(_mm_unpackhi_epi8(dv, z), shi, keep, take));
}

#endif

// The row: vector steps while four pixels remain and the rows may take them, the pixel function
// for the rest (and for the whole row as the scalar twin).
template <class Src, class Step, class Pixel>
inline void row32(std::uint8_t* d, const std::uint8_t* s, int n, [[maybe_unused]] Step step, Pixel pixel)
{
    int i = 0;
#if TALVO_SIMD_X86
    if (ctySimdRowsOn())
        for (; i + 4 <= n; i += 4) step(d + std::ptrdiff_t{i} * 4, s + i * rowStep<Src>);
#endif
    for (; i < n; ++i) pixel(d + std::ptrdiff_t{i} * 4, s + i * rowStep<Src>);
}

} // namespace rows

// n 32-bit pixels at dst each take the colour operator Mode with the source pixel beside it, as
// colour<Mode, Src, rgb888> does on the first three bytes; the fourth byte stays as it is.
template <class Mode, class Src>
inline void colourRow32(std::uint8_t* dst, const std::uint8_t* src, int n)
{
    const auto pixel = [](std::uint8_t* d, const std::uint8_t* s) { colour<Mode, Src, fmt::rgb888>(d, s); };
#if TALVO_SIMD_X86
    rows::row32<Src>(dst, src, n, &rows::colourStep<Mode, Src>, pixel);
#else
    rows::row32<Src>(dst, src, n, nullptr, pixel);
#endif
}

// The constant-alpha blend of alpha<Src, rgb888> along a row of 32-bit pixels, any a.
template <class Src>
inline void alphaRow32(std::uint8_t* dst, const std::uint8_t* src, int n, int a)
{
    const auto pixel = [a](std::uint8_t* d, const std::uint8_t* s) { alpha<Src, fmt::rgb888>(d, s, a); };
#if TALVO_SIMD_X86
    const __m128i keep = _mm_set1_epi16(static_cast<short>(256u - static_cast<unsigned>(a)));
    const __m128i take = _mm_set1_epi16(static_cast<short>(a));
    rows::row32<Src>(dst, src, n, [keep, take](std::uint8_t* d, const std::uint8_t* s) { rows::alphaStep<Src>(d, s, keep, take); },
                     pixel);
#else
    rows::row32<Src>(dst, src, n, nullptr, pixel);
#endif
}

} // namespace pel
