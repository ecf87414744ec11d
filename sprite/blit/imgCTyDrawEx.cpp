// imgCTy::DrawEx and its two dispatchers: select and plan the draw, lock every image that takes part, run one loop, unlock on every path.
#include <cstring>
#include <typeinfo>

#include "sprite/blit/blitPlan.h"
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

}  // namespace

void imgCTy::DrawEx(imgCTy* dst, int x, int y, const imgRect* rect, const DrawParams* params)
{
    if (dst == nullptr || params == nullptr) return;
    imgRect whole;
    if (rect == nullptr) rect = GetRect(&whole);
    imgCTy* const alphaMap = params->alphaMap;
    imgCTy* const srcDepth = params->srcDepth;
    imgCTy* const dstDepth = params->dstDepth;
    // Every image starts unlocked, so each is locked where this draw needs it and not where a
    // caller left it, and every image ends unlocked: the alpha map and depth images only need
    // a look at the end when the draw locked them.
    const auto unlockAll = [&](bool others) {
        unlockIfLocked(this);
        unlockIfLocked(dst);
        if (others) unlockIfLocked(alphaMap), unlockIfLocked(srcDepth), unlockIfLocked(dstDepth);
    };
    unlockAll(true);
    const bool srcPalette = pelFmt.palette != nullptr, dstPalette = dst->pelFmt.palette != nullptr;
    if (dstPalette && !srcPalette) {
        // Posted last, with nothing locked and nothing to destroy: a handler may jump away.
        ctyErrorf(4, "imgCTy::Draw: This is not impelmetned yet");
        return;
    }
    // Only an index image takes the palettized route; other kinds with a palette draw by their kind.
    BlitPlan plan;
    const bool palettized = srcPalette && !dstPalette && pelFmt.kind == PelKind::Index8;
    if (!(palettized ? draw_dispatch_pal(*this, *dst, *params, plan) : draw_dispatch(*this, *dst, *params, plan))) return;
    if (!blitPlan(*this, *dst, x, y, *rect, *params, plan)) return;
    if (std::uint8_t* copy = run(*this, *dst, *params, plan)) ctyFree(copy);
    unlockAll(plan.key.op == DrawOp::AlphaMap || plan.key.depth);
}
