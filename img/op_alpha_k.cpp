// Constant-alpha blend: the 72 pairs of its rule table, paletted sources through their converted entries.
#include <algorithm>

#include "img/byte_mix.h"
#include "img/image.h"
#include "img/row_walk.h"

namespace talvo::g {

namespace {

// The pixel rule of a pair, as a row walk's step.
template <PelFmtId D, PelFmtId S>
struct AlphaKStep {
    std::uint32_t k;
    void operator()(std::uint8_t* d, const std::uint8_t* s) const noexcept { alphaKPixel<D, S>(d, s, k); }
};

// Pairs whose unkeyed rows also take several pixels a step.
template <>
struct AlphaKStep<2, 2> {
    static constexpr std::int32_t chunkPixels = 4;
    std::uint32_t k;
    void operator()(std::uint8_t* d, const std::uint8_t* s) const noexcept { alphaKPixel<2, 2>(d, s, k); }
    void chunk(std::uint8_t* d, const std::uint8_t* s) const noexcept { alphaKRgbx4(d, s, k); }
};

template <>
struct AlphaKStep<4, 1> {
    static constexpr std::int32_t chunkPixels = 8;
    std::uint32_t k;
    // K = 255 copies the converted source: weight 256.
    U16x8 w = std::bit_cast<U16x8>(_mm_set1_epi16(static_cast<short>(k == 255 ? 256 : k)));
    void operator()(std::uint8_t* d, const std::uint8_t* s) const noexcept { alphaKPixel<4, 1>(d, s, k); }
    void chunk(std::uint8_t* d, const std::uint8_t* s) const noexcept { alphaKRgb565FromRgb888x8(d, s, w); }
};

template <class F>
struct BOpAlphaKImplementation final : SourceEntries<BOpAlphaK> {
    using SourceEntries::SourceEntries;
    void applyIndexed() override {
        paletteRows<F::id>(*this, [k = k](std::uint8_t* d, const std::uint8_t* e) { alphaKPixel<F::id, F::id>(d, e, k); });
    }
    void applyFormat(PelFmtId id) override {
        withPixelFormat(id, 0, [&]<PelFmtId S>() {
            pairRows<F::id, S>(*this, AlphaKStep<F::id, S>{k});
            return 0;
        });
    }
};

}  // namespace

void BOpAlphaK::applyIndexed() { throwNotImplemented(); }
void BOpAlphaK::applyOther8() { throwNotImplemented(); }
void BOpAlphaK::applyOther16() { throwNotImplemented(); }
void BOpAlphaK::applyOther32() { throwNotImplemented(); }

void BOpAlphaK::applyFormat(PelFmtId id) {
    BOpAlphaK clamped(*this);
    clamped.k = std::min(k, 255u);
    applyWorker<BOpAlphaKImplementation>(clamped, id, *src);
}

}  // namespace talvo::g
