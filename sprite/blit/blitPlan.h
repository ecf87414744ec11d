// Planning a draw before anything is locked: the dispatchers' loop and key, then alpha, steps and the clipped rectangles.
// Inline: it runs on every draw, where a call of its own cost as much as the planning.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "sprite/blit/blitJob.h"
#include "sprite/drawKey.h"
#include "sprite/drawParams.h"
#include "sprite/imgCTy.h"
#include "sprite/imgRect.h"

// Filled by a dispatcher (the loop, its key, the job's key and table) and by blitPlan (the
// rest, the rectangles and views only when it returns true).
struct BlitPlan {
    BlitFn* loop;
    DrawKey key;      // what the loop does
    imgRect srcRect;  // where the source (unscaled), alpha map and depth images are locked
    imgRect dstRect;  // where the destination is locked
    BlitJob job;      // the views empty, to be locked
};

namespace blit::plan {

// 16.16 step of a scale: (int32)(1 / scale * 65536) in double; false when there is none.
inline bool stepOf(float scale, std::uint32_t& step)
{
    if (!(scale > 0.0f) || !std::isfinite(scale)) return false;
    const double q = 1.0 / static_cast<double>(scale) * 65536.0;
    if (!(q <= 2147483647.0)) return false;
    step = static_cast<std::uint32_t>(static_cast<std::int32_t>(q));
    return true;
}

// One axis: the half-open range [lo, hi) of rectangle coordinates that is kept.
struct Span {
    std::int64_t lo, hi;
};

// Unscaled: the coordinate indexes the source, the alpha map and the depth images directly
// and the destination at the offset.
inline Span clipUnscaled(std::int64_t start, std::int64_t length, std::int64_t offset, std::int64_t srcSize,
                         std::int64_t dstSize, std::int64_t othersSize)
{
    // Values, not std::max's references into a list: those kept the bounds on the stack.
    const auto larger = [](std::int64_t a, std::int64_t b) { return a > b ? a : b; };
    const auto smaller = [](std::int64_t a, std::int64_t b) { return a < b ? a : b; };
    const std::int64_t lo = larger(larger(start, 0), -offset);
    const std::int64_t hi = smaller(smaller(start + length, srcSize), smaller(dstSize - offset, othersSize));
    return {lo, hi};
}

// Stretch: the coordinate c samples source pixel (c * step) >> 16; kept where that is inside
// the source, where the 32-bit running sum the loop keeps is exact, and where c + offset is
// inside the destination. Coordinates stay inside int32.
inline Span clipStretch(std::int64_t start, std::int64_t length, std::int64_t offset, std::int64_t srcSize,
                        std::int64_t dstSize, std::uint32_t step)
{
    std::int64_t hi = std::min({start + length, dstSize - offset, std::int64_t{INT32_MAX} + 1});
    if (srcSize <= 0) hi = 0;
    if (step != 0) {
        const auto limit = [step](std::uint64_t bound) { return static_cast<std::int64_t>((bound + step - 1) / step); };
        hi = std::min({hi, limit(static_cast<std::uint64_t>(srcSize) << 16), limit(std::uint64_t{1} << 32)});
    }
    return {std::max({start, std::int64_t{0}, -offset}), hi};
}

inline bool isKind(const imgCTy* image, PelKind kind) { return image != nullptr && image->pelFmt.kind == kind; }

}  // namespace blit::plan

// Completes a dispatched plan and returns true when the clipped rectangle is not empty. Clipping
// keeps every pixel that a loop reads or writes inside its image: the destination at the offset,
// the source (every stretch sample, counted in 64 bits; samples left of 0 are dropped) and the
// alpha map and depth images at the source rectangle. Refuses what a loop cannot take: mode 3
// without an index alpha map, a depth test without two depth images, a stretch scale that is not
// finite and positive or whose step passes INT32_MAX. The opacity is clamped to 0..256.
[[nodiscard, gnu::always_inline]] inline bool blitPlan(const imgCTy& src, const imgCTy& dst, int x, int y, const imgRect& rect,
                                   const DrawParams& params, BlitPlan& plan)
{
    using namespace blit::plan;
    BlitJob& job = plan.job;
    // The source and destination views are set when they are locked; the others only by the
    // draws that read them.
    for (BlitView* view : {&job.alphaMap, &job.srcDepth, &job.dstDepth}) *view = BlitView{nullptr, 0};
    job.stepX = job.stepY = 0;
    const DrawKey key = plan.key;
    if (key.op == DrawOp::AlphaMap && !isKind(params.alphaMap, PelKind::Index8)) return false;
    if (key.depth && !(isKind(params.srcDepth, PelKind::Depth) && isKind(params.dstDepth, PelKind::Depth))) return false;
    job.alpha = std::clamp(params.alpha, 0, 256);
    Span sx, sy;
    if (key.stretch) {
        if (!stepOf(params.scaleX, job.stepX) || !stepOf(params.scaleY, job.stepY)) return false;
        sx = clipStretch(rect.x, rect.width, x, src.width, dst.width, job.stepX);
        sy = clipStretch(rect.y, rect.height, y, src.height, dst.height, job.stepY);
    } else {
        std::int64_t otherW = INT64_MAX, otherH = INT64_MAX;
        const auto inside = [&otherW, &otherH](const imgCTy* other) {
            otherW = std::min<std::int64_t>(otherW, other->width);
            otherH = std::min<std::int64_t>(otherH, other->height);
        };
        if (key.op == DrawOp::AlphaMap) inside(params.alphaMap);
        if (key.depth) inside(params.srcDepth), inside(params.dstDepth);
        sx = clipUnscaled(rect.x, rect.width, x, src.width, dst.width, otherW);
        sy = clipUnscaled(rect.y, rect.height, y, src.height, dst.height, otherH);
    }
    if (sx.hi <= sx.lo || sy.hi <= sy.lo) return false;
    const imgRect at{static_cast<std::int32_t>(sx.lo), static_cast<std::int32_t>(sy.lo), static_cast<std::int32_t>(sx.hi - sx.lo),
                     static_cast<std::int32_t>(sy.hi - sy.lo)};
    job.x = at.x, job.y = at.y, job.width = at.width, job.height = at.height;
    // Whole-rectangle stores, so that the locks reading them at once do not wait on the parts.
    plan.srcRect = at;
    plan.dstRect = imgRect{at.x + x, at.y + y, at.width, at.height};
    return true;
}
