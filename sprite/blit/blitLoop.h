// The one blit loop template, with the specialised rows listed above it: every loop of the selection table is an instantiation.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <type_traits>

#include "sprite/blit/blitJob.h"
#include "sprite/blit/blitLanes.h"
#include "sprite/blit/blitLanes565.h"
#include "sprite/blit/blitPixel.h"
#include "sprite/blit/blitRows.h"
#include "sprite/blit/blitTable.h"
#include "sprite/blit/blitTraits.h"
#include "sprite/drawKey.h"
#include "sprite/pelRows.h"
#include "talvo/simd.h"

namespace blit {

// ---- the specialised rows ----
// As pixman lists its fast paths above its general path: the first rule a draw meets picks the
// rows that walk it; every other draw takes the general rows of the template, pixel by pixel
// through blitPixel. A rule gives the operations it serves, whether the draw stretches, keys and
// tests depth (Any: either way), and what the (source, destination) pair must be.
enum class Row : std::uint8_t {
    General,
    StretchRepeat,  // a repeated source row copies the row written above it; 64-bit gathered stores
    PalEntries16,   // a row's table entries gathered, eight a step (SSE2)
    KeyedWords16,   // eight words a step, the keyed ones written back (SSE2)
    KeyedWords32,   // four pixels a step, the keyed ones written back (SSE2)
    SameRows,       // whole rows, or one block when both are gapless (SSE2 short rows, AVX2 moves)
    OntoBytes,      // rows converted onto bytes B, G, R (and A)
    CopyPixels,     // each pixel written in turn, no test
    Lanes,          // four pixels at a time in 16-bit lanes (SSE2)
    Lanes565,       // eight rgb565 pixels at a time, a field per 16-bit lane (SSE2)
    OperatorRows,   // the colour operators onto 32-bit pixels, four at a time (SSE2, pelRows.h)
};

enum class Is : std::uint8_t { Any, Yes, No };

enum class Pair : std::uint8_t {
    Same,              // the source holds values of the destination's group (a palettized one: entries)
    SameUnpalettized,  // the same, read from an image of that group
    Pal8Onto16,        // table entries of a 16-bit group onto it
    Same16,            // 16-bit words onto their own group
    Same32,            // 32-bit pixels onto their own group
    Rgb565,            // rgb565 onto rgb565
    OntoBytes,         // an unpalettized source onto 24- or 32-bit pixels
    Any,
    Onto32,            // an unpalettized source onto 32-bit pixels
    Rows32,            // the same, from 32-bit pixels or 16-bit words (the operators' rows read those)
};

struct RowRule {
    Row row;
    std::uint32_t ops;  // one bit per DrawOp
    Is stretch, keyed, depth;
    Pair pair;
};

constexpr std::uint32_t opsOf(std::initializer_list<DrawOp> ops)
{
    std::uint32_t bits = 0;
    for (const DrawOp op : ops) bits |= 1u << static_cast<int>(op);
    return bits;
}

inline constexpr std::uint32_t copies = opsOf({DrawOp::Copy});
inline constexpr std::uint32_t constantAlpha = opsOf({DrawOp::Alpha});
inline constexpr std::uint32_t laneBlends = opsOf({DrawOp::Alpha, DrawOp::AlphaMap, DrawOp::Premul, DrawOp::Add});
inline constexpr std::uint32_t colourModes = opsOf({DrawOp::Modulate, DrawOp::Modulate2x, DrawOp::Modulate4x, DrawOp::AddSigned,
                                                    DrawOp::AddSigned2x, DrawOp::Subtract, DrawOp::AddSmooth});

inline constexpr RowRule rowRules[] = {
    // row               operations  stretch  keyed    depth    pair
    {Row::StretchRepeat, copies,     Is::Yes, Is::No,  Is::Any, Pair::Same},
    {Row::PalEntries16,  copies,     Is::No,  Is::Any, Is::No,  Pair::Pal8Onto16},
    {Row::KeyedWords16,  copies,     Is::No,  Is::Yes, Is::No,  Pair::Same16},
    {Row::KeyedWords32,  copies,     Is::No,  Is::Yes, Is::No,  Pair::Same32},
    {Row::SameRows,      copies,     Is::No,  Is::No,  Is::No,  Pair::SameUnpalettized},
    {Row::OntoBytes,     copies,     Is::No,  Is::No,  Is::No,  Pair::OntoBytes},
    {Row::CopyPixels,    copies,     Is::No,  Is::No,  Is::No,  Pair::Any},
    {Row::Lanes,         laneBlends, Is::No,  Is::No,  Is::No,  Pair::Onto32},
    {Row::Lanes565,      constantAlpha, Is::No, Is::No, Is::No, Pair::Rgb565},
    {Row::OperatorRows,  colourModes, Is::No, Is::No,  Is::No,  Pair::Rows32},
};

template <class S, class D>
consteval bool pairIs(Pair pair)
{
    switch (pair) {
    case Pair::Same: return rawCopy<S, D>;
    case Pair::SameUnpalettized: return rawCopy<S, D> && !S::palettized;
    case Pair::Pal8Onto16: return rawCopy<S, D> && S::palettized && D::bytes == 2;
    case Pair::Same16: return rawCopy<S, D> && !S::palettized && S::bytes == 2;
    case Pair::Same32: return rawCopy<S, D> && !S::palettized && S::bytes == 4;
    case Pair::Rgb565: return !S::palettized && S::group == Group::Rgb565 && D::group == Group::Rgb565;
    case Pair::OntoBytes: return !S::palettized && D::wide;
    case Pair::Any: return true;
    case Pair::Onto32: return !S::palettized && D::group == Group::X8888;
    case Pair::Rows32: return pairIs<S, D>(Pair::Onto32) && (S::bytes == 4 || S::bytes == 2);
    }
    return false;
}

// The row of a draw: the first rule it meets.
template <class S, class D, DrawKey K>
consteval Row rowOf()
{
    const auto meets = [](Is is, bool value) { return is == Is::Any || (is == Is::Yes) == value; };
    for (const RowRule& rule : rowRules)
        if ((rule.ops >> static_cast<int>(K.op) & 1) != 0 && meets(rule.stretch, K.stretch) && meets(rule.keyed, K.keyed) &&
            meets(rule.depth, K.depth) && pairIs<S, D>(rule.pair) &&
            !(rule.row == Row::OperatorRows && keptApart(S::group, D::group, K)))
            return rule.row;
    return Row::General;
}

// One row of an unscaled draw without key or depth test, the vector row's chunks first (Lanes,
// Lanes565 or OperatorRows, with Simd); map is read only by alpha-map draws.
template <class S, class D, DrawKey K, Row R, bool Simd>
inline void blitRow(std::uint8_t* __restrict d, const std::uint8_t* __restrict s, const std::uint8_t* __restrict map, int w, int alpha)
{
    constexpr bool byMap = K.op == DrawOp::AlphaMap;
    int i = 0;
    if constexpr (Simd && R == Row::Lanes) i = lanes::row<lanes::opOf<S, D, K>(), S, byMap>(d, s, map, w, alpha);
    if constexpr (Simd && R == Row::Lanes565) i = lanes565::mixRow(d, s, w, alpha);
    if constexpr (Simd && R == Row::OperatorRows) i = pel::colourRow32<ModeOf<K.op>, FmtOf<S>>(d, s, w);
    for (; i < w; ++i) blitPixel<S, D, K>(d + std::ptrdiff_t{i} * D::bytes, s + std::ptrdiff_t{i} * S::step, byMap ? map[i] : alpha);
}

// ---- the loop template ----
// Walks job.width x job.height destination pixels once. Unscaled: every view starts at the
// first pixel of the rectangle and steps by its own pitch. Stretch: the source view is the whole
// source, sampled at ((x + i) * stepX) >> 16, ((y + j) * stepY) >> 16 in 32-bit unsigned steps.
// A palettized source's pixel is the table entry of its index byte.
// Depth test before key test; a keyed-out pixel that passed the depth test keeps its new depth.
// L: the level the draw asked for (ctySimd.h); above scalar the rows take their vector steps.
template <class S, class D, DrawKey K, talvo::simd::Level L>
[[gnu::always_inline]] inline void blitLoop(const BlitJob& job)
{
    constexpr Row row = rowOf<S, D, K>();
    constexpr bool Simd = L != talvo::simd::Level::scalar;
    // Every field is read once: stores through the byte pointers could alias the job.
    const int w = job.width, h = job.height, alpha = job.alpha;
    if (w <= 0 || h <= 0) return;
    const auto key = static_cast<typename S::Raw>(job.key & S::keyBits);
    const auto keyedOut = [key](const std::uint8_t* sp) { return (S::load(sp) & S::keyBits) == key; };
    const std::uint8_t* const table = job.table;
    const std::ptrdiff_t sStride = std::ptrdiff_t{job.src.pitch} * S::step;
    const std::ptrdiff_t dStride = std::ptrdiff_t{job.dst.pitch} * D::bytes;
    std::uint8_t* drow = job.dst.pels;
    const std::uint8_t* srow = job.src.pels;
    if constexpr (row == Row::StretchRepeat) {
        // A row is a function of its source row alone: a repeated source row (scales above 1)
        // repeats the row just written.
        const std::uint32_t stepX = job.stepX, stepY = job.stepY, startX = static_cast<std::uint32_t>(job.x) * stepX;
        std::uint32_t accY = static_cast<std::uint32_t>(job.y) * stepY;
        const std::size_t rowBytes = static_cast<std::size_t>(w) * D::bytes;
        std::uint32_t last = 0;
        for (int j = 0; j < h; ++j, accY += stepY, drow += dStride) {
            const std::uint32_t sy = accY >> 16;
            if (j > 0 && sy == last)
                std::memcpy(drow, drow - dStride, rowBytes);
            else
                stretchCopyRow<S, D>(drow, srow + static_cast<std::ptrdiff_t>(sy) * sStride, table, startX, stepX, w);
            last = sy;
        }
    } else if constexpr (K.stretch) {
        const std::uint32_t stepX = job.stepX, stepY = job.stepY, startX = static_cast<std::uint32_t>(job.x) * stepX;
        std::uint32_t accY = static_cast<std::uint32_t>(job.y) * stepY;
        for (int j = 0; j < h; ++j, accY += stepY, drow += dStride) {
            const std::uint8_t* sline = srow + static_cast<std::ptrdiff_t>(accY >> 16) * sStride;
            std::uint32_t accX = startX;
            std::uint8_t* dp = drow;
            for (int i = 0; i < w; ++i, accX += stepX, dp += D::bytes) {
                const std::uint8_t* sp = S::fetch(table, sline + static_cast<std::ptrdiff_t>(accX >> 16) * S::step);
                if constexpr (K.keyed)
                    if (keyedOut(sp)) continue;
                blitPixel<S, D, K>(dp, sp, alpha);
            }
        }
    } else if constexpr (row == Row::PalEntries16) {
        for (int j = 0; j < h; ++j, srow += sStride, drow += dStride) palRow16<K.keyed, Simd>(drow, srow, table, w, key, S::keyBits);
    } else if constexpr (row == Row::KeyedWords16) {
        for (int j = 0; j < h; ++j, srow += sStride, drow += dStride) keyedRow<2, Simd>(drow, srow, w, key, S::keyBits);
    } else if constexpr (row == Row::KeyedWords32) {
        for (int j = 0; j < h; ++j, srow += sStride, drow += dStride) keyedRow<4, Simd>(drow, srow, w, key, S::keyBits);
    } else if constexpr (row == Row::SameRows) {
        copyRows<L>(drow, dStride, srow, sStride, static_cast<std::size_t>(w) * S::bytes, h);
    } else if constexpr (row == Row::OntoBytes) {
        for (int j = 0; j < h; ++j, srow += sStride, drow += dStride) copyRowOntoBytes<S, D>(drow, srow, w);
    } else if constexpr (row == Row::CopyPixels) {
        for (int j = 0; j < h; ++j, srow += sStride, drow += dStride)
            for (int i = 0; i < w; ++i)
                blitPixel<S, D, K>(drow + std::ptrdiff_t{i} * D::bytes, S::fetch(table, srow + std::ptrdiff_t{i} * S::step), alpha);
    } else {
        constexpr bool map = K.op == DrawOp::AlphaMap;
        const std::uint8_t* mrow = job.alphaMap.pels;
        const std::uint8_t* sdrow = job.srcDepth.pels;
        std::uint8_t* ddrow = job.dstDepth.pels;
        const std::ptrdiff_t mStride = job.alphaMap.pitch, sdStride = std::ptrdiff_t{job.srcDepth.pitch} * 4,
                             ddStride = std::ptrdiff_t{job.dstDepth.pitch} * 4;
        for (int j = 0; j < h; ++j) {
            if constexpr (!K.depth && !K.keyed && !S::palettized) {
                // Rows of a different image than the source: no store can change a later read.
                blitRow<S, D, K, row, Simd>(drow, srow, mrow, w, alpha);
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

// Constant-factor blends of 32-bit pixels onto 32-bit pixels, the draws that take AVX2 steps.
template <class S, class D, DrawKey K>
consteval bool wideLanes()
{
    return rowOf<S, D, K>() == Row::Lanes && S::group == Group::X8888 && K.op != DrawOp::AlphaMap;
}

// The eight-pixel AVX2 steps of every row in one call (a call per row cost more than it saved on
// small sprites), then the vector loop over the columns they leave.
template <class S, class D, DrawKey K>
[[gnu::always_inline]] inline void blitWideFirst(const BlitJob& job)
{
    const int done = lanes::wideRows<lanes::opOf<S, D, K>()>(job.dst.pels, std::ptrdiff_t{job.dst.pitch} * D::bytes, job.src.pels,
                                                          std::ptrdiff_t{job.src.pitch} * S::step, job.width, job.height, job.alpha);
    if (done >= job.width) return;
    BlitJob rest = job;
    rest.dst.pels += std::ptrdiff_t{done} * D::bytes;
    rest.src.pels += std::ptrdiff_t{done} * S::step;
    rest.width -= done;
    blitLoop<S, D, K, talvo::simd::Level::sse2>(rest);
}

// A draw of the pair and key: the loop with or without its vector steps, as the switch stands
// (asked once per draw and handed down, so no row asks again). Only the AVX2 steps make a third
// loop, where a draw has them. Inlined whole into the loop that bears its name, so that loop is
// the walk itself.
template <class S, class D, DrawKey K>
[[gnu::always_inline]] inline void blitDraw(const BlitJob& job)
{
    constexpr Row row = rowOf<S, D, K>();
    if constexpr (row == Row::PalEntries16 || row == Row::KeyedWords16 || row == Row::KeyedWords32 || row == Row::SameRows ||
                  row == Row::Lanes || row == Row::Lanes565 || row == Row::OperatorRows) {
        using talvo::simd::Level;
        const Level level = talvo::simd::level();
        if constexpr (wideLanes<S, D, K>())
            if (level == Level::avx2) return blitWideFirst<S, D, K>(job);
        if constexpr (row == Row::SameRows)
            if (level == Level::avx2) return blitLoop<S, D, K, Level::avx2>(job);
        if (level >= Level::sse2)
            blitLoop<S, D, K, Level::sse2>(job);
        else
            blitLoop<S, D, K, Level::scalar>(job);
    } else {
        blitLoop<S, D, K, talvo::simd::Level::scalar>(job);
    }
}

// ---- the named loops ----

// The source of a pair: an index byte onto a colour group reads the palette's table converted
// for it.
template <Group S, Group D>
using SourceOf = std::conditional_t<S == Group::Index8 && D != Group::Index8, Pal8Source<pelGroupOf(D).entries>, Source<S>>;

} // namespace blit

// Defines the loop of a name in the selection table (blitTable.h): the template for the pair and
// the key its name spells.
#define BLIT_DEFINE(OP, S, D, SUF)                                                                     \
    void blit_##OP##_##S##_to_##D##SUF(const BlitJob& job)                                             \
    {                                                                                                  \
        constexpr PelGroup src = pelGroupNamed(#S), dst = pelGroupNamed(#D);                           \
        blit::blitDraw<blit::SourceOf<src, dst>, blit::Dest<dst>, drawKeyNamed(#OP #SUF)>(job);        \
    }
