// The one row walk of every two-image operation: clip, lock, walk rows in an order safe for self-draws.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "img/clip.h"
#include "img/image.h"
#include "img/op.h"
#include "img/op_dispatch.h"
#include "img/op_rules.h"
#include "img/palette.h"
#include "img/wide_steps.h"
#include "talvo/exception.h"
#include "talvo/simd.h"

// Tells g++ a loop's iterations do not depend on each other (clang checks at run time by itself).
#if defined(__GNUC__) && !defined(__clang__)
#define TALVO_G_INDEPENDENT_ITERATIONS _Pragma("GCC ivdep")
#else
#define TALVO_G_INDEPENDENT_ITERATIONS
#endif

namespace talvo::g {

// Runs row(d, s, w, backwards) for each row of the cut rectangles of `op` (DB, SB: bytes per pixel): the
// destination locked for reading and writing, then the source for reading; released in the opposite
// order on every path.
// With MayOverlap (same pixel size on both sides), a draw within one image whose rectangles overlap walks
// in falling address order when the destination lies above the source in memory (rows and, with
// `backwards`, pixels), so every pixel is read before it is written over.
template <std::uint32_t DB, std::uint32_t SB, bool MayOverlap, class Row>
void walkRows(const BOp& op, Row&& row) {
    Image& dst = *op.dst;
    Image& src = *op.src;
    Rect whole;
    src.bounds(whole);
    const Rect& srcRect = op.srcRect != nullptr ? *op.srcRect : whole;
    BlitArea area;
    if (!clipBlit(dst, op.rect->x0, op.rect->y0, src, srcRect, INT64_MAX, INT64_MAX, area)) return;
    Image::Lock dLock(dst, &area.dst, Image::lockReadWrite);
    Image::Lock sLock(src, &area.src, Image::lockRead);
    if (dLock.bits == nullptr || sLock.bits == nullptr) return;
    const std::int32_t w = area.dst.width();
    const std::int32_t h = area.dst.height();
    std::uint8_t* d = dLock.bits;
    const std::uint8_t* s = sLock.bits;
    std::ptrdiff_t dPitch = dLock.pitch;
    std::ptrdiff_t sPitch = sLock.pitch;
    bool backwards = false;
    if constexpr (MayOverlap) {
        if (&dst == &src && !area.dst.intersection(area.src).empty()) {
            backwards = reinterpret_cast<std::uintptr_t>(d) > reinterpret_cast<std::uintptr_t>(s);
            if ((dPitch > 0) == backwards) {  // rows bottom-up
                d += (h - 1) * dPitch;
                s += (h - 1) * sPitch;
                dPitch = -dPitch;
                sPitch = -sPitch;
            }
        }
    }
    // Rows back to back on both sides walk as one.
    if (dPitch == std::ptrdiff_t{DB} * w && sPitch == std::ptrdiff_t{SB} * w && std::int64_t{w} * h <= INT32_MAX)
        return row(d, s, w * h, backwards);
    for (std::int32_t y = 0; y < h; ++y, d += dPitch, s += sPitch) row(d, s, w, backwards);
}

// A row of a pixel function px(d, s), keyed (skipping source pixels that equal the key) or plain.
// Iterations are independent: a walk that overlaps itself runs in the direction where every pixel is
// read before it is written, whatever order the compiler gives the iterations (so it may vectorise).
template <std::uint32_t DB, std::uint32_t SB, bool MayOverlap, class Skip, class Px>
inline void pixelRow(std::uint8_t* d, const std::uint8_t* s, std::int32_t w, bool backwards, Skip skip, Px px) {
    if constexpr (MayOverlap) {
        if (backwards) {
            TALVO_G_INDEPENDENT_ITERATIONS
            for (std::int32_t i = w - 1; i >= 0; --i)
                if (!skip(s + std::ptrdiff_t{i} * SB)) px(d + std::ptrdiff_t{i} * DB, s + std::ptrdiff_t{i} * SB);
            return;
        }
    }
    TALVO_G_INDEPENDENT_ITERATIONS
    for (std::int32_t i = 0; i < w; ++i)
        if (!skip(s + std::ptrdiff_t{i} * SB)) px(d + std::ptrdiff_t{i} * DB, s + std::ptrdiff_t{i} * SB);
}


// Rows of a pixel function, skipping source pixels that isKey(p, key) finds equal to the source's key.
template <std::uint32_t DB, std::uint32_t SB, bool MayOverlap, class Key, class Px>
void keyedRows(const BOp& op, Key isKeyed, Px px) {
    const std::uint32_t key = op.src->keyPixel();
    const auto skip = [&](const std::uint8_t* p) { return isKeyed(p, key); };
    walkRows<DB, SB, MayOverlap>(op, [&](std::uint8_t* d, const std::uint8_t* s, std::int32_t w, bool back) {
        pixelRow<DB, SB, MayOverlap>(d, s, w, back, skip, px);
    });
}

// Rows of a pixel function over every pixel; a px with chunk() takes several pixels a step while the
// vector level allows (its scalar twin is the pixel function itself).
template <std::uint32_t DB, std::uint32_t SB, bool MayOverlap, class Px>
void plainRows(const BOp& op, Px px) {
    const auto keep = [](const std::uint8_t*) { return false; };
    const simd::Level level = simd::level();
    walkRows<DB, SB, MayOverlap>(op, [&](std::uint8_t* d, const std::uint8_t* s, std::int32_t w, bool back) {
        if constexpr (requires { px.chunk(d, s); }) {
            // Whole chunks first; a forward walk that is safe pixel by pixel is safe chunk by chunk,
            // since each chunk is read whole before any of it is written.
            if (!back && level >= simd::Level::sse2) {
                // Steps of AVX2 vectors, where the processor has them, before the SSE2 steps.
                if constexpr (requires { px.wideRun(d, s, w); }) {
                    if (level == simd::Level::avx2) {
                        const std::int32_t span = w - w % Px::widePixels;
                        px.wideRun(d, s, span / Px::widePixels);
                        d += std::ptrdiff_t{span} * DB;
                        s += std::ptrdiff_t{span} * SB;
                        w -= span;
                    }
                }
                constexpr std::int32_t n = Px::chunkPixels;
                const std::int32_t whole = w - w % n;
                const Px step = px;  // a local the pixel stores cannot alias, so its state stays in registers
                for (std::int32_t i = 0; i < whole; i += n)
                    step.chunk(d + std::ptrdiff_t{i} * DB, s + std::ptrdiff_t{i} * SB);
                d += std::ptrdiff_t{whole} * DB;
                s += std::ptrdiff_t{whole} * SB;
                w -= whole;
            }
        }
        pixelRow<DB, SB, MayOverlap>(d, s, w, back, keep, px);
    });
}

// The pixel function of the pair (D, S) over the op's rows, plain or keyed by the source format's key
// comparison; only same-format pairs can overlap.
template <PelFmtId D, PelFmtId S, class Px>
void pairRows(const BOp& op, Px px) {
    plainRows<pelFmtBytes[D], pelFmtBytes[S], D == S>(op, px);
}

template <PelFmtId D, PelFmtId S, class Px>
void pairRowsKeyed(const BOp& op, Px px) {
    keyedRows<pelFmtBytes[D], pelFmtBytes[S], D == S>(
        op, [](const std::uint8_t* p, std::uint32_t key) { return isKey<S>(p, key); }, px);
}

// Pixels of B bytes copied unchanged: the plain walk moves whole rows; the keyed one compares keyBits.
template <std::uint32_t B>
void sameBytesRows(const BOp& op) {
    walkRows<B, B, true>(op, [](std::uint8_t* d, const std::uint8_t* s, std::int32_t w, bool) {
        std::memmove(d, s, std::size_t{B} * static_cast<std::size_t>(w));
    });
}

template <std::uint32_t B>
void sameBytesRowsKeyed(const BOp& op, std::uint32_t keyBits) {
    keyedRows<B, B, true>(
        op, [keyBits](const std::uint8_t* p, std::uint32_t key) {
            return ((loadPixelValue<B>(p) ^ key) & keyBits) == 0;
        },
        [](std::uint8_t* d, const std::uint8_t* s) { std::memcpy(d, s, B); });
}

// A paletted source onto D: each index byte picks an entry of the palette's table converted to D (at
// least 256 entries), which px(d, entry) writes; the keyed walk (chosen once) compares the index with the
// whole key pixel.
template <PelFmtId D, class Px>
void paletteRows(const BOp& op, Px px) {
    constexpr std::uint32_t DB = pelFmtBytes[D];
    const std::uint8_t* table = op.src->format().palette()->convertedTable(D);
    const auto entry = [table, px](std::uint8_t* d, const std::uint8_t* s) { px(d, table + std::size_t{s[0]} * DB); };
    if (op.src->hasColorKey()) {
        keyedRows<DB, 1, false>(op, [](const std::uint8_t* p, std::uint32_t key) { return p[0] == key; }, entry);
    } else {
        plainRows<DB, 1, false>(op, entry);
    }
}

// Second-dispatch entries every two-image worker shares: sources without pixel structs raise.
template <class X>
struct SourceEntries : X {
    explicit SourceEntries(const X& op) : X(op) {}
    void applyOther8() override { throwNotImplemented(); }
    void applyOther16() override { throwNotImplemented(); }
    void applyOther32() override { throwNotImplemented(); }
};

}  // namespace talvo::g
