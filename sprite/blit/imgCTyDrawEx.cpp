// imgCTy::DrawEx and its two dispatchers: select and plan the draw, lock every image that takes part, run one loop, unlock on every path.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <typeinfo>

#include "sprite/blit/blitPlan.h"
#include "sprite/blit/blitRows.h"
#include "sprite/blit/blitSelect.h"
#include "sprite/ctyRuntime.h"
#include "sprite/imgCTy.h"
#include "sprite/imgRowCTy.h"
#include "sprite/palCTy.h"

namespace {

// An image whose class is imgRowCTy itself: a draw runs its lock and unlock inline, not through
// the table (a subclass may lock otherwise). Null for every other image.
[[gnu::always_inline]] inline imgRowCTy* plainRows(imgCTy* image)
{
    return typeid(*image) == typeid(imgRowCTy) ? static_cast<imgRowCTy*>(image) : nullptr;
}

// Locks at rect (null: whole image); the view of the lock, or an empty view when the image
// could not be locked there (no pixels, or not a row image).
[[gnu::always_inline]] inline BlitView lockView(imgCTy* image, const imgRect* rect, int access)
{
    if (imgRowCTy* rows = plainRows(image))
        rows->LockPlain(rect, access);
    else
        image->Lock(rect, access);
    return image->lockedPels != nullptr ? BlitView{image->lockedPels, image->lockPitch} : BlitView{};
}

void unlockIfLocked(imgCTy* image)
{
    if (image == nullptr || image->lockedPels == nullptr) return;
    if (imgRowCTy* rows = plainRows(image))
        rows->imgRowCTy::Unlock();
    else
        image->Unlock();
}

// The source pixels a loop reads, copied out of the image, for a draw of an image onto itself.
// Owned by the caller (ctyFree); null when the allocation failed.
std::uint8_t* copyOut(const BlitView& view, int width, int height, int bytes)
{
    const std::size_t row = static_cast<std::size_t>(width) * static_cast<std::size_t>(bytes);
    auto* copy = static_cast<std::uint8_t*>(ctyAlloc(row * static_cast<std::size_t>(height)));
    if (copy == nullptr) return nullptr;
    for (int j = 0; j < height; ++j)
        std::memcpy(copy + row * static_cast<std::size_t>(j),
                    view.pels + static_cast<std::ptrdiff_t>(j) * view.pitch * bytes, row);
    return copy;
}

// Locks what the planned loop touches and runs it. Returns the self-draw copy to free.
std::uint8_t* run(imgCTy& src, imgCTy& dst, const DrawParams& params, BlitPlan& plan)
{
    BlitJob& job = plan.job;
    const DrawKey key = plan.key;
    job.src = lockView(&src, key.stretch ? nullptr : &plan.srcRect, 1);
    if (job.src.pels == nullptr) return nullptr;
    std::uint8_t* copy = nullptr;
    if (&src == &dst) {
        // Read what the destination held before the draw, not what the loop has just written.
        const int w = key.stretch ? src.width : job.width, h = key.stretch ? src.height : job.height;
        copy = copyOut(job.src, w, h, imgPelBytes(src.pelFmt.kind));
        if (copy == nullptr) return nullptr;
        job.src = {copy, w};
        src.Unlock();
    }
    if (key.op == DrawOp::AlphaMap) {
        job.alphaMap = lockView(params.alphaMap, &plan.srcRect, 1);
        if (job.alphaMap.pels == nullptr) return copy;
    }
    if (key.depth) {
        job.srcDepth = lockView(params.srcDepth, &plan.srcRect, 1);
        job.dstDepth = lockView(params.dstDepth, &plan.srcRect, 0);
        if (job.srcDepth.pels == nullptr || job.dstDepth.pels == nullptr) return copy;
    }
    job.dst = lockView(&dst, &plan.dstRect, 0);
    if (job.dst.pels != nullptr) plan.loop(job);
    return copy;
}

// The slot of the request, with the key a keyed slot compares; -1 when it draws nothing.
int requestSlot(const imgCTy& src, const DrawParams& params)
{
    return blitRequestSlot(static_cast<std::uint32_t>(params.mode), params.scaled != 0, src.hasColorKey != 0,
                           params.srcDepth != nullptr);
}

// The general dispatcher, for a source and destination that both have a palette or neither: an
// index image onto an index image is copied byte for byte in any mode; every other pair takes
// its cell by the kinds' groups and the request's slot, a keyed slot the key in the source's
// form. False when no loop serves the request.
bool draw_dispatch(const imgCTy& src, const imgCTy& dst, const DrawParams& params, BlitPlan& plan)
{
    BlitJob& job = plan.job;
    job.key = 0;
    job.table = nullptr;
    if (src.pelFmt.kind == PelKind::Index8 && dst.pelFmt.kind == PelKind::Index8) {
        // Index bytes onto index bytes in any mode; key, depth and palettes take no part.
        plan.key = DrawKey{DrawOp::Copy, false, false, params.scaled != 0};
        plan.loop = params.scaled != 0 ? &blit_stretch_copy_pal8_to_pal8 : &blit_copy_pal8_to_pal8;
        return true;
    }
    const int slot = requestSlot(src, params), srcGroup = blitGroupOf(src.pelFmt.kind);
    plan.loop = blitCell(srcGroup, blitGroupOf(dst.pelFmt.kind), slot);
    if (plan.loop == nullptr) return false;
    plan.key = drawSlots[static_cast<std::size_t>(slot)];
    if (plan.key.keyed) job.key = pelKeyOf(static_cast<PelGroup>(srcGroup), src.colorKeyRgba);
    return true;
}

// The palettized dispatcher, for an index image with a palette onto a destination without one:
// has the palette's table built in the destination's kind, then takes the palettized cell; a
// keyed slot compares the key colour in the table's form. False when no loop serves the request
// or the table could not be built.
bool draw_dispatch_pal(imgCTy& src, const imgCTy& dst, const DrawParams& params, BlitPlan& plan)
{
    // The palette's table in the destination's kind, rebuilt only at a change of kind, before
    // anything is tested (the table builder's report may jump away). A kind outside the kind
    // table has no table to build.
    const int dstKind = dst.pelFmt.kind;
    if (pelKindOf(dstKind) == nullptr) return false;
    src.BuildPalTbl(dstKind);
    const int slot = requestSlot(src, params), dstGroup = blitGroupOf(dstKind);
    plan.loop = blitPalCell(dstGroup, slot);
    if (plan.loop == nullptr) return false;
    // Without the table built for this kind nothing can be read.
    const palCTy* const palette = src.pelFmt.palette;
    if (palette->table == nullptr || palette->tableKind != static_cast<std::uint32_t>(dstKind)) return false;
    BlitJob& job = plan.job;
    plan.key = drawSlots[static_cast<std::size_t>(slot)];
    job.table = palette->table;
    // 32-bit and rgb888 entries are compared as the colour's bytes; the 16-bit ones as the colour
    // converted, the 5551 ones on bits 0 to 14 (the loops mask bit 15).
    job.key = plan.key.keyed ? pelKeyOf(pelGroupOf(static_cast<PelGroup>(dstGroup)).entries, src.colorKeyRgba) : 0;
    return true;
}

// What the last draw on this thread does with its request: nothing drawn, the general path (a
// stretch, an alpha map or depth images), its loop on the short path, or, for a loop that copies
// rows byte for byte, one move where both sides are gapless. Unset before the first.
enum class Route : std::uint8_t { Unset, Nothing, General, Short, Rows };

// This thread's last selection and its job: the request's fields as they were, its route, loop
// and the two kinds' pixel sizes, and the job with the request's fields filled (no alpha map or
// depth views, no steps, the key's pixel, no table), for a source, destination and mode drawn
// again. The fields are compared raw (a scale flag of 2 against 1, or a key colour that no key
// uses): a difference only selects again. Per thread, so draws on other threads neither race on
// it nor evict it; a loop draws no image itself, so no draw runs inside another on one thread.
struct LastDraw {
    std::int32_t srcKind, dstKind, mode, scaled;
    std::uint32_t hasKey, keyColour;
    Route route;
    std::int32_t srcBytes, dstBytes;
    BlitFn* loop;
    BlitJob job;
};
constinit thread_local LastDraw lastDraw{};

[[gnu::always_inline]] inline std::uint32_t keyColourOf(const imgCTy& src)
{
    std::uint32_t colour;
    std::memcpy(&colour, src.colorKeyRgba, 4);
    return colour;
}

// The last draw's route when this request is its request, else Unset. One branch: the fields
// are folded, not tested one by one.
[[gnu::always_inline]] inline Route lastRoute(const LastDraw& last, const imgCTy& src, const imgCTy& dst, const DrawParams& params)
{
    const std::uint32_t apart = static_cast<std::uint32_t>((src.pelFmt.kind ^ last.srcKind) | (dst.pelFmt.kind ^ last.dstKind) |
                                                           (params.mode ^ last.mode) | (params.scaled ^ last.scaled)) |
                                (src.hasColorKey ^ last.hasKey) | (keyColourOf(src) ^ last.keyColour);
    return apart == 0 ? last.route : Route::Unset;
}

// Selects for a request without palettes, alpha map or depth images into the last draw; false
// for a kind or mode outside the tables (the general path serves those).
[[gnu::noinline]] bool select(const imgCTy& src, const imgCTy& dst, const DrawParams& params)
{
    if ((static_cast<std::uint32_t>(src.pelFmt.kind) | static_cast<std::uint32_t>(dst.pelFmt.kind) |
         static_cast<std::uint32_t>(params.mode)) >= 16)
        return false;
    BlitPlan plan;
    const bool drawn = draw_dispatch(src, dst, params, plan);
    LastDraw& last = lastDraw;
    last.srcKind = src.pelFmt.kind, last.dstKind = dst.pelFmt.kind, last.mode = params.mode, last.scaled = params.scaled;
    last.hasKey = src.hasColorKey, last.keyColour = keyColourOf(src);
    // Rows are copied as they are by a plain copy onto the same group (or index bytes onto index
    // bytes, which ignore the mode).
    const int srcGroup = blitGroupOf(src.pelFmt.kind);
    const bool sameRows = drawn && plan.key == DrawKey{DrawOp::Copy, false, false, false} &&
                          ((src.pelFmt.kind == PelKind::Index8 && dst.pelFmt.kind == PelKind::Index8) ||
                           (srcGroup >= 0 && srcGroup == blitGroupOf(dst.pelFmt.kind)));
    last.route = !drawn                                                                          ? Route::Nothing
                 : plan.key.stretch || plan.key.depth || plan.key.op == DrawOp::AlphaMap ? Route::General
                 : sameRows                                                               ? Route::Rows
                                                                                          : Route::Short;
    last.loop = drawn ? plan.loop : nullptr;
    last.srcBytes = imgPelBytes(src.pelFmt.kind);
    last.dstBytes = imgPelBytes(dst.pelFmt.kind);
    last.job.alphaMap = last.job.srcDepth = last.job.dstDepth = BlitView{nullptr, 0};
    last.job.stepX = last.job.stepY = 0;
    last.job.key = drawn ? plan.job.key : 0;
    last.job.table = nullptr;
    return true;
}

// plainRows for the common draw, by the address of the class's type record alone: no name
// compared. The record is emitted once, with the class's first virtual; where a link held two,
// a miss only sends the draw down the general path, which asks plainRows.
[[gnu::always_inline]] inline imgRowCTy* plainRowsAtOnce(imgCTy* image)
{
    return &typeid(*image) == &typeid(imgRowCTy) ? static_cast<imgRowCTy*>(image) : nullptr;
}

[[gnu::always_inline]] inline bool lockedOther(const imgCTy* image) { return image != nullptr && image->lockedPels != nullptr; }

enum class Plain : std::uint8_t { Other, Missed, Done, Ready, Block };

// The rectangle r of an unscaled draw at (x, y) clipped to both images as blitPlan clips it; 0
// wide when nothing is left.
[[gnu::noinline]] imgRect clipped(imgRect r, int x, int y, const imgCTy& src, const imgCTy& dst)
{
    using blit::plan::clipUnscaled;
    const blit::plan::Span sx = clipUnscaled(r.x, r.width, x, src.width, dst.width, INT64_MAX);
    const blit::plan::Span sy = clipUnscaled(r.y, r.height, y, src.height, dst.height, INT64_MAX);
    if (sx.hi <= sx.lo || sy.hi <= sy.lo) return {};
    return {static_cast<std::int32_t>(sx.lo), static_cast<std::int32_t>(sy.lo), static_cast<std::int32_t>(sx.hi - sx.lo),
            static_cast<std::int32_t>(sy.hi - sy.lo)};
}

// A block move: where it goes and how many bytes.
struct Block {
    std::uint8_t* to;
    const std::uint8_t* from;
    std::size_t bytes;
};

// The common draw without its general machinery: two plain row images with pixels (not one
// image), no palettes, no source depth image, no alpha map or depth image left locked, an
// unscaled draw. Does what the general path does, the lock records included: the loop is the
// one draw_dispatch selects, the rectangle the one blitPlan clips, each image's lock fields as
// its lock leaves them, and both images end unlocked. Other (or Missed: a request other than the
// last one) having changed no image; Done when nothing is drawn; Ready when the last draw's job
// is filled for its loop; Block when the draw is the one move filled in.
[[gnu::always_inline]] inline Plain planPlainRows(imgCTy& src, imgCTy& dst, int x, int y, const imgRect* rect, const DrawParams& params,
                                                  Block& block)
{
    imgRowCTy* const from = plainRowsAtOnce(&src);
    imgRowCTy* const to = plainRowsAtOnce(&dst);
    if (from == nullptr || to == nullptr || from == to || from->pels == nullptr || to->pels == nullptr ||
        (reinterpret_cast<std::uintptr_t>(src.pelFmt.palette) | reinterpret_cast<std::uintptr_t>(dst.pelFmt.palette) |
         reinterpret_cast<std::uintptr_t>(params.srcDepth)) != 0 ||
        lockedOther(params.alphaMap) || lockedOther(params.dstDepth))
        return Plain::Other;
    LastDraw& last = lastDraw;
    switch (lastRoute(last, src, dst, params)) {
    case Route::Unset: return Plain::Missed;
    case Route::General: return Plain::Other;
    case Route::Nothing:
        // As the general path leaves them: unlocked.
        src.lockedPels = nullptr;
        dst.lockedPels = nullptr;
        return Plain::Done;
    case Route::Short:
    case Route::Rows: break;
    }
    // From here the draw is this path's: every image that takes part ends unlocked.
    src.lockedPels = nullptr;
    dst.lockedPels = nullptr;
    imgRect at{0, 0, src.width, src.height};
    if (rect != nullptr) at = {rect->x, rect->y, rect->width, rect->height};
    // A rectangle inside both images, as a sprite's mostly is, stays as it is: tested by branches,
    // which prediction takes off the way to the pixels' addresses, where the clip's chain of
    // minima and maxima lay.
    const auto inside = [](std::int64_t start, std::int64_t length, std::int64_t offset, std::int64_t srcSize, std::int64_t dstSize) {
        return start >= 0 && start + offset >= 0 && length > 0 && start + length <= srcSize && start + length + offset <= dstSize;
    };
    if (!inside(at.x, at.width, x, src.width, dst.width) || !inside(at.y, at.height, y, src.height, dst.height)) {
        at = clipped(at, x, y, src, dst);
        if (at.width == 0) return Plain::Done;
    }
    const imgRect onto{at.x + x, at.y + y, at.width, at.height};
    // The records a lock of each image leaves behind it.
    src.lockRect = at, src.lockAccess = 1, src.lockPitch = from->pitch;
    dst.lockRect = onto, dst.lockAccess = 0, dst.lockPitch = to->pitch;
    std::uint8_t* const srcPels = from->pels + (std::int64_t{at.y} * from->pitch + at.x) * last.srcBytes;
    std::uint8_t* const dstPels = to->pels + (std::int64_t{onto.y} * to->pitch + onto.x) * last.dstBytes;
    if (last.route == Route::Rows && from->pitch == at.width && to->pitch == at.width) {
        // Rows without gaps on either side: what the loop would make of them, without the loop.
        block = {dstPels, srcPels, static_cast<std::size_t>(at.width) * static_cast<std::size_t>(at.height) * static_cast<std::size_t>(last.srcBytes)};
        return Plain::Block;
    }
    BlitJob& job = last.job;
    job.src = {srcPels, from->pitch};
    job.dst = {dstPels, to->pitch};
    job.x = at.x, job.y = at.y, job.width = at.width, job.height = at.height;
    job.alpha = std::clamp(params.alpha, 0, 256);
    return Plain::Ready;
}

// Every other draw: select, plan, lock, run and unlock through the general machinery. Apart
// from the common draw's path, so that path keeps a small frame.
[[gnu::noinline]] void drawGeneral(imgCTy& src, imgCTy* dst, int x, int y, const imgRect* rect, const DrawParams* params)
{
    imgRect whole;
    if (rect == nullptr) rect = src.GetRect(&whole);
    imgCTy* const alphaMap = params->alphaMap;
    imgCTy* const srcDepth = params->srcDepth;
    imgCTy* const dstDepth = params->dstDepth;
    // Every image starts unlocked, so each is locked where this draw needs it and not where a
    // caller left it, and every image ends unlocked: the alpha map and depth images only need
    // a look at the end when the draw locked them.
    const auto unlockAll = [&](bool others) {
        unlockIfLocked(&src);
        unlockIfLocked(dst);
        if (others) unlockIfLocked(alphaMap), unlockIfLocked(srcDepth), unlockIfLocked(dstDepth);
    };
    unlockAll(true);
    const bool srcPalette = src.pelFmt.palette != nullptr, dstPalette = dst->pelFmt.palette != nullptr;
    if (dstPalette && !srcPalette) {
        // Posted last, with nothing locked and nothing to destroy: a handler may jump away.
        ctyErrorf(4, "imgCTy::Draw: This is not impelmetned yet");
        return;
    }
    // Only an index image takes the palettized route; other kinds with a palette draw by their kind.
    BlitPlan plan;
    const bool palettized = srcPalette && !dstPalette && src.pelFmt.kind == PelKind::Index8;
    if (!(palettized ? draw_dispatch_pal(src, *dst, *params, plan) : draw_dispatch(src, *dst, *params, plan))) return;
    if (!blitPlan(src, *dst, x, y, *rect, *params, plan)) return;
    if (std::uint8_t* copy = run(src, *dst, *params, plan)) ctyFree(copy);
    unlockAll(plan.key.op == DrawOp::AlphaMap || plan.key.depth);
}

// A request other than the last: selected, then drawn as the last one; one outside the tables
// goes the general way.
[[gnu::noinline]] void selectAndDraw(imgCTy& src, imgCTy* dst, int x, int y, const imgRect* rect, const DrawParams* params)
{
    if (select(src, *dst, *params))
        src.imgCTy::DrawEx(dst, x, y, rect, params);
    else
        drawGeneral(src, dst, x, y, rect, params);
}

}  // namespace

void imgCTy::DrawEx(imgCTy* dst, int x, int y, const imgRect* rect, const DrawParams* params)
{
    if (dst == nullptr || params == nullptr) return;
    // Every call below is the last thing done: the common draw needs no frame of its own.
    Block block;
    switch (planPlainRows(*this, *dst, x, y, rect, *params, block)) {
    case Plain::Other: return drawGeneral(*this, dst, x, y, rect, params);
    case Plain::Missed: return selectAndDraw(*this, dst, x, y, rect, params);
    case Plain::Done: return;
    case Plain::Ready: return lastDraw.loop(lastDraw.job);
    case Plain::Block: return blit::copyBlock(talvo::simd::level(), block.to, block.from, block.bytes);
    }
}
