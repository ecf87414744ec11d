// Blends onto 32-bit pixels four at a time (SSE2) or eight (AVX2), channels in 16-bit lanes, bit for bit the per-pixel results.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "talvo/simd.h"

#include "sprite/blit/blitJob.h"
#include "sprite/blit/blitKeptApart.h"
#include "sprite/blit/blitTraits.h"
#include "sprite/pelLanes.h"

namespace blit::lanes {

// Per channel B, G, R, the fourth byte of d kept (by the factors below). Mix: (s * a + d *
// (256 - a)) >> 8, one shift (the kept-apart policy); Alpha: ((d * (256 - a)) >> 8) + ((s * a) >> 8);
// Premul: min(255, s + ((d * (256 - a)) >> 8)); Add: min(255, d + s).
enum class Op { Mix, Alpha, Premul, Add };

// The step of a draw in the Lanes row (blitLoop.h): the kept-apart policy's one-shift mix, or
// the template's blend, premultiplied alpha or add.
template <class S, class D, DrawKey K>
consteval Op opOf()
{
    if (K.op == DrawOp::Premul) return Op::Premul;
    if (K.op == DrawOp::Add) return Op::Add;
    return keptApart(S::group, D::group, K) ? Op::Mix : Op::Alpha;
}

#if TALVO_SIMD_X86

inline constexpr int chunk = 4;

template <class S>
inline constexpr bool sixteen = S::bytes == 2;

// Four source pixels as words B | G << 8 | R << 16, the fourth byte 0.
template <class S>
inline __m128i sourceWords(const std::uint8_t* s)
{
    if constexpr (S::group == Group::X8888) {
        return _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s)), _mm_set1_epi32(pel::lanes::colourBytes));
    } else if constexpr (sixteen<S>) {
        return pel::lanes::widenFour<S::layout>(s);
    } else {
        const auto word = [s](int i) { return static_cast<int>(bgrWord(S::widen(S::load(s + i * S::step)))); };
        return _mm_setr_epi32(word(0), word(1), word(2), word(3));
    }
}

// Factors of two pixels' 16-bit lanes: the source's a on B, G, R and 0 on the fourth byte; the
// destination's 256 - a there. So the blends keep the fourth byte by their arithmetic, and add and
// premultiplied alpha add the source's 0 there: no mask (pel::lanes::keepFourth) to pay.
struct Factors {
    __m128i s, d;
};

inline Factors factors(__m128i s) { return {s, _mm_sub_epi16(_mm_set1_epi16(256), s)}; }

inline Factors constantFactors(int a)
{
    const auto v = static_cast<short>(a);
    return factors(_mm_setr_epi16(v, v, v, 0, v, v, v, 0));
}

// The factors of pixels 0 and 1 (lo) and 2 and 3 (hi) from four alpha-map bytes.
inline void mapFactors(const std::uint8_t* m, Factors& lo, Factors& hi)
{
    std::int32_t bytes;
    std::memcpy(&bytes, m, 4);
    const __m128i colour = _mm_setr_epi16(-1, -1, -1, 0, -1, -1, -1, 0);
    __m128i v = _mm_unpacklo_epi8(_mm_cvtsi32_si128(bytes), _mm_setzero_si128());
    v = _mm_unpacklo_epi16(v, v);
    lo = factors(_mm_and_si128(_mm_unpacklo_epi32(v, v), colour));
    hi = factors(_mm_and_si128(_mm_unpackhi_epi32(v, v), colour));
}

// Four pixels at d blended with the source words sv. In 16-bit lanes every product and the
// one-shift sum stay below 2^16 for a in 0..256; a channel unpacked above a zero byte is c << 8,
// so its high product with f is (c * f) >> 8.
template <Op O>
inline void blend(std::uint8_t* d, __m128i sv, const Factors& lo, const Factors& hi)
{
    auto* dp = reinterpret_cast<__m128i*>(d);
    const __m128i dv = _mm_loadu_si128(dp), z = _mm_setzero_si128();
    __m128i out;
    if constexpr (O == Op::Add) {
        out = _mm_adds_epu8(dv, sv);
    } else if constexpr (O == Op::Mix) {
        const auto half = [](__m128i dh, __m128i sh, const Factors& f) {
            return _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(sh, f.s), _mm_mullo_epi16(dh, f.d)), 8);
        };
        out = _mm_packus_epi16(half(_mm_unpacklo_epi8(dv, z), _mm_unpacklo_epi8(sv, z), lo),
                               half(_mm_unpackhi_epi8(dv, z), _mm_unpackhi_epi8(sv, z), hi));
    } else {
        const auto half = [](__m128i dh, __m128i sh, const Factors& f) {
            const __m128i k = _mm_mulhi_epu16(dh, f.d);
            return O == Op::Alpha ? _mm_add_epi16(k, _mm_mulhi_epu16(sh, f.s)) : k;
        };
        out = _mm_packus_epi16(half(_mm_unpacklo_epi8(z, dv), _mm_unpacklo_epi8(z, sv), lo),
                               half(_mm_unpackhi_epi8(z, dv), _mm_unpackhi_epi8(z, sv), hi));
        if constexpr (O == Op::Premul) out = _mm_adds_epu8(out, sv);
    }
    _mm_storeu_si128(dp, out);
}

// The whole chunks of a row; returns the pixels done, the rest left to the per-pixel path.
// 16-bit sources widen eight pixels at once while eight remain.
template <Op O, class S, bool Map>
inline int row(std::uint8_t* d, const std::uint8_t* s, const std::uint8_t* map, int w, int alpha)
{
    Factors lo = constantFactors(alpha), hi = lo;
    const auto at = [&](int i, __m128i words) {
        if constexpr (Map) mapFactors(map + i, lo, hi);
        blend<O>(d + std::ptrdiff_t{i} * 4, words, lo, hi);
    };
    int i = 0;
    if constexpr (sixteen<S>)
        for (; i + 2 * chunk <= w; i += 2 * chunk) {
            __m128i first, second;
            pel::lanes::widenWords<S::layout>(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s + std::ptrdiff_t{i} * 2)), first, second);
            at(i, first);
            at(i + chunk, second);
        }
    for (; i + chunk <= w; i += chunk) at(i, sourceWords<S>(s + std::ptrdiff_t{i} * S::step));
    return i;
}

// Eight pixels a step in 16-bit lanes (AVX2): blend's arithmetic on twice the lanes, for the
// constant-factor blends of 32-bit pixels. Built for AVX2 whatever the file is built for, and
// called only where the processor has it (the avx2 level).
template <Op O>
[[gnu::always_inline]] TALVO_SIMD_AVX2 inline __m256i wideHalf(__m256i dh, __m256i sh, __m256i fs, __m256i fd)
{
    if constexpr (O == Op::Mix) return _mm256_srli_epi16(_mm256_add_epi16(_mm256_mullo_epi16(sh, fs), _mm256_mullo_epi16(dh, fd)), 8);
    const __m256i k = _mm256_mulhi_epu16(dh, fd);
    return O == Op::Alpha ? _mm256_add_epi16(k, _mm256_mulhi_epu16(sh, fs)) : k;
}

// The whole eight-pixel steps of h rows (strides in bytes); returns the pixels done in each row,
// the columns right of them left to the caller. On a cache line of its own start, so the step loop
// lies where the compiler put it whatever the linker does (across two lines, as a link once had it,
// a 64 x 64 add took 1.3 times as long; with the loop head on a line too, 1.1 times).
template <Op O>
[[gnu::aligned(64)]] TALVO_SIMD_AVX2 int wideRows(std::uint8_t* d, std::ptrdiff_t dStride, const std::uint8_t* s,
                                                  std::ptrdiff_t sStride, int w, int h, int alpha)
{
    const auto a = static_cast<short>(alpha), b = static_cast<short>(256 - alpha);
    const __m256i fs = _mm256_setr_epi16(a, a, a, 0, a, a, a, 0, a, a, a, 0, a, a, a, 0);
    const __m256i fd = _mm256_setr_epi16(b, b, b, 256, b, b, b, 256, b, b, b, 256, b, b, b, 256);
    const __m256i z = _mm256_setzero_si256(), colour = _mm256_set1_epi32(pel::lanes::colourBytes);
    const int steps = w / 8;
    for (int j = 0; j < h; ++j, d += dStride, s += sStride) {
        for (int k = 0; k < steps; ++k) {
            auto* dp = reinterpret_cast<__m256i*>(d + std::ptrdiff_t{k} * 32);
            const __m256i dv = _mm256_loadu_si256(dp);
            const __m256i sv = _mm256_and_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + std::ptrdiff_t{k} * 32)), colour);
            __m256i out;
            if constexpr (O == Op::Add) {
                out = _mm256_adds_epu8(dv, sv);
            } else if constexpr (O == Op::Mix) {
                out = _mm256_packus_epi16(wideHalf<O>(_mm256_unpacklo_epi8(dv, z), _mm256_unpacklo_epi8(sv, z), fs, fd),
                                          wideHalf<O>(_mm256_unpackhi_epi8(dv, z), _mm256_unpackhi_epi8(sv, z), fs, fd));
            } else {
                out = _mm256_packus_epi16(wideHalf<O>(_mm256_unpacklo_epi8(z, dv), _mm256_unpacklo_epi8(z, sv), fs, fd),
                                          wideHalf<O>(_mm256_unpackhi_epi8(z, dv), _mm256_unpackhi_epi8(z, sv), fs, fd));
                if constexpr (O == Op::Premul) out = _mm256_adds_epu8(out, sv);
            }
            _mm256_storeu_si256(dp, out);
        }
    }
    return steps * 8;
}

#else

template <Op O, class S, bool Map>
inline int row(std::uint8_t*, const std::uint8_t*, const std::uint8_t*, int, int)
{
    return 0;
}

template <Op O>
inline int wideRows(std::uint8_t*, std::ptrdiff_t, const std::uint8_t*, std::ptrdiff_t, int, int, int)
{
    return 0;
}

#endif

} // namespace blit::lanes
