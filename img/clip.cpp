// Clipping of drawing operations: two-image areas, axis segments and float segments.
#include "img/clip.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "img/image.h"

namespace talvo::g {

namespace {

// One axis of clipBlit: moves both starts past their lower limits, then ends the run at the first limit.
bool cutAxis(std::int64_t d, std::int64_t s, std::int64_t length, std::int64_t dLo, std::int64_t dHi,
             std::int64_t sLo, std::int64_t sHi, std::int32_t& dOut, std::int32_t& sOut, std::int32_t& lengthOut) {
    const std::int64_t shift = std::max({dLo - d, sLo - s, std::int64_t{0}});
    d += shift;
    s += shift;
    length = std::min({length - shift, dHi - d, sHi - s});
    if (length <= 0) return false;
    // Inside both images now, so everything fits 32 bits.
    dOut = static_cast<std::int32_t>(d);
    sOut = static_cast<std::int32_t>(s);
    lengthOut = static_cast<std::int32_t>(length);
    return true;
}

Rect drawable(const Image& image) noexcept {
    Rect r;
    image.bounds(r);
    if (image.hasClipRect()) r.intersect(image.clipRect());
    return r;
}

// Where a segment of at least one pixel extent meets a box edge; see clipSegmentF.
struct Meet {
    float x, y;
    bool met;
};

Meet meetRow(float ax, float ay, float bx, float by, float row, float left, float right) {
    if (ax == bx) {
        const bool met = left <= ax && ax <= right && std::min(ay, by) <= row && row <= std::max(ay, by);
        return {ax, row, met};
    }
    const float m = (by - ay) / (bx - ax);
    if (!((row - ay) * (row - by) <= 0) || m == 0) return {0, 0, false};
    const float x = (row - ay) / m + ax;
    return {x, row, left <= x && x <= right};
}

Meet meetColumn(float ax, float ay, float bx, float by, float column, float top, float bottom) {
    if (ax == bx || !((column - ax) * (column - bx) <= 0)) return {0, 0, false};
    const float y = (by - ay) / (bx - ax) * (column - ax) + ay;
    return {column, y, top <= y && y <= bottom};
}

}  // namespace

bool clipBlit(const Image& dst, std::int64_t x, std::int64_t y, const Image& src, const Rect& srcRect,
              std::int64_t w, std::int64_t h, BlitArea& area) noexcept {
    const Rect dLim = drawable(dst);
    Rect sLim;
    src.bounds(sLim);
    w = std::min(w, std::int64_t{srcRect.x1} - srcRect.x0);
    h = std::min(h, std::int64_t{srcRect.y1} - srcRect.y0);
    std::int32_t cw = 0;
    std::int32_t ch = 0;
    if (!cutAxis(x, srcRect.x0, w, dLim.x0, dLim.x1, sLim.x0, sLim.x1, area.dst.x0, area.src.x0, cw)) return false;
    if (!cutAxis(y, srcRect.y0, h, dLim.y0, dLim.y1, sLim.y0, sLim.y1, area.dst.y0, area.src.y0, ch)) return false;
    area.dst.x1 = area.dst.x0 + cw;
    area.dst.y1 = area.dst.y0 + ch;
    area.src.x1 = area.src.x0 + cw;
    area.src.y1 = area.src.y0 + ch;
    return true;
}

Rect settleArea(const Image& image, const Rect* rect) noexcept {
    Rect r = drawable(image);
    if (rect != nullptr) r.intersect(*rect);
    return r;
}

bool clipSegment(const Segment& in, const Rect& clip, Segment& out) noexcept {
    out = in;
    if (out.x0 > out.x1) {
        std::swap(out.x0, out.x1);
        std::swap(out.y0, out.y1);
    }
    const std::int64_t left = clip.x0, right = std::int64_t{clip.x1} - 1;
    const std::int64_t top = clip.y0, bottom = std::int64_t{clip.y1} - 1;
    if (out.y0 == out.y1) {  // horizontal, or a single point
        if (out.y0 < top || out.y0 > bottom || out.x1 < left || out.x0 > right) return false;
        out.x0 = std::max(out.x0, left);
        out.x1 = std::min(out.x1, right);
        return true;
    }
    if (out.x0 != out.x1) return false;  // only axis segments are drawn
    if (out.x0 < left || out.x0 > right || std::max(out.y0, out.y1) < top || std::min(out.y0, out.y1) > bottom)
        return false;
    out.y0 = std::clamp(out.y0, top, bottom);
    out.y1 = std::clamp(out.y1, top, bottom);
    return true;
}

Rect segmentBounds(const Segment& s) noexcept {
    const std::int64_t x = std::min(s.x0, s.x1);
    const std::int64_t y = std::min(s.y0, s.y1);
    return {static_cast<std::int32_t>(x), static_cast<std::int32_t>(y),
            static_cast<std::int32_t>(x + (s.x0 < s.x1 ? s.x1 - s.x0 : s.x0 - s.x1) + 1),
            static_cast<std::int32_t>(y + (s.y0 < s.y1 ? s.y1 - s.y0 : s.y0 - s.y1) + 1)};
}

bool clipSegmentF(const SegmentF& in, const Rect& clip, SegmentF& out) noexcept {
    if (!std::isfinite(in.x0) || !std::isfinite(in.y0) || !std::isfinite(in.x1) || !std::isfinite(in.y1) ||
        clip.empty())
        return false;
    float ax = in.x0, ay = in.y0, bx = in.x1, by = in.y1;
    if (ax > bx) {
        std::swap(ax, bx);
        std::swap(ay, by);
    }
    const auto f = [](std::int64_t v) { return static_cast<float>(v); };
    const float left = f(clip.x0), right = f(std::int64_t{clip.x1} - 1), rightOut = f(clip.x1);
    const float top = f(clip.y0), bottom = f(std::int64_t{clip.y1} - 1), bottomOut = f(clip.y1);
    const auto inside = [&](float x, float y) { return left <= x && x < rightOut && top <= y && y < bottomOut; };
    out = {ax, ay, bx, by};
    bool firstFound = inside(ax, ay);
    bool secondFound = inside(bx, by);
    const bool down = ay < by;
    const auto take = [](Meet m, float& x, float& y, bool& found) {
        if (!m.met) return;
        x = m.x;
        y = m.y;
        found = true;
    };
    if (!firstFound) {
        take(meetRow(ax, ay, bx, by, down ? top : bottom, left, right), out.x0, out.y0, firstFound);
        take(meetColumn(ax, ay, bx, by, left, top, bottom), out.x0, out.y0, firstFound);
    }
    if (!secondFound) {
        take(meetRow(ax, ay, bx, by, down ? bottom : top, left, right), out.x1, out.y1, secondFound);
        take(meetColumn(ax, ay, bx, by, right, top, bottom), out.x1, out.y1, secondFound);
    }
    return firstFound && secondFound;
}

SegmentF segmentBoundsF(const SegmentF& s) noexcept {
    const float x = std::min(s.x0, s.x1);
    const float y = std::min(s.y0, s.y1);
    return {x, y, x + std::fabs(s.x1 - s.x0) + 1, y + std::fabs(s.y1 - s.y0) + 1};
}

}  // namespace talvo::g
