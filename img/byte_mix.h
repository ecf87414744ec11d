// Multi-pixel steps of the hottest mixes (onto Rgbx8888, Rgb565), in 16-bit lanes that baseline x86-64 multiplies.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

#include "img/scale_tables.h"

namespace talvo::g {

// g++ and clang vector types: the auto-vectoriser turns the scalar mixes' byte gathers into long
// shuffle chains, while these widen four pixels with two unpacks and narrow them with one pack.
using U8x16 = std::uint8_t __attribute__((vector_size(16)));
using U16x8 = std::uint16_t __attribute__((vector_size(16)));

namespace bytemix {

[[nodiscard]] inline U8x16 load16(const std::uint8_t* p) noexcept {
    U8x16 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// Byte lanes interleaved with zeros, and back: single unpack and pack instructions.
[[nodiscard]] inline U16x8 widenLow(U8x16 v) noexcept {
    return std::bit_cast<U16x8>(__builtin_shufflevector(v, U8x16{}, 0, 16, 1, 17, 2, 18, 3, 19, 4, 20, 5, 21, 6, 22, 7, 23));
}
[[nodiscard]] inline U16x8 widenHigh(U8x16 v) noexcept {
    return std::bit_cast<U16x8>(
        __builtin_shufflevector(v, U8x16{}, 8, 24, 9, 25, 10, 26, 11, 27, 12, 28, 13, 29, 14, 30, 15, 31));
}

// Lanes are at most 255 here.
inline void narrowStore(std::uint8_t* p, U16x8 lo, U16x8 hi) noexcept {
    const U8x16 v = __builtin_shufflevector(std::bit_cast<U8x16>(lo), std::bit_cast<U8x16>(hi), 0, 2, 4, 6, 8, 10, 12,
                                            14, 16, 18, 20, 22, 24, 26, 28, 30);
    std::memcpy(p, &v, sizeof v);
}

// The two-product mix per lane (twoProduct), weights up to 256: each product fits 16 bits. Weight 0
// keeps d, weight 256 gives s.
[[nodiscard]] inline U16x8 twoProduct(U16x8 d, U16x8 s, U16x8 w) noexcept {
    return ((d * (256 - w)) >> 8) + ((s * w) >> 8);
}

// Two pixels' x bytes are lanes 3 and 7.
inline constexpr U16x8 colourLanes = {0xFFFF, 0xFFFF, 0xFFFF, 0, 0xFFFF, 0xFFFF, 0xFFFF, 0};

// Two Rgba8888 pixels drawn onto Rgbx8888 lanes: colour mixed by alpha and the x byte kept, or at alpha
// 255 the whole word copied, as weight 256 in every lane.
[[nodiscard]] inline U16x8 drawTwo(U16x8 d, U16x8 s) noexcept {
    constexpr U16x8 fullStep = {1, 1, 1, 256, 1, 1, 1, 256};
    const U16x8 a = __builtin_shufflevector(s, s, 3, 3, 3, 3, 7, 7, 7, 7);
    const U16x8 full = __builtin_convertvector(a == 255, U16x8);
    return twoProduct(d, s, (a & colourLanes) + (full & fullStep));
}

}  // namespace bytemix

// Four Rgba8888 pixels alpha-drawn onto four Rgbx8888 pixels (drawPixel<2, 3>).
inline void drawRgbxFromRgba4(std::uint8_t* d, const std::uint8_t* s) noexcept {
    const U8x16 dv = bytemix::load16(d);
    const U8x16 sv = bytemix::load16(s);
    bytemix::narrowStore(d, bytemix::drawTwo(bytemix::widenLow(dv), bytemix::widenLow(sv)),
                         bytemix::drawTwo(bytemix::widenHigh(dv), bytemix::widenHigh(sv)));
}

// Four Rgbx8888 pixels mixed at constant alpha k onto four Rgbx8888 pixels (the twoProduct rule).
inline void alphaKRgbx4(std::uint8_t* d, const std::uint8_t* s, std::uint32_t k) noexcept {
    const U8x16 dv = bytemix::load16(d);
    const U8x16 sv = bytemix::load16(s);
    const U16x8 w = (U16x8{} + static_cast<std::uint16_t>(k)) & bytemix::colourLanes;
    bytemix::narrowStore(d, bytemix::twoProduct(bytemix::widenLow(dv), bytemix::widenLow(sv), w),
                         bytemix::twoProduct(bytemix::widenHigh(dv), bytemix::widenHigh(sv), w));
}

// A byte field scaled to M bits in each lane, by the arithmetic its scale table is proven equal to.
template <unsigned M>
[[nodiscard]] inline U16x8 scaleBytes(U16x8 v) noexcept {
    constexpr ScaleArithmetic a = scaleArithmetic<8, M>;
    static_assert(a.found && 255 * a.mul + a.add <= 0xFFFFu);
    return (v * static_cast<std::uint16_t>(a.mul) + static_cast<std::uint16_t>(a.add)) >> a.shift;
}

// Eight Rgba8888 pixels alpha-drawn onto eight Rgb565 pixels (drawPixel<4, 3>), one pixel a lane: the
// source converted to Rgb565 fields and mixed by alpha, or at alpha 255 copied, as weight 256.
inline void drawRgb565FromRgba8(std::uint8_t* d, const std::uint8_t* s) noexcept {
    U16x8 lo, hi, dv;
    std::memcpy(&lo, s, sizeof lo);
    std::memcpy(&hi, s + sizeof lo, sizeof hi);
    std::memcpy(&dv, d, sizeof dv);
    const U16x8 gb = __builtin_shufflevector(lo, hi, 0, 2, 4, 6, 8, 10, 12, 14);
    const U16x8 ar = __builtin_shufflevector(lo, hi, 1, 3, 5, 7, 9, 11, 13, 15);
    const U16x8 a = ar >> 8;
    const U16x8 w = a - __builtin_convertvector(a == 255, U16x8);  // true lanes are all ones
    const U16x8 r = bytemix::twoProduct(dv >> 11, scaleBytes<5>(ar & 0xFF), w);
    const U16x8 g = bytemix::twoProduct((dv >> 5) & 0x3F, scaleBytes<6>(gb >> 8), w);
    const U16x8 b = bytemix::twoProduct(dv & 0x1F, scaleBytes<5>(gb & 0xFF), w);
    const U16x8 out = (r << 11) | (g << 5) | b;
    std::memcpy(d, &out, sizeof out);
}

}  // namespace talvo::g
