// Clipping of drawing operations: two-image areas, axis segments and float segments.
#pragma once

#include <cstdint>

#include "img/op.h"
#include "img/rect.h"

namespace talvo::g {

class Image;

// A two-image draw cut so both rectangles lie inside their images and have one size.
struct BlitArea {
    Rect dst;
    Rect src;
};

// The area a draw at (x, y) of at most w x h pixels of `srcRect` may touch: the source rectangle cut to
// the source, the destination area to the destination and its clip rectangle, each cut moving the other
// by the same amount. The source's own clip rectangle plays no part. False when nothing is left.
[[nodiscard]] bool clipBlit(const Image& dst, std::int64_t x, std::int64_t y, const Image& src,
                            const Rect& srcRect, std::int64_t w, std::int64_t h, BlitArea& area) noexcept;

// The rectangle a one-image operation may touch: `rect` (null: everything) cut to the image and its clip.
[[nodiscard]] Rect settleArea(const Image& image, const Rect* rect) noexcept;

// An axis-parallel segment in 64 bits, so an end at x + length never overflows.
struct Segment {
    std::int64_t x0 = 0;
    std::int64_t y0 = 0;
    std::int64_t x1 = 0;
    std::int64_t y1 = 0;
};

// Cuts a horizontal or vertical segment to the pixels of `clip`; x0 <= x1 afterwards, a vertical segment
// keeps its order. False when no pixel is left.
[[nodiscard]] bool clipSegment(const Segment& in, const Rect& clip, Segment& out) noexcept;
// The pixels a segment covers, its ends included.
[[nodiscard]] Rect segmentBounds(const Segment& s) noexcept;

// Cuts a float segment to the pixel box of `clip` (columns x0 to x1 - 1, rows y0 to y1 - 1), ordered so
// x0 <= x1. False when nothing is left, also for ends that are not finite.
[[nodiscard]] bool clipSegmentF(const SegmentF& in, const Rect& clip, SegmentF& out) noexcept;
// {min x, min y, min x + |dx| + 1, min y + |dy| + 1}.
[[nodiscard]] SegmentF segmentBoundsF(const SegmentF& s) noexcept;

}  // namespace talvo::g
