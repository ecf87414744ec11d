// Edge fetchers: the source pixels around a 16.16 position, by edge rule, handed to a collector.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "img/resample_collector.h"
#include "img/resample_table.h"

namespace talvo::g {

enum class FetchShape : std::uint8_t { square, pairX, pairY };

namespace resample_detail {

struct AxisPlace {
    std::int64_t base;
    std::int64_t next;
};

// Base index and neighbour of integer part i on an axis of n pixels. Wrapping: the neighbour of the
// last pixel is 0 and one period past the end is brought back. Plain: the neighbour is i + 1, but on
// an axis of one pixel that pixel stands in for its missing neighbour.
template <bool Wrap>
[[nodiscard]] constexpr AxisPlace locate(std::int64_t i, std::int64_t n) noexcept {
    if constexpr (Wrap) {
        if (i == n - 1) return {i, 0};
        if (i >= n) return {i - n, i - n + 1};
        return {i, i + 1};
    } else {
        return {i, i + 1 < n ? i + 1 : i};
    }
}

template <class Px>
[[nodiscard]] inline Px readPixel(const std::uint8_t* p) noexcept {
    Px px;
    std::memcpy(px.raw, p, sizeof px.raw);
    return px;
}

}  // namespace resample_detail

// The one fetch: the square (a, b / c, d) into add2x2, or the horizontal or vertical pair into
// addPair, with fractions x & 0xFFFF and y & 0xFFFF. Callers keep positions at or above 0 and, on a
// wrapping axis, the integer part below twice the side less one.
template <class Px, bool WrapX, bool WrapY, FetchShape Shape, class Collector>
TALVO_G_HOT void fetchSample(const std::uint8_t* src, std::int32_t pitch, std::int32_t w, std::int32_t h, std::int64_t x,
                        std::int64_t y, Collector& collector) {
    using resample_detail::readPixel;
    const std::uint32_t fx = static_cast<std::uint32_t>(x & 0xFFFF), fy = static_cast<std::uint32_t>(y & 0xFFFF);
    const resample_detail::AxisPlace col = resample_detail::locate<WrapX>(x >> 16, w);
    const resample_detail::AxisPlace row = resample_detail::locate<WrapY>(y >> 16, h);
    constexpr std::ptrdiff_t bpp = sizeof(Px);
    const std::uint8_t* upper = src + row.base * pitch;
    const Px a = readPixel<Px>(upper + col.base * bpp);
    if constexpr (Shape == FetchShape::pairY) {
        collector.addPair(a, readPixel<Px>(src + row.next * pitch + col.base * bpp), fy);
    } else {
        const Px b = readPixel<Px>(upper + col.next * bpp);
        if constexpr (Shape == FetchShape::pairX) {
            collector.addPair(a, b, fx);
        } else {
            const std::uint8_t* lower = src + row.next * pitch;
            collector.add2x2(a, b, readPixel<Px>(lower + col.base * bpp), readPixel<Px>(lower + col.next * bpp), fx,
                             fy);
        }
    }
}

// fetch_<fmt>_<edge>[_keyed], fetch_pair_x_..., fetch_pair_y_...: the fetch for one format, edge rule
// and collector kind.
#define TALVO_G_FETCH_ENTRY(prefix, suffix, fmt, id, edge, wx, wy, shape, collector)                            \
    inline constexpr auto prefix##fmt##_##edge##suffix =                                                       \
        &fetchSample<Pixel<id>, wx, wy, FetchShape::shape, collector<Pixel<id>>>;
#define TALVO_G_FETCH_ENTRIES(fmt, id, edge, wx, wy)                                                           \
    TALVO_G_FETCH_ENTRY(fetch_, , fmt, id, edge, wx, wy, square, PlainCollector)                               \
    TALVO_G_FETCH_ENTRY(fetch_, _keyed, fmt, id, edge, wx, wy, square, KeyedCollector)                         \
    TALVO_G_FETCH_ENTRY(fetch_pair_x_, , fmt, id, edge, wx, wy, pairX, PlainCollector)                         \
    TALVO_G_FETCH_ENTRY(fetch_pair_x_, _keyed, fmt, id, edge, wx, wy, pairX, KeyedCollector)                   \
    TALVO_G_FETCH_ENTRY(fetch_pair_y_, , fmt, id, edge, wx, wy, pairY, PlainCollector)                         \
    TALVO_G_FETCH_ENTRY(fetch_pair_y_, _keyed, fmt, id, edge, wx, wy, pairY, KeyedCollector)
#define TALVO_G_FETCH_FORMAT(fmt, id) TALVO_G_RESAMPLE_EDGES(TALVO_G_FETCH_ENTRIES, fmt, id)

TALVO_G_RESAMPLE_FORMATS(TALVO_G_FETCH_FORMAT)

#undef TALVO_G_FETCH_FORMAT
#undef TALVO_G_FETCH_ENTRIES
#undef TALVO_G_FETCH_ENTRY

}  // namespace talvo::g
