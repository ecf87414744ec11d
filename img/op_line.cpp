// General lines: float clipping and a DDA along the major axis, every write kept inside the clip box.
#include <algorithm>
#include <cmath>
#include <utility>

#include "img/clip.h"
#include "img/image.h"
#include "img/op_dispatch.h"

namespace talvo::g {

namespace {

template <std::uint32_t B>
void drawLine(Image& image, const Rect* clip, std::uint32_t colour, const SegmentF& ends, std::uint32_t pattern) {
    const Rect box = settleArea(image, clip);
    SegmentF c;
    if (!clipSegmentF(ends, box, c)) return;
    const SegmentF bounds = segmentBoundsF(c);
    const auto left = static_cast<std::int32_t>(bounds.x0);  // truncated, inside the box
    const auto top = static_cast<std::int32_t>(bounds.y0);
    // Fractional ends walk up to ceil of them, one past the truncated bounds: lock that much, within the box.
    const Rect covered = Rect{left, top, static_cast<std::int32_t>(static_cast<std::int64_t>(bounds.x1) + 1),
                              static_cast<std::int32_t>(static_cast<std::int64_t>(bounds.y1) + 1)}
                             .intersection(box);
    if (covered.empty()) return;
    Image::Lock lock(image, &covered, Image::lockReadWrite);
    if (lock.bits == nullptr) return;
    // Writes (x, y) when its pattern bit is set and it lies in the locked box; NaN fails the test too.
    // Doubles hold every float and every 32-bit column exactly.
    const auto plot = [&](double x, double y, std::uint32_t bit) {
        if ((pattern >> (bit & 31) & 1) == 0) return;
        if (!(x >= covered.x0 && x < covered.x1 && y >= covered.y0 && y < covered.y1)) return;
        const auto col = static_cast<std::int32_t>(x) - covered.x0;
        const auto row = static_cast<std::int32_t>(y) - covered.y0;
        storePixelValue<B>(lock.bits + std::ptrdiff_t{row} * lock.pitch + std::ptrdiff_t{col} * B, colour);
    };
    float xa = c.x0, ya = c.y0, xb = c.x1, yb = c.y1;
    const float dx = std::trunc(std::fabs(xb - xa));
    const float dy = std::trunc(std::fabs(yb - ya));
    // The sums drift by rounding: a walk pixel is kept within the rows (columns) the segment spans.
    const auto within = [](float v, float lo, float hi) { return std::clamp(std::floor(v), lo, hi); };
    if (dx >= dy) {
        if (xa == xb) {  // one column under a pixel high: its one pixel, the upper end's in either direction
            plot(std::trunc(xa), std::trunc(std::min(ya, yb)), 0);
            return;
        }
        plot(std::trunc(xa), std::trunc(ya), 0);
        const float m = (yb - ya) / (xb - xa);
        float y = ya + m * (std::ceil(xa) - xa) - static_cast<float>(top);
        const float rows = std::trunc(std::max(ya, yb)) - static_cast<float>(top);
        const auto last = std::min(static_cast<std::int64_t>(std::ceil(xb)), std::int64_t{covered.x1} - 1);
        std::uint32_t bit = 0;
        for (auto x = static_cast<std::int64_t>(std::ceil(xa)); x <= last; ++x, ++bit) {
            plot(static_cast<double>(x), top + double{within(y, 0, rows)}, bit);
            y += m;
        }
    } else {
        if (ya > yb) {
            std::swap(xa, xb);
            std::swap(ya, yb);
        }
        plot(std::trunc(xa), std::trunc(ya), 0);
        const float k = (xb - xa) / (yb - ya);
        float x = xa + k * (std::ceil(ya) - ya) - static_cast<float>(left);
        const auto last = std::min(static_cast<std::int64_t>(std::ceil(yb)), std::int64_t{covered.y1} - 1);
        std::uint32_t bit = 0;
        const float columns = std::trunc(std::max(xa, xb)) - static_cast<float>(left);
        for (auto y = static_cast<std::int64_t>(std::ceil(ya)); y <= last; ++y, ++bit) {
            plot(left + double{within(x, 0, columns)}, static_cast<double>(y), bit);
            x += k;
        }
    }
}

// The writers by pixel size.
constexpr auto& drawLine16 = drawLine<2>;
constexpr auto& drawLine24 = drawLine<3>;
constexpr auto& drawLine32 = drawLine<4>;

struct WriteLine {
    template <std::uint32_t B>
    void operator()(const UOpLineStd& op) const {
        writerFor<B>(drawLine16, drawLine24, drawLine32)(*op.dst, op.rect, op.colour,
                                                          SegmentF{op.x0, op.y0, op.x1, op.y1}, op.pattern);
    }
};

template <class F>
using UOpLineStdImplementation = OneImageWorker<UOpLineStd, WriteLine>;

}  // namespace

TALVO_G_FIRST_DISPATCH(UOpLineStd, UOpLineStdImplementation, dst)

}  // namespace talvo::g
