// The one blit loop template: every (source, destination, slot) loop is an instantiation of it.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string_view>
#include <type_traits>

#include "sprite/PelOpList.h"
#include "sprite/drawKey.h"
#include "sprite/blit/BlitJob.h"
#include "sprite/blit/BlitTable.h"
#include "sprite/blit/BlitKeptApart.h"
#include "sprite/blit/BlitLanes.h"
#include "sprite/blit/BlitRows.h"
#include "sprite/blit/BlitTraits.h"
#include "sprite/blit/BlitWords.h"

namespace blit {

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

// Whether a copy moves the source value (or palette entry) unchanged: a source of the
// destination's own group (a palettized one holds entries of it).
template <class S, class D>
inline constexpr bool rawCopy = S::group == D::group;

// The constant-alpha operators that a pair takes from another: the 32-bit source's own onto
// rgba5551, and the rgbx5551 blends where bit 15 of a rgba5551 source takes no part.
struct BorrowedAlpha {
    Group src, dst;
    std::string_view opSrc, opDst;
};
inline constexpr BorrowedAlpha borrowedAlphas[] = {
    {Group::X8888, Group::Rgba5551, "rgba8888", "rgba5551"},
    {Group::Rgba5551, Group::Rgb565, "rgbx5551", "rgb565"},
    {Group::Rgba5551, Group::Rgba5551, "rgbx5551", "rgbx5551"},
};

// The constant-alpha operator of a pair: its own by the operator words, or the one it borrows.
template <class S, class D>
consteval pelAlphaFn* alphaOp()
{
    for (const BorrowedAlpha& b : borrowedAlphas)
        if (!S::palettized && b.src == S::group && b.dst == D::group) return blendOp("alpha", b.opSrc, b.opDst);
    return blendOp("alpha", S::word, D::word);
}

// One drawn pixel (after the depth and key tests): d is read and written in place.
template <class S, class D, DrawKey K>
inline void blitPixel(std::uint8_t* d, const std::uint8_t* s, int a)
{
    constexpr DrawOp op = K.op;
    if constexpr (op == DrawOp::Copy) {
        if constexpr (rawCopy<S, D>) {
            std::memcpy(d, s, S::bytes);
        } else {
            const auto v = S::load(s);
            D::copy(d, S::widen(v), S::alphaOf(v));
        }
    } else if constexpr (keptApart(S::group, D::group, K)) {
        keptApartPixel<D, K>(d, s, a);
    } else if constexpr (D::group == Group::X8888 &&
                         (op == DrawOp::Alpha || op == DrawOp::AlphaMap || op == DrawOp::Premul || op == DrawOp::Add)) {
        // Onto 32-bit pixels the blends, premultiplied alpha and add run on whole words.
        const std::uint32_t dw = load32(d), sw = bgrWord(S::widen(S::load(s))), ua = static_cast<std::uint32_t>(a);
        if constexpr (op == DrawOp::Premul)
            store32(d, words::premul(dw, sw, ua));
        else if constexpr (op == DrawOp::Add)
            store32(d, words::add(dw, sw));
        else
            store32(d, words::alpha(dw, sw, ua));
    } else if constexpr (op == DrawOp::Alpha || op == DrawOp::AlphaMap) {
        if constexpr (D::wide && S::inlineBlend) {
            const pel::Bgr c = S::widen(S::load(s));
            d[0] = static_cast<std::uint8_t>(pel::mix(d[0], c.b, a));
            d[1] = static_cast<std::uint8_t>(pel::mix(d[1], c.g, a));
            d[2] = static_cast<std::uint8_t>(pel::mix(d[2], c.r, a));
        } else {
            constexpr pelAlphaFn* op = alphaOp<S, D>();
            op(d, s, a);
        }
    } else if constexpr (op == DrawOp::Premul) {
        constexpr pelAlphaFn* premul = blendOp("premul", S::word, D::word);
        premul(d, s, a);
    } else {
        if constexpr (D::wide && (op == DrawOp::Modulate || (op == DrawOp::Subtract && S::inlineSubtract))) {
            const pel::Bgr c = S::widen(S::load(s));
            const int sc[3] = {c.b, c.g, c.r};
            for (int i = 0; i < 3; ++i)
                d[i] = static_cast<std::uint8_t>(op == DrawOp::Modulate ? (d[i] * sc[i]) >> 8 : (d[i] > sc[i] ? d[i] - sc[i] : 0));
        } else {
            constexpr pelColourFn* colour = colourOp(drawOpWords[static_cast<int>(op)], S::word, D::word);
            colour(d, s);
        }
    }
}

// One row of an unscaled draw without key or depth test; map is read only by alpha-map draws.
template <class S, class D, DrawKey K>
inline void blitRow(std::uint8_t* __restrict d, const std::uint8_t* __restrict s, const std::uint8_t* __restrict map, int w, int alpha)
{
    constexpr bool byMap = K.op == DrawOp::AlphaMap;
    int i = 0;
    if constexpr (constexpr lanes::Op op = lanes::opOf<S, D, K>(); op != lanes::Op::None) i = lanes::row<op, S, byMap>(d, s, map, w, alpha);
    for (; i < w; ++i) blitPixel<S, D, K>(d + std::ptrdiff_t{i} * D::bytes, s + std::ptrdiff_t{i} * S::step, byMap ? map[i] : alpha);
}

// One row of a plain stretch copy that moves source values unchanged: column i reads source
// pixel (accX + i * stepX) >> 16 of srow.
template <class S, class D>
inline void stretchCopyRow(std::uint8_t* __restrict d, const std::uint8_t* __restrict srow, const std::uint8_t* table,
                           std::uint32_t accX, std::uint32_t stepX, int w)
{
    const auto at = [srow, table](std::uint32_t acc) { return S::fetch(table, srow + static_cast<std::ptrdiff_t>(acc >> 16) * S::step); };
    int i = 0;
    if constexpr (D::bytes == 2 || D::bytes == 4) {
        // Pixels go out gathered into one 64-bit store (little-endian lanes: first pixel lowest).
        using Pel = std::conditional_t<D::bytes == 2, std::uint16_t, std::uint32_t>;
        constexpr int n = 8 / D::bytes;
        for (; i + n <= w; i += n) {
            std::uint64_t word = 0;
            for (int k = 0; k < n; ++k, accX += stepX) {
                Pel v;
                std::memcpy(&v, at(accX), sizeof v);
                word |= std::uint64_t{v} << (std::endian::native == std::endian::little ? 8 * D::bytes * k : 64 - 8 * D::bytes * (k + 1));
            }
            std::memcpy(d + std::ptrdiff_t{i} * D::bytes, &word, 8);
        }
    }
    for (; i < w; ++i, accX += stepX) std::memcpy(d + std::ptrdiff_t{i} * D::bytes, at(accX), D::bytes);
}

// Walks job.width x job.height destination pixels once. Unscaled: every view starts at the
// first pixel of the rectangle and steps by its own pitch. Stretch: the source view is the whole
// source, sampled at ((x + i) * stepX) >> 16, ((y + j) * stepY) >> 16 in 32-bit unsigned steps.
// A palettized source's pixel is the table entry of its index byte.
// Depth test before key test; a keyed-out pixel that passed the depth test keeps its new depth.
// Inlined whole into the loop that bears its name, so that loop is the walk itself.
template <class S, class D, DrawKey K>
[[gnu::always_inline]] inline void blitLoop(const BlitJob& job)
{
    // Every field is read once: stores through the byte pointers could alias the job.
    const int w = job.width, h = job.height, alpha = job.alpha;
    if (w <= 0 || h <= 0) return;
    const auto key = static_cast<typename S::Raw>(job.key & S::keyBits);
    const auto keyedOut = [key](const std::uint8_t* sp) { return (S::load(sp) & S::keyBits) == key; };
    const std::uint8_t* const table = job.table;
    const std::ptrdiff_t sStride = std::ptrdiff_t{job.src.pitch} * S::step;
    const std::ptrdiff_t dStride = std::ptrdiff_t{job.dst.pitch} * D::bytes;
    std::uint8_t* drow = job.dst.pels;
    if constexpr (K.stretch) {
        const std::uint32_t stepX = job.stepX, stepY = job.stepY, startX = static_cast<std::uint32_t>(job.x) * stepX;
        const std::uint8_t* const src = job.src.pels;
        std::uint32_t accY = static_cast<std::uint32_t>(job.y) * stepY;
        if constexpr (K.op == DrawOp::Copy && !K.keyed && rawCopy<S, D>) {
            // A row is a function of its source row alone: a repeated source row (scales above 1)
            // repeats the row just written.
            const std::size_t rowBytes = static_cast<std::size_t>(w) * D::bytes;
            std::uint32_t last = 0;
            for (int j = 0; j < h; ++j, accY += stepY, drow += dStride) {
                const std::uint32_t sy = accY >> 16;
                if (j > 0 && sy == last)
                    std::memcpy(drow, drow - dStride, rowBytes);
                else
                    stretchCopyRow<S, D>(drow, src + static_cast<std::ptrdiff_t>(sy) * sStride, table, startX, stepX, w);
                last = sy;
            }
            return;
        }
        for (int j = 0; j < h; ++j, accY += stepY, drow += dStride) {
            const std::uint8_t* srow = src + static_cast<std::ptrdiff_t>(accY >> 16) * sStride;
            std::uint32_t accX = startX;
            std::uint8_t* dp = drow;
            for (int i = 0; i < w; ++i, accX += stepX, dp += D::bytes) {
                const std::uint8_t* sp = S::fetch(table, srow + static_cast<std::ptrdiff_t>(accX >> 16) * S::step);
                if constexpr (K.keyed)
                    if (keyedOut(sp)) continue;
                blitPixel<S, D, K>(dp, sp, alpha);
            }
        }
    } else if constexpr (K.op == DrawOp::Copy && !K.depth && S::palettized && D::bytes == 2 && rawCopy<S, D>) {
        // Palettized onto 16-bit pixels, plain or keyed: the entries of a row gathered.
        const std::uint8_t* srow = job.src.pels;
        for (int j = 0; j < h; ++j, srow += sStride, drow += dStride)
            palRow16<K.keyed>(drow, srow, table, w, key, S::keyBits);
    } else if constexpr (K.op == DrawOp::Copy && K.keyed && !K.depth && !S::palettized && S::bytes == 2 &&
                         rawCopy<S, D>) {
        // Keyed copies of 16-bit words onto their own group: whole rows, eight words a step.
        const std::uint8_t* srow = job.src.pels;
        for (int j = 0; j < h; ++j, srow += sStride, drow += dStride) keyedRow16(drow, srow, w, key, S::keyBits);
    } else if constexpr (K.op == DrawOp::Copy && !K.keyed && !K.depth) {
        // Every pixel of every row is written: whole rows at a time.
        const std::uint8_t* srow = job.src.pels;
        if constexpr (rawCopy<S, D> && !S::palettized) {
            copyRows(drow, dStride, srow, sStride, static_cast<std::size_t>(w) * S::bytes, h);
            return;
        }
        for (int j = 0; j < h; ++j, srow += sStride, drow += dStride) {
            if constexpr (!S::palettized && D::wide)
                copyRowOntoBytes<S, D>(drow, srow, w);
            else
                for (int i = 0; i < w; ++i)
                    blitPixel<S, D, K>(drow + std::ptrdiff_t{i} * D::bytes, S::fetch(table, srow + std::ptrdiff_t{i} * S::step), alpha);
        }
    } else {
        constexpr bool map = K.op == DrawOp::AlphaMap;
        const std::uint8_t* srow = job.src.pels;
        const std::uint8_t* mrow = job.alphaMap.pels;
        const std::uint8_t* sdrow = job.srcDepth.pels;
        std::uint8_t* ddrow = job.dstDepth.pels;
        const std::ptrdiff_t mStride = job.alphaMap.pitch, sdStride = std::ptrdiff_t{job.srcDepth.pitch} * 4,
                             ddStride = std::ptrdiff_t{job.dstDepth.pitch} * 4;
        for (int j = 0; j < h; ++j) {
            if constexpr (!K.depth && !K.keyed && !S::palettized) {
                // Rows of a different image than the source: no store can change a later read.
                blitRow<S, D, K>(drow, srow, mrow, w, alpha);
            } else {
                for (int i = 0; i < w; ++i) {
                    if constexpr (K.depth) {
                        const std::int32_t sd = loadDepth(sdrow + 4 * i);
                        if (!(sd > loadDepth(ddrow + 4 * i))) continue;
                        storeDepth(ddrow + 4 * i, sd);
                    }
                    const std::uint8_t* sp = S::fetch(table, srow + std::ptrdiff_t{i} * S::step);
                    if constexpr (K.keyed)
                        if (keyedOut(sp)) continue;
                    int a = alpha;
                    if constexpr (map) a = mrow[i];
                    blitPixel<S, D, K>(drow + std::ptrdiff_t{i} * D::bytes, sp, a);
                }
            }
            srow += sStride;
            drow += dStride;
            if constexpr (map) mrow += mStride;
            if constexpr (K.depth) {
                sdrow += sdStride;
                ddrow += ddStride;
            }
        }
    }
}

// ---- the named loops ----

// The source of a pair: an index byte onto a colour group reads the palette's table converted
// for it.
template <Group S, Group D>
using SourceOf = std::conditional_t<S == Group::Index8 && D != Group::Index8, Pal8Source<pelGroupOf(D).entries>, Source<S>>;

} // namespace blit

// Defines the loop of a name in the selection table (BlitTable.h): the template for the pair and
// the key its name spells.
#define BLIT_DEFINE(OP, S, D, SUF)                                                                     \
    void blit_##OP##_##S##_to_##D##SUF(const BlitJob& job)                                             \
    {                                                                                                  \
        constexpr PelGroup src = pelGroupNamed(#S), dst = pelGroupNamed(#D);                           \
        blit::blitLoop<blit::SourceOf<src, dst>, blit::Dest<dst>, drawKeyNamed(#OP #SUF)>(job);        \
    }
