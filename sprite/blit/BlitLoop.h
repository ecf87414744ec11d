// The one blit loop template: every (source, destination, slot) loop is an instantiation of it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string_view>
#include <type_traits>

#include "sprite/PelOpList.h"
#include "sprite/blit/BlitJob.h"
#include "sprite/blit/BlitTraits.h"

namespace blit {

inline constexpr std::string_view opWords[8] = {"modulate", "modulate2x", "modulate4x", "add",
                                                "addsigned", "addsigned2x", "subtract", "addsmooth"};

// The per-pixel operators by name, found at compile time in their member lists, so a loop can
// call only an operator that exists, and the call inlines.
consteval pelColourFn* colourOp(std::string_view op, std::string_view src, std::string_view dst)
{
    for (const auto& m : pelColourMembers)
        if (m.mode == op && m.src == src && m.dst == dst) return m.fn;
    throw "no such colour operator";
}

consteval pelAlphaFn* blendOp(std::string_view op, std::string_view src, std::string_view dst)
{
    using List = std::span<const pelMember<pelAlphaFn>>;
    for (const auto& m : op == "alpha" ? List{pelAlphaMembers} : List{pelPremulMembers})
        if (m.src == src && m.dst == dst) return m.fn;
    throw "no such blend operator";
}

// Whether a copy moves the source word unchanged.
template <class S, class D>
inline constexpr bool rawCopy = S::rawCopy && S::group == D::group;

// One drawn pixel (after the depth and key tests): d is read and written in place.
template <class S, class D, int SlotNo>
inline void blitPixel(std::uint8_t* d, const std::uint8_t* s, int a)
{
    constexpr BlitSlot slot = blitSlotOf(SlotNo);
    constexpr BlitKind kind = slot.kind;
    if constexpr (kind == BlitKind::Copy || kind == BlitKind::StretchCopy) {
        if constexpr (rawCopy<S, D>)
            std::memcpy(d, s, S::bytes);
        else
            D::copy(d, S::widen(S::load(s)));
    } else if constexpr (kind == BlitKind::Alpha || kind == BlitKind::StretchAlpha || kind == BlitKind::AlphaMap) {
        if constexpr (D::wide && S::inlineBlend) {
            const pel::Bgr c = S::widen(S::load(s));
            d[0] = static_cast<std::uint8_t>(pel::mix(d[0], c.b, a));
            d[1] = static_cast<std::uint8_t>(pel::mix(d[1], c.g, a));
            d[2] = static_cast<std::uint8_t>(pel::mix(d[2], c.r, a));
        } else {
            constexpr pelAlphaFn* op = blendOp("alpha", S::word, D::word);
            op(d, s, a);
        }
    } else if constexpr (kind == BlitKind::Premul) {
        constexpr pelAlphaFn* op = blendOp("premul", S::word, D::word);
        op(d, s, a);
    } else {
        constexpr int k = kind == BlitKind::StretchAdd ? 3 : slot.op;
        if constexpr (D::wide && (k == 0 || (k == 6 && S::inlineSubtract))) {
            const pel::Bgr c = S::widen(S::load(s));
            const int sc[3] = {c.b, c.g, c.r};
            for (int i = 0; i < 3; ++i)
                d[i] = static_cast<std::uint8_t>(k == 0 ? (d[i] * sc[i]) >> 8 : (d[i] > sc[i] ? d[i] - sc[i] : 0));
        } else {
            constexpr pelColourFn* op = colourOp(opWords[k], S::word, D::word);
            op(d, s);
        }
    }
}

// Walks job.width x job.height destination pixels once. Unscaled: every view starts at the
// first pixel of the rectangle and steps by its own pitch. Stretch: the source view is the whole
// source, sampled at ((x + i) * stepX) >> 16, ((y + j) * stepY) >> 16 in 32-bit unsigned steps.
// Depth test before key test; a keyed-out pixel that passed the depth test keeps its new depth.
template <class S, class D, int SlotNo>
void blitLoop(const BlitJob& job)
{
    constexpr BlitSlot slot = blitSlotOf(SlotNo);
    // Every field is read once: stores through the byte pointers could alias the job.
    const int w = job.width, h = job.height, alpha = job.alpha;
    if (w <= 0 || h <= 0) return;
    const auto key = static_cast<typename S::Raw>(job.key);
    const std::ptrdiff_t sStride = std::ptrdiff_t{job.src.pitch} * S::bytes;
    const std::ptrdiff_t dStride = std::ptrdiff_t{job.dst.pitch} * D::bytes;
    std::uint8_t* drow = job.dst.pels;
    if constexpr (slot.stretch()) {
        const std::uint32_t stepX = job.stepX, stepY = job.stepY, startX = static_cast<std::uint32_t>(job.x) * stepX;
        const std::uint8_t* const src = job.src.pels;
        std::uint32_t accY = static_cast<std::uint32_t>(job.y) * stepY;
        for (int j = 0; j < h; ++j, accY += stepY, drow += dStride) {
            const std::uint8_t* srow = src + static_cast<std::ptrdiff_t>(accY >> 16) * sStride;
            std::uint32_t accX = startX;
            std::uint8_t* dp = drow;
            for (int i = 0; i < w; ++i, accX += stepX, dp += D::bytes) {
                const std::uint8_t* sp = srow + static_cast<std::ptrdiff_t>(accX >> 16) * S::bytes;
                if constexpr (slot.keyed)
                    if (S::load(sp) == key) continue;
                blitPixel<S, D, SlotNo>(dp, sp, alpha);
            }
        }
    } else if constexpr (slot.kind == BlitKind::Copy && !slot.keyed && !slot.depth) {
        // Every pixel of every row is written: whole rows at a time.
        const std::uint8_t* srow = job.src.pels;
        for (int j = 0; j < h; ++j, srow += sStride, drow += dStride) {
            if constexpr (rawCopy<S, D>)
                std::memcpy(drow, srow, static_cast<std::size_t>(w) * S::bytes);
            else if constexpr (requires { D::template copyRow<S>(drow, srow, w); })
                D::template copyRow<S>(drow, srow, w);
            else
                for (int i = 0; i < w; ++i) blitPixel<S, D, SlotNo>(drow + std::ptrdiff_t{i} * D::bytes, srow + std::ptrdiff_t{i} * S::bytes, alpha);
        }
    } else {
        constexpr bool map = slot.kind == BlitKind::AlphaMap;
        const std::uint8_t* srow = job.src.pels;
        const std::uint8_t* mrow = job.alphaMap.pels;
        const std::uint8_t* sdrow = job.srcDepth.pels;
        std::uint8_t* ddrow = job.dstDepth.pels;
        const std::ptrdiff_t mStride = job.alphaMap.pitch, sdStride = std::ptrdiff_t{job.srcDepth.pitch} * 4,
                             ddStride = std::ptrdiff_t{job.dstDepth.pitch} * 4;
        for (int j = 0; j < h; ++j) {
            for (int i = 0; i < w; ++i) {
                if constexpr (slot.depth) {
                    const std::int32_t sd = loadDepth(sdrow + 4 * i);
                    if (!(sd > loadDepth(ddrow + 4 * i))) continue;
                    storeDepth(ddrow + 4 * i, sd);
                }
                const std::uint8_t* sp = srow + std::ptrdiff_t{i} * S::bytes;
                if constexpr (slot.keyed)
                    if (S::load(sp) == key) continue;
                int a = alpha;
                if constexpr (map) a = mrow[i];
                blitPixel<S, D, SlotNo>(drow + std::ptrdiff_t{i} * D::bytes, sp, a);
            }
            srow += sStride;
            drow += dStride;
            if constexpr (map) mrow += mStride;
            if constexpr (slot.depth) {
                sdrow += sdStride;
                ddrow += ddStride;
            }
        }
    }
}

} // namespace blit
