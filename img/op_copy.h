// Copy and alpha draw: palette path and the pairs of both rule tables, one destination format's worker.
#pragma once

#include <cstdint>
#include <type_traits>

#include "img/byte_mix.h"
#include "img/image.h"
#include "img/op_dispatch.h"
#include "img/pel_lanes.h"
#include "img/row_walk.h"
#include "img/wide_steps.h"

namespace talvo::g {

// Local to each format's unit (nothing else includes this header): the rows are built and laid out as
// in one unit.
namespace {

// The alpha draw's step of a pair whose source has alpha: blendPixelAlpha, as a row walk's step.
template <PelFmtId D, PelFmtId S>
struct DrawStep : PixelFn<blendPixelAlpha<D, S>> {};

#if TALVO_SIMD_X86
// Pairs whose unkeyed rows take several pixels a step: four, or eight where the processor has AVX2.
template <>
struct DrawStep<fmtId::rgbx8888, fmtId::rgba8888> {
    static constexpr std::int32_t chunkPixels = 4;
    void operator()(std::uint8_t* d, const std::uint8_t* s) const noexcept { blendPixelAlpha<fmtId::rgbx8888, fmtId::rgba8888>(d, s); }
    void chunk(std::uint8_t* d, const std::uint8_t* s) const noexcept { drawRgbxFromRgba4(d, s); }
    static constexpr std::int32_t widePixels = 8;
    void wideRun(std::uint8_t* d, const std::uint8_t* s, std::int32_t steps) const noexcept {
        wide::drawRgbxFromRgba(d, s, steps);
    }
};

// Unkeyed rows take eight pixels a step.
template <>
struct DrawStep<fmtId::rgb565, fmtId::rgba8888> {
    static constexpr std::int32_t chunkPixels = 8;
    void operator()(std::uint8_t* d, const std::uint8_t* s) const noexcept { blendPixelAlpha<fmtId::rgb565, fmtId::rgba8888>(d, s); }
    void chunk(std::uint8_t* d, const std::uint8_t* s) const noexcept { drawRgb565FromRgba8(d, s); }
};
#endif  // TALVO_SIMD_X86

// The copy's step of a converting pair: unkeyed rows take eight pixels a step where SSE2 is on.
template <PelFmtId D, PelFmtId S>
struct ConvertStep {
    // 4-byte pairs only move memory: sixteen a step keep two loads ahead of the stores.
    static constexpr bool words = pelFmtBytes[D] == 4 && pelFmtBytes[S] == 4;
    static constexpr std::int32_t chunkPixels = words ? 16 : 8;
    void operator()(std::uint8_t* d, const std::uint8_t* s) const noexcept { copyPixel<D, S>(d, s); }
#if TALVO_SIMD_X86
    void chunk(std::uint8_t* d, const std::uint8_t* s) const noexcept {
        lanes::convert8<D, S>(d, s);
        if constexpr (words) lanes::convert8<D, S>(d + 32, s + 32);
    }
    // Rgb565 from the 32-bit formats and Rgbx5551 from Rgba5551 sixteen a step, where the processor has AVX2.
    static constexpr std::int32_t widePixels = 16;
    void wideRun(std::uint8_t* d, const std::uint8_t* s, std::int32_t steps) const noexcept
        requires((D == fmtId::rgb565 && (S == fmtId::rgbx8888 || S == fmtId::rgba8888)) ||
                 (D == fmtId::rgbx5551 && S == fmtId::rgba5551))
    {
        if constexpr (D == fmtId::rgbx5551) wide::rgbx5551FromRgba(d, s, steps);
        else S == fmtId::rgbx8888 ? wide::rgb565FromRgbx(d, s, steps) : wide::rgb565FromRgba(d, s, steps);
    }
#endif  // TALVO_SIMD_X86
};

// Unchanged bytes (=32 too: four bytes, alpha into the x byte) move as whole rows when unkeyed.
template <PelFmtId D, PelFmtId S>
constexpr bool copiesBytes = copyRules[D][S] == CopyRule::same || copyRules[D][S] == CopyRule::word32;

// The copy's row workers of the pair (D, S), plain and keyed. Each is a function of its own: inlined into
// the format entries, the same loops ran up to 15% faster or slower by where they landed in the code.
template <PelFmtId D, PelFmtId S>
[[gnu::noinline]] void assignRows(const BOp& op) {
    if constexpr (copiesBytes<D, S>) {
        sameBytesRows<pelFmtBytes[D]>(op);
    } else {
        pairRows<D, S>(op, ConvertStep<D, S>{});
    }
}

template <PelFmtId D, PelFmtId S>
[[gnu::noinline]] void assignRowsKeyed(const BOp& op) {
    if constexpr (copiesBytes<D, S>) {
        sameBytesRowsKeyed<pelFmtBytes[D]>(op, pelLayouts[S].keyMask());
    } else {
        pairRowsKeyed<D, S>(op, ConvertStep<D, S>{});
    }
}

// The alpha draw's row workers of a pair whose source has alpha, plain and keyed; out of line as the copy's.
template <PelFmtId D, PelFmtId S>
[[gnu::noinline]] void drawRows(const BOp& op) {
    pairRows<D, S>(op, DrawStep<D, S>{});
}

template <PelFmtId D, PelFmtId S>
[[gnu::noinline]] void drawRowsKeyed(const BOp& op) {
    pairRowsKeyed<D, S>(op, DrawStep<D, S>{});
}

// The copy's worker, and the alpha draw's, which mixes sources with alpha and copies all others.
template <class X, class F>
struct CopyImplementation final : FormatEntries<SourceEntries<X>, CopyImplementation<X, F>> {
    using FormatEntries<SourceEntries<X>, CopyImplementation>::FormatEntries;
    void applyIndexed() override { paletteRows<F::id>(*this, PixelFn<copyPixel<F::id, F::id>>{}); }
    template <class S>
    void formatEntry() {
        constexpr PelFmtId d = F::id;
        constexpr PelFmtId s = S::id;
        const bool keyed = this->src->hasColorKey();
        if constexpr (std::is_same_v<X, OpDrawStd> && drawMixes[d][s]) {
            keyed ? drawRowsKeyed<d, s>(*this) : drawRows<d, s>(*this);
        } else {
            keyed ? assignRowsKeyed<d, s>(*this) : assignRows<d, s>(*this);
        }
    }
};

template <class F>
using OpAssignStdImplementation = CopyImplementation<OpAssignStd, F>;
template <class F>
using OpDrawStdImplementation = CopyImplementation<OpDrawStd, F>;

}  // namespace

// Defines OpAssignStd's and OpDrawStd's entries for the destination format F (img/op_copy_<fmt>.cpp): no
// unit builds the 64 pairs' rows of both, and the formats build side by side. A format without its unit
// fails to link.
#define TALVO_G_COPY_ENTRIES(F)                                                      \
    TALVO_G_FIRST_DISPATCH_ENTRY(F, OpAssignStd, OpAssignStdImplementation, src) \
    TALVO_G_FIRST_DISPATCH_ENTRY(F, OpDrawStd, OpDrawStdImplementation, src)

}  // namespace talvo::g
