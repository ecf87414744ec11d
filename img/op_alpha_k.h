// Constant-alpha blend: the 72 pairs of its rule table, paletted sources through their converted entries.
#pragma once

#include <algorithm>
#include <bit>
#include <cstdint>

#include "img/byte_mix.h"
#include "img/image.h"
#include "img/op_dispatch.h"
#include "img/pel_lanes.h"
#include "img/row_walk.h"

namespace talvo::g {

// Local to each format's unit (nothing else includes this header): the rows are built and laid out as
// in one unit.
namespace {

// The pixel rule of a pair, as a row walk's step.
template <PelFmtId D, PelFmtId S>
struct AlphaKStep {
    std::uint32_t k;
    void operator()(std::uint8_t* d, const std::uint8_t* s) const noexcept { blendPixelK<D, S>(d, s, k); }
};

#if TALVO_SIMD_X86
// Pairs whose unkeyed rows also take several pixels a step.
template <>
struct AlphaKStep<fmtId::rgbx8888, fmtId::rgbx8888> {
    static constexpr std::int32_t chunkPixels = 4;
    std::uint32_t k;
    void operator()(std::uint8_t* d, const std::uint8_t* s) const noexcept { blendPixelK<fmtId::rgbx8888, fmtId::rgbx8888>(d, s, k); }
    void chunk(std::uint8_t* d, const std::uint8_t* s) const noexcept { alphaKRgbx4(d, s, k); }
};

template <>
struct AlphaKStep<fmtId::rgb565, fmtId::rgb888> {
    static constexpr std::int32_t chunkPixels = 8;
    std::uint32_t k;
    // K = 255 copies the converted source: weight 256.
    U16x8 w = std::bit_cast<U16x8>(lanes::words(k == 255 ? 256 : k));
    void operator()(std::uint8_t* d, const std::uint8_t* s) const noexcept { blendPixelK<fmtId::rgb565, fmtId::rgb888>(d, s, k); }
    void chunk(std::uint8_t* d, const std::uint8_t* s) const noexcept { alphaKRgb565FromRgb888x8(d, s, w); }
};
#endif  // TALVO_SIMD_X86

// The row workers of the pair (D, S), plain and keyed, at the opacity k; out of line as the copy's
// (img/op_copy.h).
template <PelFmtId D, PelFmtId S>
[[gnu::noinline]] void alphaKRows(const BOp& op, std::uint32_t k) {
    pairRows<D, S>(op, AlphaKStep<D, S>{k});
}

template <PelFmtId D, PelFmtId S>
[[gnu::noinline]] void alphaKRowsKeyed(const BOp& op, std::uint32_t k) {
    pairRowsKeyed<D, S>(op, AlphaKStep<D, S>{k});
}

template <class F>
struct BOpAlphaKImplementation final : FormatEntries<SourceEntries<BOpAlphaK>, BOpAlphaKImplementation<F>> {
    using Entries = FormatEntries<SourceEntries<BOpAlphaK>, BOpAlphaKImplementation>;
    explicit BOpAlphaKImplementation(const BOpAlphaK& op) : Entries(op) { this->k = std::min(this->k, 255u); }
    void applyIndexed() override {
        paletteRows<F::id>(*this, [k = this->k](std::uint8_t* d, const std::uint8_t* e) {
            blendPixelK<F::id, F::id>(d, e, k);
        });
    }
    template <class S>
    void formatEntry() {
        if (this->src->hasColorKey()) {
            alphaKRowsKeyed<F::id, S::id>(*this, this->k);
        } else {
            alphaKRows<F::id, S::id>(*this, this->k);
        }
    }
};

}  // namespace

// Defines BOpAlphaK's entry for the destination format F (img/op_alpha_k_<fmt>.cpp): no unit builds the
// 64 pairs' rows, and the formats build side by side. A format without its unit fails to link.
#define TALVO_G_ALPHA_K_ENTRY(F) TALVO_G_FIRST_DISPATCH_ENTRY(F, BOpAlphaK, BOpAlphaKImplementation, src)

}  // namespace talvo::g
