// Constant-alpha rgb565 onto rgb565 eight pixels at a time, fields in 16-bit lanes (SSE2), bit for bit the per-pixel results.
#pragma once

#include <cstddef>
#include <cstdint>

#include "sprite/pelFormats.h"
#include "talvo/simd.h"

namespace blit::lanes565 {

#if TALVO_SIMD_X86

// The whole eight-pixel steps of a row; returns the pixels done, the rest left to the per-pixel
// path. Each field is df + (((sf - df) * a) >> 8) as pel::mixFields565 computes it: for a in
// 0..256 the product stays within a signed 16-bit lane and the arithmetic shift rounds toward
// minus infinity as the scalar one does, so the field stays between d and s.
inline int mixRow(std::uint8_t* d, const std::uint8_t* s, int w, int a)
{
    using F = pel::fmt::rgb565;
    const __m128i av = _mm_set1_epi16(static_cast<short>(a));
    const auto mix = [av](__m128i sf, __m128i df) { return _mm_add_epi16(df, _mm_srai_epi16(_mm_mullo_epi16(_mm_sub_epi16(sf, df), av), 8)); };
    // A field of each word, down to bit 0; the top field needs no mask.
    const auto field = [](__m128i x, PelField f) {
        const __m128i down = _mm_srli_epi16(x, f.shift);
        return f.shift + f.bits == 16 ? down : _mm_and_si128(down, _mm_set1_epi16(static_cast<short>((1 << f.bits) - 1)));
    };
    int i = 0;
    for (; i + 8 <= w; i += 8) {
        auto* out = reinterpret_cast<__m128i*>(d + 2 * std::ptrdiff_t{i});
        const __m128i sv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 2 * std::ptrdiff_t{i}));
        const __m128i dv = _mm_loadu_si128(out);
        const __m128i r = mix(field(sv, F::R), field(dv, F::R));
        const __m128i g = mix(field(sv, F::G), field(dv, F::G));
        const __m128i b = mix(field(sv, F::B), field(dv, F::B));
        _mm_storeu_si128(out, _mm_or_si128(_mm_or_si128(_mm_slli_epi16(r, F::R.shift), _mm_slli_epi16(g, F::G.shift)), _mm_slli_epi16(b, F::B.shift)));
    }
    return i;
}

#else

inline int mixRow(std::uint8_t*, const std::uint8_t*, int, int) { return 0; }

#endif

} // namespace blit::lanes565
