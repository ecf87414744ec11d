// The samples of one target pixel, in the order of their definition, handed to a collector.
#pragma once

#include <cstddef>
#include <cstdint>

#include "img/resample_fetch.h"

namespace talvo::g::resample_detail {

// Target pixel with 16.16 bounds [x0, x1) x [y0, y1): the box adds the block of whole pixels; the
// bilinear filter adds the square at (x0, y0), the vertical pairs of the inner columns, and per inner
// row its horizontal pair and its inner pixels. Fetches get the real sides: equal to the effective
// ones where they wrap, and a plain axis of one pixel then stands in for the neighbour it lacks.
template <class Px, bool WrapX, bool WrapY, class Collector>
TALVO_G_HOT void samplePixel(const std::uint8_t* src, std::int32_t srcPitch, std::int32_t sw, std::int32_t sh, bool box,
                             std::int64_t x0, std::int64_t x1, std::int64_t y0, std::int64_t y1, Collector& collector) {
    constexpr std::ptrdiff_t bpp = sizeof(Px);
    const auto pixelAt = [&](std::int64_t k, std::int64_t m) { return readPixel<Px>(src + m * srcPitch + k * bpp); };
    if (box) {
        for (std::int64_t m = y0 >> 16; m < y1 >> 16; ++m)
            for (std::int64_t k = x0 >> 16; k < x1 >> 16; ++k) collector.add(pixelAt(k, m));
        return;
    }
    const std::int64_t innerCol0 = (x0 + 0x10000) >> 16, innerCol1 = (x1 - 1) >> 16;
    const std::int64_t innerRow0 = (y0 + 0x10000) >> 16, innerRow1 = (y1 - 1) >> 16;
    fetchSample<Px, WrapX, WrapY, FetchShape::square>(src, srcPitch, sw, sh, x0, y0, collector);
    for (std::int64_t k = innerCol0; k <= innerCol1; ++k)
        fetchSample<Px, WrapX, WrapY, FetchShape::pairY>(src, srcPitch, sw, sh, k << 16, y0, collector);
    for (std::int64_t m = innerRow0; m <= innerRow1; ++m) {
        fetchSample<Px, WrapX, WrapY, FetchShape::pairX>(src, srcPitch, sw, sh, x0, m << 16, collector);
        for (std::int64_t k = innerCol0; k <= innerCol1; ++k) collector.add(pixelAt(k, m));
    }
}

}  // namespace talvo::g::resample_detail
