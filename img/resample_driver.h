// The one filtered resampling driver: box or area-sampled bilinear, chosen once per call.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "img/resample_bounds.h"
#include "img/resample_fetch.h"
#include "img/resample_rows.h"
#include "img/resample_samples.h"
#include "img/resample_table.h"

namespace talvo::g {

namespace resample_detail {

// Zero bytes in `height` rows of `rowBytes`.
inline void clearRows(std::uint8_t* dst, std::int32_t pitch, std::int64_t rowBytes, std::int32_t height) noexcept {
    for (std::int32_t j = 0; j < height; ++j) std::memset(dst + std::ptrdiff_t{j} * pitch, 0, std::size_t(rowBytes));
}

// The filter choice of one call: box when both steps are whole and at least 1.0 on a source of at
// least 2 x 2, else bilinear over the effective sides (an axis that enlarges or keeps its size
// without wrap loses its last pixel). Steps are 64-bit, so no 32-bit side overflows them.
struct FilterChoice {
    bool box;
    std::int32_t spanW, spanH;  // the sides the span bounds divide
};

template <bool WrapX, bool WrapY>
[[nodiscard]] FilterChoice chooseFilter(std::int32_t tw, std::int32_t th, std::int32_t sw, std::int32_t sh) noexcept {
    const std::int64_t stepX = (std::int64_t{sw} << 16) / tw, stepY = (std::int64_t{sh} << 16) / th;
    const auto whole = [](std::int64_t step) { return (step & 0xFFFF) == 0 && step >= 0x10000; };
    if (whole(stepX) && whole(stepY) && sw >= 2 && sh >= 2) return {true, sw, sh};
    return {false, !WrapX && stepX <= 0x10000 ? sw - 1 : sw, !WrapY && stepY <= 0x10000 ? sh - 1 : sh};
}

// Sample by sample through the collector. Sides at least 1.
template <class Px, bool WrapX, bool WrapY, class Collector>
void resampleBySamples(std::uint8_t* dst, std::int32_t dstPitch, std::int32_t tw, std::int32_t th,
                       const std::uint8_t* src, std::int32_t srcPitch, std::int32_t sw, std::int32_t sh,
                       Collector& collector) {
    constexpr std::ptrdiff_t bpp = sizeof(Px);
    const FilterChoice choice = chooseFilter<WrapX, WrapY>(tw, th, sw, sh);
    SpanBounds rows(choice.spanH, th);
    for (std::int32_t j = 0; j < th; ++j) {
        const std::int64_t y0 = rows.bound();
        rows.advance();
        const std::int64_t y1 = rows.bound();
        std::uint8_t* out = dst + std::ptrdiff_t{j} * dstPitch;
        SpanBounds cols(choice.spanW, tw);
        for (std::int32_t i = 0; i < tw; ++i, out += bpp) {
            const std::int64_t x0 = cols.bound();
            cols.advance();
            samplePixel<Px, WrapX, WrapY>(src, srcPitch, sw, sh, choice.box, x0, cols.bound(), y0, y1, collector);
            std::memcpy(out, collector.result().raw, bpp);
        }
    }
}

}  // namespace resample_detail

// Source and target are different memory; sides are any 32-bit values (none below 1 samples nothing,
// and an empty source gives zero pixels). Bilinear sums regroup by source rows and box blocks are
// summed whole; sources too wide for the row sums go sample by sample.
template <PelFmtId Id, bool WrapX, bool WrapY, bool Keyed>
void resampleFiltered(std::uint8_t* dst, std::int32_t dstPitch, std::int32_t tw, std::int32_t th,
                      const std::uint8_t* src, std::int32_t srcPitch, std::int32_t sw, std::int32_t sh,
                      Pixel<Id> key) {
    using namespace resample_detail;
    using Px = Pixel<Id>;
    if (tw <= 0 || th <= 0) return;
    if (sw <= 0 || sh <= 0) {
        clearRows(dst, dstPitch, std::int64_t{tw} * std::int64_t{sizeof(Px)}, th);
        return;
    }
    using Collector = std::conditional_t<Keyed, KeyedCollector<Px>, PlainCollector<Px>>;
    Collector collector = [&] {
        if constexpr (Keyed) return Collector(key);
        else return Collector();
    }();
    if (sw >= RowSums<Px, WrapX, WrapY, Collector>::widthLimit) {
        resampleBySamples<Px, WrapX, WrapY>(dst, dstPitch, tw, th, src, srcPitch, sw, sh, collector);
        return;
    }
    const FilterChoice choice = chooseFilter<WrapX, WrapY>(tw, th, sw, sh);
    RowSums<Px, WrapX, WrapY, Collector>(src, srcPitch, sw, sh, collector, key.value())
        .run(dst, dstPitch, tw, th, choice.spanW, choice.spanH, choice.box);
}

// The templates' instances for each format and edge rule of the table: declared here, defined by
// TALVO_G_RESAMPLE_INSTANCES(id) in that format's own unit (resample_drivers_<fmt>.cpp), so no unit
// compiles them all and the formats build side by side. A format without its unit fails to link.
#define TALVO_G_RESAMPLE_TEMPLATES(kind, id, wx, wy)                                                             \
    kind template void resampleFiltered<id, wx, wy, false>(std::uint8_t*, std::int32_t, std::int32_t,             \
                                                           std::int32_t, const std::uint8_t*, std::int32_t,       \
                                                           std::int32_t, std::int32_t, Pixel<id>);                \
    kind template void resampleFiltered<id, wx, wy, true>(std::uint8_t*, std::int32_t, std::int32_t, std::int32_t, \
                                                          const std::uint8_t*, std::int32_t, std::int32_t,        \
                                                          std::int32_t, Pixel<id>);                               \
    kind template void resample_detail::resampleBySamples<Pixel<id>, wx, wy>(                                     \
        std::uint8_t*, std::int32_t, std::int32_t, std::int32_t, const std::uint8_t*, std::int32_t, std::int32_t, \
        std::int32_t, PlainCollector<Pixel<id>>&);                                                                \
    kind template void resample_detail::resampleBySamples<Pixel<id>, wx, wy>(                                     \
        std::uint8_t*, std::int32_t, std::int32_t, std::int32_t, const std::uint8_t*, std::int32_t, std::int32_t, \
        std::int32_t, KeyedCollector<Pixel<id>>&);
#define TALVO_G_RESAMPLE_EXTERN(fmt, id, edge, wx, wy) TALVO_G_RESAMPLE_TEMPLATES(extern, id, wx, wy)
#define TALVO_G_RESAMPLE_EXTERN_FORMAT(fmt, id) TALVO_G_RESAMPLE_EDGES(TALVO_G_RESAMPLE_EXTERN, fmt, id)
TALVO_G_RESAMPLE_FORMATS(TALVO_G_RESAMPLE_EXTERN_FORMAT)
#undef TALVO_G_RESAMPLE_EXTERN_FORMAT
#undef TALVO_G_RESAMPLE_EXTERN

#define TALVO_G_RESAMPLE_DEFINE(fmt, id, edge, wx, wy) TALVO_G_RESAMPLE_TEMPLATES(, id, wx, wy)
#define TALVO_G_RESAMPLE_INSTANCES(id) TALVO_G_RESAMPLE_EDGES(TALVO_G_RESAMPLE_DEFINE, format, id)

}  // namespace talvo::g
