// Constant-alpha blend: the 72 pairs of its rule table, paletted sources through their converted entries.
#include <algorithm>

#include "img/byte_mix.h"
#include "img/image.h"
#include "img/row_walk.h"

namespace talvo::g {

namespace {

// Unkeyed rows take four pixels a step.
struct AlphaKRgbx {
    static constexpr std::int32_t chunkPixels = 4;
    std::uint32_t k;
    void operator()(std::uint8_t* d, const std::uint8_t* s) const noexcept { alphaKPixel<2, 2>(d, s, k); }
    void chunk(std::uint8_t* d, const std::uint8_t* s) const noexcept { alphaKRgbx4(d, s, k); }
};

template <class F>
struct BOpAlphaKImplementation final : SourceEntries<BOpAlphaK> {
    using SourceEntries::SourceEntries;
    void applyIndexed() override {
        paletteRows<F::id>(*this, [k = k](std::uint8_t* d, const std::uint8_t* e) { alphaKPixel<F::id, F::id>(d, e, k); });
    }
    void applyFormat(PelFmtId id) override {
        withPixelFormat(id, 0, [&]<PelFmtId S>() {
            if constexpr (F::id == 2 && S == 2) {
                pairRows<2, 2>(*this, AlphaKRgbx{k});
                return 0;
            }
            pairRows<F::id, S>(*this, [k = k](std::uint8_t* d, const std::uint8_t* s) { alphaKPixel<F::id, S>(d, s, k); });
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
