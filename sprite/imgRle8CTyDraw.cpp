// The sprite draws: Draw, Draw with alpha, DrawEx and the mirrored pair; the two dispatchers; clipped, then one member.
#include <algorithm>
#include <cmath>
#include <new>
#include <optional>

#include "sprite/pelFormats.h"
#include "sprite/rle8Draw.h"
#include "sprite/rle8DrawCache.h"
#include "sprite/ctyRuntime.h"
#include "sprite/imgRle8CTy.h"
#include "sprite/imgScopedLock.h"
#include "sprite/palCTy.h"

namespace {

// Coordinates k of [lo, hi) are kept; each constraint narrows the range.
struct Keep {
    std::int64_t lo, hi;
    // 0 <= o + k < size
    void inside(std::int64_t o, std::int64_t size)
    {
        lo = std::max(lo, -o);
        hi = std::min(hi, size - o);
    }
    // 0 <= o + n - 1 - k < size: the destination of a row drawn right to left
    void insideReversed(std::int64_t o, std::int64_t n, std::int64_t size)
    {
        lo = std::max(lo, o + n - size);
        hi = std::min(hi, o + n);
    }
    // 0 <= ((s + k) * step) >> 16 < size: a stretch sample inside the bounds
    void sampled(std::int64_t s, std::int64_t size, std::uint32_t step)
    {
        lo = std::max(lo, -s);
        if (size <= 0) hi = lo;
        else if (step != 0) hi = std::min(hi, (size * 65536 + step - 1) / step - s);
    }
    [[nodiscard]] bool empty() const { return hi <= lo; }
};

// The 16.16 step of a scale: (1 / scale) * 65536 in float, truncated; false for scales that are
// not finite and positive, or whose step does not fit.
bool stepOf(float scale, std::uint32_t& step)
{
    if (!(scale > 0.0f) || !std::isfinite(scale)) return false;
    const float q = (1.0f / scale) * 65536.0f;
    if (!(q < 2147483648.0f)) return false;
    step = static_cast<std::uint32_t>(q);
    return true;
}

// trunc of a float coordinate, held where every sample it makes is outside any bounds.
std::int64_t truncCoord(float v)
{
    constexpr float far = 1099511627776.0f;  // 2^40
    return static_cast<std::int64_t>(std::clamp(v, -far, far));
}

// What a draw asks for, in wrapper and destination coordinates, before clipping.
struct Geometry {
    std::int64_t sx, sy;      // wrapper start: coded column, table row (stretch: destination units)
    std::int64_t n, m;        // columns, rows
    std::int64_t dx, dy;      // destination of the rectangle's left column and top row
    std::int64_t depthX, depthY;  // depth images' column and row of k = 0, i = 0
};

struct Request {
    std::optional<DrawKey> key;  // none: nothing is drawn
    bool mirror = false;
    int alpha = 0;
    std::uint32_t stepX = 0, stepY = 0;
    imgCTy* srcDepth = nullptr;
    imgCTy* dstDepth = nullptr;
    imgCTy* alphaMap = nullptr;
};

int clampedAlpha(float alpha)
{
    if (alpha != alpha) return 0;
    return static_cast<int>(std::clamp(static_cast<double>(alpha) * 256.0, 0.0, 256.0));
}

bool isDepth(const imgCTy* image) { return image != nullptr && image->pelFmt.kind == PelKind::Depth; }

// Releases a lock the caller holds on dst; false (after the message) when dst has a palette.
bool takeDestination(imgCTy* dst, const char* operation)
{
    if (dst->lockedPels != nullptr) dst->Unlock();
    if (dst->pelFmt.palette == nullptr) return true;
    ctyErrorf(4, "imgRle8CTy::%s: This is not impelmetned yet", operation);
    return false;
}

// The first pixel of a w x h block at (x, y) of a locked image; null when the lock misses part.
std::uint8_t* block(const imgScopedLock& lock, std::int64_t x, std::int64_t y, std::int64_t w, std::int64_t h)
{
    const int ix = static_cast<int>(x), iy = static_cast<int>(y), iw = static_cast<int>(w);
    if (lock.Span(ix, static_cast<int>(y + h - 1), iw) == nullptr) return nullptr;
    return lock.Span(ix, iy, iw);
}

void run(imgRle8CTy& sprite, Rle8DrawCache*& cache, imgCTy& dst, const Geometry& g, const Request& q)
{
    const int kind = dst.pelFmt.kind;
    sprite.BuildPalTbl(kind);
    Rle8Fn* member = q.key ? rle8Member(kind, *q.key, q.mirror) : nullptr;
    const palCTy* palette = sprite.pelFmt.palette;
    if (member == nullptr || palette == nullptr || palette->table == nullptr ||
        palette->tableKind != static_cast<std::uint32_t>(kind))
        return;
    const DrawKey key = *q.key;
    const bool depth = key.depth;
    if (depth && !(isDepth(q.srcDepth) && isDepth(q.dstDepth))) return;
    const bool stretch = key.stretch;
    if (sprite.rowTable == nullptr) return;  // header read, data not yet: nothing to draw

    Keep kx{0, g.n}, ky{0, g.m};
    const imgRect& b = sprite.bounds;
    if (stretch) {
        kx.sampled(g.sx, b.width, q.stepX);
        ky.sampled(g.sy, b.height, q.stepY);
    } else {
        kx.inside(g.sx, b.width);
        ky.inside(g.sy, b.height);
    }
    if (q.mirror) kx.insideReversed(g.dx, g.n, dst.width);
    else kx.inside(g.dx, dst.width);
    ky.inside(g.dy, dst.height);
    if (depth) {
        kx.inside(g.depthX, std::min(q.srcDepth->width, q.dstDepth->width));
        ky.inside(g.depthY, std::min(q.srcDepth->height, q.dstDepth->height));
    }
    if (kx.empty() || ky.empty()) return;

    const std::int64_t w = kx.hi - kx.lo, h = ky.hi - ky.lo;
    const std::int64_t dx = q.mirror ? g.dx + g.n - kx.hi : g.dx + kx.lo, dy = g.dy + ky.lo;
    const imgRect dstRect{static_cast<int>(dx), static_cast<int>(dy), static_cast<int>(w), static_cast<int>(h)};
    const imgRect srcRect{static_cast<int>(g.depthX + kx.lo), static_cast<int>(g.depthY + ky.lo), dstRect.width, dstRect.height};
    imgScopedLock dstLock(dst, &dstRect, 0);
    Rle8Job job;
    job.dst = block(dstLock, dx, dy, w, h);
    if (job.dst == nullptr) return;
    const int bytes = imgPelBytes(kind);
    if (q.mirror) job.dst += (w - 1) * bytes;
    job.dstPitch = std::int64_t{dst.lockPitch} * bytes;
    job.rows = sprite.rowTable;
    job.sx = g.sx + kx.lo;
    job.sy = g.sy + ky.lo;
    job.w = static_cast<int>(w);
    job.h = static_cast<int>(h);
    job.table = palette->table;
    job.key = pelKeyOf(rle8GroupOf(kind), sprite.colorKeyRgba);
    job.alpha = q.alpha;
    job.stepX = q.stepX;
    job.stepY = q.stepY;
    // The alpha map is locked as the request asks, but no sprite loop reads it.
    std::optional<imgScopedLock> mapLock, srcDepthLock, dstDepthLock;
    if (q.alphaMap != nullptr) mapLock.emplace(*q.alphaMap, &srcRect, 1);
    if (depth) {
        srcDepthLock.emplace(*q.srcDepth, &srcRect, 1);
        dstDepthLock.emplace(*q.dstDepth, &srcRect, 0);
        job.srcDepth = reinterpret_cast<std::int32_t*>(block(*srcDepthLock, srcRect.x, srcRect.y, w, h));
        job.dstDepth = reinterpret_cast<std::int32_t*>(block(*dstDepthLock, srcRect.x, srcRect.y, w, h));
        if (job.srcDepth == nullptr || job.dstDepth == nullptr) return;
        job.srcDepthPitch = q.srcDepth->lockPitch;
        job.dstDepthPitch = q.dstDepth->lockPitch;
    }
    // Copies come from the sprite's cache when it can be had; the loops draw everything else.
    if (key.op == DrawOp::Copy && !key.depth && !stretch) {
        if (cache == nullptr) cache = new (std::nothrow) Rle8DrawCache;
        if (cache != nullptr && cache->draw(job, sprite.bounds, kind, key.keyed, q.mirror)) return;
    }
    member(job);
}

// DrawEx's selection: the member of the mode, the sprite's key flag and a source depth image,
// given the alpha, the depth images, the alpha map (locked, never read) and, to stretch, steps.
void rle8_draw_dispatch(imgRle8CTy& sprite, Rle8DrawCache*& cache, imgCTy& dst, const Geometry& g, const DrawParams& params)
{
    Request q;
    q.key = rle8RequestKey(static_cast<std::uint32_t>(params.mode), sprite.hasColorKey != 0, params.srcDepth != nullptr);
    q.alpha = std::clamp(params.alpha, 0, 256);
    q.srcDepth = params.srcDepth;
    q.dstDepth = params.dstDepth;
    q.alphaMap = params.alphaMap;
    if (q.key && q.key->stretch && !(stepOf(params.scaleX, q.stepX) && stepOf(params.scaleY, q.stepY))) return;
    run(sprite, cache, dst, g, q);
}

// DrawExMirrorH's selection: the mirrored member of the mode and the key flag; mirrored draws
// have no depth test.
void rle8_draw_mirror_dispatch(imgRle8CTy& sprite, Rle8DrawCache*& cache, imgCTy& dst, const Geometry& g, const DrawParams& params)
{
    Request q;
    q.key = rle8RequestKey(static_cast<std::uint32_t>(params.mode), sprite.hasColorKey != 0, false);
    q.mirror = true;
    q.alpha = std::clamp(params.alpha, 0, 256);
    if (q.key && q.key->stretch && !(stepOf(params.scaleX, q.stepX) && stepOf(params.scaleY, q.stepY))) return;
    run(sprite, cache, dst, g, q);
}

// The x of a mirrored draw's rectangle: the caller's, or where the reflected bounds begin. In 64
// bits: width and bounds may reach INT_MAX.
std::int64_t mirroredX(const imgRle8CTy& sprite, const imgRect* rect)
{
    if (rect != nullptr) return rect->x;
    return std::int64_t{sprite.width} - sprite.bounds.width - sprite.bounds.x + 1;
}

}  // namespace

void imgRle8CTy::Draw(imgCTy* dst, int x, int y, const imgRect* rect)
{
    if (dst == nullptr || !takeDestination(dst, "Draw")) return;
    const imgRect r = rect != nullptr ? *rect : bounds;
    Request q;
    q.key = rle8RequestKey(modeNumber(DrawMode::Copy), false, false);
    run(*this, drawCache_, *dst, {std::int64_t{r.x} - bounds.x, std::int64_t{r.y} - bounds.y, r.width, r.height,
                                  std::int64_t{r.x} + x, std::int64_t{r.y} + y, r.x, r.y}, q);
}

void imgRle8CTy::Draw(imgCTy* dst, int x, int y, const imgRect* rect, float alpha)
{
    if (dst == nullptr || !takeDestination(dst, "Draw")) return;
    const imgRect r = rect != nullptr ? *rect : bounds;
    Request q;
    q.key = rle8RequestKey(modeNumber(DrawMode::Alpha), false, false);
    q.alpha = clampedAlpha(alpha);
    run(*this, drawCache_, *dst, {std::int64_t{r.x} - bounds.x, std::int64_t{r.y} - bounds.y, r.width, r.height,
                                  std::int64_t{r.x} + x, std::int64_t{r.y} + y, r.x, r.y}, q);
}

void imgRle8CTy::DrawEx(imgCTy* dst, int x, int y, const imgRect* rect, const DrawParams* params)
{
    if (dst == nullptr || params == nullptr || !takeDestination(dst, "DrawEx")) return;
    const imgRect r = rect != nullptr ? *rect : bounds;
    Geometry g{std::int64_t{r.x} - bounds.x, std::int64_t{r.y} - bounds.y, r.width, r.height,
               std::int64_t{r.x} + x, std::int64_t{r.y} + y, r.x, r.y};
    if (params->mode == static_cast<std::int32_t>(DrawMode::Stretch)) {
        g.sx = truncCoord(static_cast<float>(r.x) - static_cast<float>(bounds.x) * params->scaleX);
        g.sy = truncCoord(static_cast<float>(r.y) - static_cast<float>(bounds.y) * params->scaleY);
    }
    rle8_draw_dispatch(*this, drawCache_, *dst, g, *params);
}

void imgRle8CTy::DrawMirrorH(imgCTy* dst, int x, int y, const imgRect* rect)
{
    if (dst == nullptr || !takeDestination(dst, "DrawMirrorH")) return;
    const imgRect r = rect != nullptr ? *rect : bounds;
    const std::int64_t rx = mirroredX(*this, rect);
    const std::int64_t reflected = std::int64_t{width} - r.width - rx + 1;
    Request q;
    q.key = rle8RequestKey(modeNumber(DrawMode::Copy), false, false);
    q.mirror = true;
    // A start left of the bounds draws from the row's first pixel, the full width.
    run(*this, drawCache_, *dst, {std::max<std::int64_t>(0, reflected - bounds.x), std::int64_t{r.y} - bounds.y, r.width, r.height,
                                  rx + x, std::int64_t{r.y} + y, 0, 0}, q);
}

void imgRle8CTy::DrawExMirrorH(imgCTy* dst, int x, int y, const imgRect* rect, const DrawParams* params)
{
    if (dst == nullptr || params == nullptr || !takeDestination(dst, "DrawExMirrorH")) return;
    const imgRect r = rect != nullptr ? *rect : bounds;
    const std::int64_t rx = mirroredX(*this, rect);
    Geometry g{0, std::int64_t{r.y} - bounds.y, r.width, r.height, rx + x, std::int64_t{r.y} + y, 0, 0};
    if (params->mode == static_cast<std::int32_t>(DrawMode::Stretch)) {
        const std::int64_t reflected =
            truncCoord(static_cast<float>(width) * params->scaleX - static_cast<float>(rx + r.width - 1));
        g.sx = truncCoord(static_cast<float>(reflected) - static_cast<float>(bounds.x) * params->scaleX);
        g.sy = truncCoord(static_cast<float>(r.y) - static_cast<float>(bounds.y) * params->scaleY);
    } else {
        g.sx = std::int64_t{width} - r.width - rx + 1 - bounds.x;
    }
    g.sx = std::max<std::int64_t>(0, g.sx);
    rle8_draw_mirror_dispatch(*this, drawCache_, *dst, g, *params);
}
