// The one filtered resampling driver: box or area-sampled bilinear, chosen once per call.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "img/resample_bounds.h"
#include "img/resample_fetch.h"
#include "img/resample_rows.h"

namespace talvo::g {

namespace resample_detail {

// Zero bytes in `height` rows of `rowBytes`.
inline void clearRows(std::uint8_t* dst, std::int32_t pitch, std::int64_t rowBytes, std::int32_t height) noexcept {
    for (std::int32_t j = 0; j < height; ++j) std::memset(dst + std::ptrdiff_t{j} * pitch, 0, std::size_t(rowBytes));
}

}  // namespace resample_detail

// Source and target are different memory; sides are any 32-bit values (none below 1 samples nothing,
// and an empty source gives zero pixels).
template <PelFmtId Id, bool WrapX, bool WrapY, bool Keyed>
void resampleFiltered(std::uint8_t* dst, std::int32_t dstPitch, std::int32_t tw, std::int32_t th,
                      const std::uint8_t* src, std::int32_t srcPitch, std::int32_t sw, std::int32_t sh,
                      Pixel<Id> key) {
    using namespace resample_detail;
    using Px = Pixel<Id>;
    using Collector = std::conditional_t<Keyed, KeyedCollector<Px>, PlainCollector<Px>>;
    constexpr std::ptrdiff_t bpp = sizeof(Px);
    if (tw <= 0 || th <= 0) return;
    if (sw <= 0 || sh <= 0) {
        clearRows(dst, dstPitch, std::int64_t{tw} * bpp, th);
        return;
    }
    Collector collector = [&] {
        if constexpr (Keyed) return Collector(key);
        else return Collector();
    }();
    const auto pixelAt = [&](std::int64_t k, std::int64_t m) {
        return readPixel<Px>(src + m * srcPitch + k * bpp);
    };
    const std::int64_t stepX = (std::int64_t{sw} << 16) / tw, stepY = (std::int64_t{sh} << 16) / th;
    const auto wholeStep = [](std::int64_t step) { return (step & 0xFFFF) == 0 && step >= 0x10000; };

    const bool box = wholeStep(stepX) && wholeStep(stepY) && sw >= 2 && sh >= 2;
    // Effective sides: an axis that enlarges (or keeps its size) without wrap loses its last pixel.
    const std::int32_t ew = !WrapX && stepX <= 0x10000 ? sw - 1 : sw;
    const std::int32_t eh = !WrapY && stepY <= 0x10000 ? sh - 1 : sh;
    if constexpr (!Keyed) {
        RowSums<Px, WrapX, WrapY> sums(src, srcPitch, sw, sh);
        sums.run(dst, dstPitch, tw, th, box ? sw : ew, box ? sh : eh);
        return;
    }
    if (box) {
        SpanBounds rows(sh, th);
        for (std::int32_t j = 0; j < th; ++j) {
            const std::int64_t m0 = rows.bound() >> 16;
            rows.advance();
            const std::int64_t m1 = rows.bound() >> 16;
            std::uint8_t* out = dst + std::ptrdiff_t{j} * dstPitch;
            SpanBounds cols(sw, tw);
            for (std::int32_t i = 0; i < tw; ++i, out += bpp) {
                const std::int64_t k0 = cols.bound() >> 16;
                cols.advance();
                const std::int64_t k1 = cols.bound() >> 16;
                for (std::int64_t m = m0; m < m1; ++m)
                    for (std::int64_t k = k0; k < k1; ++k) collector.add(pixelAt(k, m));
                std::memcpy(out, collector.result().raw, bpp);
            }
        }
        return;
    }

    SpanBounds rows(eh, th);
    for (std::int32_t j = 0; j < th; ++j) {
        const std::int64_t y0 = rows.bound();
        rows.advance();
        const std::int64_t y1 = rows.bound();
        const std::int64_t innerRow0 = (y0 + 0x10000) >> 16, innerRow1 = (y1 - 1) >> 16;
        std::uint8_t* out = dst + std::ptrdiff_t{j} * dstPitch;
        SpanBounds cols(ew, tw);
        for (std::int32_t i = 0; i < tw; ++i, out += bpp) {
            const std::int64_t x0 = cols.bound();
            cols.advance();
            const std::int64_t x1 = cols.bound();
            const std::int64_t innerCol0 = (x0 + 0x10000) >> 16, innerCol1 = (x1 - 1) >> 16;
            // Fetches get the real sides: equal to the effective ones where they wrap, and a plain
            // axis of one pixel then stands in for the neighbour it lacks.
            fetchSample<Px, WrapX, WrapY, FetchShape::square>(src, srcPitch, sw, sh, x0, y0, collector);
            for (std::int64_t k = innerCol0; k <= innerCol1; ++k)
                fetchSample<Px, WrapX, WrapY, FetchShape::pairY>(src, srcPitch, sw, sh, k << 16, y0, collector);
            for (std::int64_t m = innerRow0; m <= innerRow1; ++m) {
                fetchSample<Px, WrapX, WrapY, FetchShape::pairX>(src, srcPitch, sw, sh, x0, m << 16, collector);
                for (std::int64_t k = innerCol0; k <= innerCol1; ++k) collector.add(pixelAt(k, m));
            }
            std::memcpy(out, collector.result().raw, bpp);
        }
    }
}

}  // namespace talvo::g
