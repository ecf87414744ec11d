// Copy and alpha draw: index copy, palette path and the pairs of both rule tables.
#include <type_traits>

#include "img/byte_mix.h"
#include "img/image.h"
#include "img/pel_lanes.h"
#include "img/row_walk.h"
#include "img/wide_steps.h"

namespace talvo::g {

namespace {

// Unkeyed rows take four pixels a step, or eight where the processor has AVX2.
struct DrawRgbxFromRgba {
    static constexpr std::int32_t chunkPixels = 4;
    void operator()(std::uint8_t* d, const std::uint8_t* s) const noexcept { drawPixel<2, 3>(d, s); }
    void chunk(std::uint8_t* d, const std::uint8_t* s) const noexcept { drawRgbxFromRgba4(d, s); }
    static constexpr std::int32_t widePixels = 8;
    void wideRun(std::uint8_t* d, const std::uint8_t* s, std::int32_t steps) const noexcept {
        wide::drawRgbxFromRgba(d, s, steps);
    }
};

// Unkeyed rows take eight pixels a step.
struct DrawRgb565FromRgba {
    static constexpr std::int32_t chunkPixels = 8;
    void operator()(std::uint8_t* d, const std::uint8_t* s) const noexcept { drawPixel<4, 3>(d, s); }
    void chunk(std::uint8_t* d, const std::uint8_t* s) const noexcept { drawRgb565FromRgba8(d, s); }
};

// Unkeyed rows of the other rules take eight pixels a step.
template <PelFmtId D, PelFmtId S>
struct ConvertStep {
    // 4-byte pairs only move memory: sixteen a step keep two loads ahead of the stores.
    static constexpr bool words = pelFmtBytes[D] == 4 && pelFmtBytes[S] == 4;
    static constexpr std::int32_t chunkPixels = words ? 16 : 8;
    void operator()(std::uint8_t* d, const std::uint8_t* s) const noexcept { copyPixel<D, S>(d, s); }
    void chunk(std::uint8_t* d, const std::uint8_t* s) const noexcept {
        lanes::convert8<D, S>(d, s);
        if constexpr (words) lanes::convert8<D, S>(d + 32, s + 32);
    }
    // Rgb565 from the 32-bit formats and Rgbx5551 from Rgba5551 sixteen a step, where the processor has AVX2.
    static constexpr std::int32_t widePixels = 16;
    void wideRun(std::uint8_t* d, const std::uint8_t* s, std::int32_t steps) const noexcept
        requires((D == 4 && (S == 2 || S == 3)) || (D == 5 && S == 6))
    {
        if constexpr (D == 5) wide::rgbx5551FromRgba(d, s, steps);
        else S == 2 ? wide::rgb565FromRgbx(d, s, steps) : wide::rgb565FromRgba(d, s, steps);
    }
};

template <PelFmtId D, PelFmtId S>
void copyRows(const BOp& op) {
    // Unchanged bytes (=32 too: four bytes, alpha into the x byte) move as whole rows when unkeyed.
    if constexpr (copyRules[D][S] == CopyRule::same || copyRules[D][S] == CopyRule::word32) {
        sameBytesRows<pelFmtBytes[D]>(op, pelLayouts[S].keyMask());
    } else {
        pairRows<D, S>(op, ConvertStep<D, S>{});
    }
}

// The copy's worker, and the alpha draw's, which mixes sources with alpha and copies all others.
template <class X, class F>
struct CopyImplementation final : SourceEntries<X> {
    using SourceEntries<X>::SourceEntries;
    void applyIndexed() override { paletteRows<F::id>(*this, PixelFn<copyPixel<F::id, F::id>>{}); }
    void applyFormat(PelFmtId id) override {
        withPixelFormat(id, 0, [&]<PelFmtId S>() {
            if constexpr (std::is_same_v<X, OpDrawStd> && F::id == 2 && S == 3) {
                pairRows<2, 3>(*this, DrawRgbxFromRgba{});
            } else if constexpr (std::is_same_v<X, OpDrawStd> && F::id == 4 && S == 3) {
                pairRows<4, 3>(*this, DrawRgb565FromRgba{});
            } else if constexpr (std::is_same_v<X, OpDrawStd> && drawMixes[F::id][S]) {
                pairRows<F::id, S>(*this, PixelFn<drawPixel<F::id, S>>{});
            } else {
                copyRows<F::id, S>(*this);
            }
            return 0;
        });
    }
};

template <class F>
using OpAssignStdImplementation = CopyImplementation<OpAssignStd, F>;
template <class F>
using OpDrawStdImplementation = CopyImplementation<OpDrawStd, F>;

}  // namespace

// Both 8-bit: the indices unchanged, whatever either palette holds; the key compares the low byte.
void OpAssignStd::applyIndexed() {
    if (src->format().id() == 9) sameBytesRows<1>(*this, 0xFF);
}

void OpAssignStd::applyOther8() { OpAssignStd::applyIndexed(); }

void OpAssignStd::applyFormat(PelFmtId id) { applyWorker<OpAssignStdImplementation>(*this, id, *src); }

void OpDrawStd::applyFormat(PelFmtId id) { applyWorker<OpDrawStdImplementation>(*this, id, *src); }

}  // namespace talvo::g
