// Multi-pixel steps of the hottest mixes (onto Rgbx8888, Rgb565), in 16-bit lanes that baseline x86-64 multiplies.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

#include "img/scale_tables.h"
#include "talvo/simd.h"

#if TALVO_SIMD_X86

namespace talvo::g {

// g++ and clang vector type of eight 16-bit lanes: the auto-vectoriser turns the scalar mixes' field
// gathers into long shuffle chains.
using U16x8 = std::uint16_t __attribute__((vector_size(16)));

namespace bytemix {

// The two-product mix per lane (twoProduct), weights up to 256: each product fits 16 bits. Weight 0
// keeps d, weight 256 gives s.
[[nodiscard]] inline U16x8 twoProduct(U16x8 d, U16x8 s, U16x8 w) noexcept {
    return ((d * (256 - w)) >> 8) + ((s * w) >> 8);
}

// The two-product mix of every byte of four 32-bit pixels, in the even and the odd bytes' 16-bit lanes:
// wEven and wOdd are the lanes' weights (up to 256). A value in a lane's high byte times a weight, high
// half kept (pmulhuw), is the product shifted right by 8 exactly: no shifts after the multiplies.
[[nodiscard]] inline __m128i twoProductBytes(__m128i d, __m128i s, __m128i wEven, __m128i wOdd) noexcept {
    const __m128i high = _mm_set1_epi16(static_cast<short>(0xFF00));
    const __m128i whole = _mm_set1_epi16(256);
    const __m128i even = _mm_add_epi16(_mm_mulhi_epu16(_mm_slli_epi16(d, 8), _mm_sub_epi16(whole, wEven)),
                                       _mm_mulhi_epu16(_mm_slli_epi16(s, 8), wEven));
    const __m128i odd = _mm_add_epi16(_mm_mulhi_epu16(_mm_and_si128(d, high), _mm_sub_epi16(whole, wOdd)),
                                      _mm_mulhi_epu16(_mm_and_si128(s, high), wOdd));
    return _mm_or_si128(even, _mm_slli_epi16(odd, 8));
}

[[nodiscard]] inline __m128i loadPixels(const std::uint8_t* p) noexcept {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}
inline void storePixels(std::uint8_t* p, __m128i v) noexcept { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }

}  // namespace bytemix

// Four Rgba8888 pixels alpha-drawn onto four Rgbx8888 pixels, as blendPixelAlpha. Even bytes are blue and
// red, odd ones green and x: the x byte's weight is 0 (kept), and alpha 255 copies the whole word, as
// weight 256 in every lane.
inline void drawRgbxFromRgba4(std::uint8_t* d, const std::uint8_t* s) noexcept {
    const __m128i sv = bytemix::loadPixels(s);
    const __m128i a = _mm_srli_epi32(sv, 24);
    const __m128i full = _mm_cmpeq_epi32(a, _mm_set1_epi32(255));
    const __m128i wOdd = _mm_add_epi32(a, _mm_and_si128(full, _mm_set1_epi32(0x01000001)));
    const __m128i wEven = _mm_or_si128(wOdd, _mm_slli_epi32(wOdd, 16));
    bytemix::storePixels(d, bytemix::twoProductBytes(bytemix::loadPixels(d), sv, wEven, wOdd));
}

// Four Rgbx8888 pixels mixed at constant alpha k onto four Rgbx8888 pixels (the twoProduct rule, x kept).
inline void alphaKRgbx4(std::uint8_t* d, const std::uint8_t* s, std::uint32_t k) noexcept {
    const __m128i wEven = _mm_set1_epi16(static_cast<short>(k));
    const __m128i wOdd = _mm_set1_epi32(static_cast<int>(k));
    bytemix::storePixels(d, bytemix::twoProductBytes(bytemix::loadPixels(d), bytemix::loadPixels(s), wEven, wOdd));
}

// A byte field scaled to M bits in each lane, by the arithmetic its scale table is proven equal to.
template <unsigned M>
[[nodiscard]] inline U16x8 scaleBytes(U16x8 v) noexcept {
    constexpr ScaleArithmetic a = scaleArithmetic<8, M>;
    static_assert(a.found && 255 * a.mul + a.add <= 0xFFFFu);
    return (v * static_cast<std::uint16_t>(a.mul) + static_cast<std::uint16_t>(a.add)) >> a.shift;
}

// Eight Rgb565 pixels mixed with the Rgb565 conversions of eight pixels' byte channels at weights w
// (up to 256), one pixel a lane.
[[nodiscard]] inline U16x8 mixRgb565(U16x8 dv, U16x8 r, U16x8 g, U16x8 b, U16x8 w) noexcept {
    const U16x8 rm = bytemix::twoProduct(dv >> 11, scaleBytes<5>(r), w);
    const U16x8 gm = bytemix::twoProduct((dv >> 5) & 0x3F, scaleBytes<6>(g), w);
    const U16x8 bm = bytemix::twoProduct(dv & 0x1F, scaleBytes<5>(b), w);
    return (rm << 11) | (gm << 5) | bm;
}

// Eight Rgba8888 pixels alpha-drawn onto eight Rgb565 pixels, as blendPixelAlpha: the source converted to
// Rgb565 fields and mixed by alpha, or at alpha 255 copied, as weight 256.
inline void drawRgb565FromRgba8(std::uint8_t* d, const std::uint8_t* s) noexcept {
    U16x8 lo, hi, dv;
    std::memcpy(&lo, s, sizeof lo);
    std::memcpy(&hi, s + sizeof lo, sizeof hi);
    std::memcpy(&dv, d, sizeof dv);
    const U16x8 gb = __builtin_shufflevector(lo, hi, 0, 2, 4, 6, 8, 10, 12, 14);
    const U16x8 ar = __builtin_shufflevector(lo, hi, 1, 3, 5, 7, 9, 11, 13, 15);
    const U16x8 a = ar >> 8;
    const U16x8 w = a - __builtin_convertvector(a == 255, U16x8);  // true lanes are all ones
    const U16x8 out = mixRgb565(dv, ar & 0xFF, gb >> 8, gb & 0xFF, w);
    std::memcpy(d, &out, sizeof out);
}

namespace bytemix {

// Four 3-byte pixels (the 12 bytes at p, and no more, read) as 32-bit lanes with a zero top byte: the
// 8-byte reads at p and at p + 4 (moved down two bytes) hold two pixels each, the second of which moves
// up a byte.
[[nodiscard]] inline __m128i fourRgb888(const std::uint8_t* p) noexcept {
    const __m128i pairs = _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)),
                                             _mm_srli_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p + 4)), 16));
    return _mm_or_si128(_mm_and_si128(pairs, _mm_set1_epi64x(0xFFFFFF)),
                        _mm_and_si128(_mm_slli_epi64(pairs, 8), _mm_set1_epi64x(0xFFFFFF00000000)));
}

}  // namespace bytemix

// Eight Rgb888 pixels mixed at weight w onto eight Rgb565 pixels, as blendPixelK (w = K, or 256
// for K = 255, which gives the converted source exactly).
inline void alphaKRgb565FromRgb888x8(std::uint8_t* d, const std::uint8_t* s, U16x8 w) noexcept {
    const __m128i lo = bytemix::fourRgb888(s);
    const __m128i hi = bytemix::fourRgb888(s + 12);
    // Low words (blue, green) sign-extended, so the saturating pack keeps them; high words (red) are bytes.
    const U16x8 bg = std::bit_cast<U16x8>(
        _mm_packs_epi32(_mm_srai_epi32(_mm_slli_epi32(lo, 16), 16), _mm_srai_epi32(_mm_slli_epi32(hi, 16), 16)));
    const U16x8 r = std::bit_cast<U16x8>(_mm_packs_epi32(_mm_srli_epi32(lo, 16), _mm_srli_epi32(hi, 16)));
    U16x8 dv;
    std::memcpy(&dv, d, sizeof dv);
    const U16x8 out = mixRgb565(dv, r, bg >> 8, bg & 0xFF, w);
    std::memcpy(d, &out, sizeof out);
}

}  // namespace talvo::g

#endif  // TALVO_SIMD_X86
