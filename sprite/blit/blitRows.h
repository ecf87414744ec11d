// The rows of the copies: same-format rows and blocks, keyed 16-bit words, palettized rows onto 16-bit pixels, converted rows onto bytes, stretched rows.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "img/wide_steps.h"
#include "sprite/pelFormats.h"
#include "sprite/ctySimd.h"
#include "sprite/blit/blitTraits.h"
#include "talvo/simd.h"

namespace blit {

// A whole row of plain copies converted onto bytes B, G, R, w > 0. Onto rgb888 one 4-byte store
// per pixel, whose fourth byte the next pixel overwrites at once; the last pixel of the row is
// stored by its three bytes.
template <class S, class D>
inline void copyRowOntoBytes(std::uint8_t* d, const std::uint8_t* s, int w)
{
    if constexpr (D::bytes == 3) {
        int i = 0;
        for (; i + 1 < w; ++i) store32(d + 3 * i, bgrWord(S::widen(S::load(s + i * S::step))));
        D::copy(d + 3 * i, S::widen(S::load(s + i * S::step)), 255);
    } else {
        for (int i = 0; i < w; ++i) {
            const auto v = S::load(s + i * S::step);
            D::copy(d + 4 * i, S::widen(v), S::alphaOf(v));
        }
    }
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

// n bytes, 16 <= n < 160, without a library call: small sprites have short rows, where the call
// costs as much as the move (from about 160 bytes wider moves win). The last 32
// (or 16) bytes go as one overlapping pair of moves. Always inlined: the AVX2 instance of copyRows,
// larger by its AVX2 branch, otherwise called it once a row (sprites with 64- and 128-byte rows
// took 1.04 to 1.13 times as long as at SSE2, where it was inlined).
[[gnu::always_inline]] inline void copyShortRow(std::uint8_t* __restrict d, const std::uint8_t* __restrict s, std::size_t n)
{
#if TALVO_SIMD_X86
    const auto move = [d, s](std::size_t at) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + at), _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + at)));
    };
    if (n < 32) {
        move(0);
        move(n - 16);
        return;
    }
    std::size_t i = 0;
    for (; i + 32 < n; i += 32) {
        move(i);
        move(i + 16);
    }
    move(n - 32);
    move(n - 16);
#else
    std::memcpy(d, s, n);
#endif
}

// Rows up to this many bytes move in AVX2 steps where the processor has them: one call for the
// draw, not one library call a row. Longer rows stay with the library, which streams past the
// caches.
inline constexpr std::size_t wideMoveLimit = 256 * 1024;

// One move of a single row or gapless block takes AVX2 steps (where they win) from this many
// bytes: below it the library's copy, or the 16-byte steps, which is SSE2's way. The least size
// where the AVX2 move won on both AMD kinds measured: on Zen 4 it won from 1 KiB (below, 1.15 times
// the library's time), on Zen 5 it took 1.2 to 1.4 times the library's time at 1 and 2 KiB and won
// from 2.5 KiB (0.80 to 0.88).
inline constexpr std::size_t wideBlockMin = 2560;

// One row or gapless block of n bytes at `level`, as copyRows moves it; the library's move last,
// so that a caller can end in it. At the scalar level always the library's move.
[[gnu::always_inline]] inline void copyBlock(talvo::simd::Level level, std::uint8_t* d, const std::uint8_t* s, std::size_t n)
{
#if TALVO_SIMD_X86
    if (level == talvo::simd::Level::avx2 && n >= wideBlockMin && n <= wideMoveLimit && talvo::simd::wideShortMoves())
        return talvo::g::wide::copyRows(d, 0, s, 0, n, 1);
    if (level != talvo::simd::Level::scalar && n >= 16 && n < 160) return copyShortRow(d, s, n);
#else
    (void)level;
#endif
    std::memcpy(d, s, n);
}

// h rows of rowBytes each; strides in bytes. At the scalar level every row is the library's move.
template <talvo::simd::Level L>
inline void copyRows(std::uint8_t* d, std::ptrdiff_t dStride, const std::uint8_t* s, std::ptrdiff_t sStride,
                     std::size_t rowBytes, int h)
{
    if (h > 1 && dStride == sStride && sStride == static_cast<std::ptrdiff_t>(rowBytes)) {
        // Rows without gaps on both sides: one move of the whole block.
        rowBytes *= static_cast<std::size_t>(h);
        h = 1;
    }
    if (h == 1) return copyBlock(L, d, s, rowBytes);
    const auto eachRow = [&](auto move) {
        for (int j = 0; j < h; ++j, d += dStride, s += sStride) move(d, s, rowBytes);
    };
    constexpr bool Simd = L != talvo::simd::Level::scalar;
#if TALVO_SIMD_X86
    // At AVX2, rows of one 32-byte move and rows of 160 bytes and more, every row of the draw in one
    // call; on processors where they win, short rows too. Elsewhere those go as at SSE2 (16-byte
    // steps, the library's copy). A single row or gapless block went by copyBlock above.
    if (L == talvo::simd::Level::avx2 && rowBytes >= 32 && rowBytes <= wideMoveLimit &&
        (rowBytes == 32 || rowBytes >= 160 || talvo::simd::wideShortMoves()))
        talvo::g::wide::copyRows(d, dStride, s, sStride, rowBytes, h);
    else
#endif
    if (Simd && rowBytes >= 16 && rowBytes < 160)
        eachRow([](std::uint8_t* to, const std::uint8_t* from, std::size_t n) { copyShortRow(to, from, n); });
    else
        eachRow([](std::uint8_t* to, const std::uint8_t* from, std::size_t n) { std::memcpy(to, from, n); });
}

#if TALVO_SIMD_X86
// Stores the pixels of v (Bytes 2: eight words, 4: four words) at out, except where their bits
// under mask equal keys: those write back the bytes found there. No branch on the pixels: with
// one, the rows' speed swung by half with where the loop landed in the binary and with how much
// of a picture is keyed.
template <int Bytes>
inline void storeKeyed(__m128i* out, __m128i v, __m128i keys, __m128i mask)
{
    const __m128i masked = _mm_and_si128(v, mask);
    const __m128i skip = Bytes == 2 ? _mm_cmpeq_epi16(masked, keys) : _mm_cmpeq_epi32(masked, keys);
    v = _mm_or_si128(_mm_and_si128(skip, _mm_loadu_si128(out)), _mm_andnot_si128(skip, v));
    _mm_storeu_si128(out, v);
}
#endif

// A row of w index bytes stored as their 16-bit table entries (little-endian words). Keyed: an
// entry whose bits under keyMask equal key is not written. With Simd eight entries are gathered
// into one 16-byte store, keyed-out entries writing back the bytes found there.
template <bool Keyed, bool Simd>
inline void palRow16(std::uint8_t* __restrict d, const std::uint8_t* __restrict s, const std::uint8_t* table, int w,
                     std::uint16_t key, std::uint16_t keyMask)
{
    int i = 0;
#if TALVO_SIMD_X86
    const auto entry = [table](std::uint8_t index) { return pel::loadWord(table + 2 * std::ptrdiff_t{index}); };
    const __m128i keys = _mm_set1_epi16(static_cast<short>(key)), mask = _mm_set1_epi16(static_cast<short>(keyMask));
    for (; Simd && i + 8 <= w; i += 8) {
        __m128i v = _mm_cvtsi32_si128(entry(s[i]));
        v = _mm_insert_epi16(v, entry(s[i + 1]), 1);
        v = _mm_insert_epi16(v, entry(s[i + 2]), 2);
        v = _mm_insert_epi16(v, entry(s[i + 3]), 3);
        v = _mm_insert_epi16(v, entry(s[i + 4]), 4);
        v = _mm_insert_epi16(v, entry(s[i + 5]), 5);
        v = _mm_insert_epi16(v, entry(s[i + 6]), 6);
        v = _mm_insert_epi16(v, entry(s[i + 7]), 7);
        auto* out = reinterpret_cast<__m128i*>(d + 2 * std::ptrdiff_t{i});
        if constexpr (Keyed)
            storeKeyed<2>(out, v, keys, mask);
        else
            _mm_storeu_si128(out, v);
    }
#endif
    for (; i < w; ++i) {
        const std::uint8_t* e = table + 2 * std::ptrdiff_t{s[i]};
        if (!Keyed || (pel::loadWord(e) & keyMask) != key) std::memcpy(d + 2 * std::ptrdiff_t{i}, e, 2);
    }
}

// A row of w pixels of Bytes 2 or 4 copied unchanged, except those whose bits under keyMask equal
// key; with Simd 16 bytes at a time: a pixel-by-pixel loop's speed hung on where it landed in the
// binary.
template <int Bytes, bool Simd>
inline void keyedRow(std::uint8_t* __restrict d, const std::uint8_t* __restrict s, int w, std::uint32_t key,
                     std::uint32_t keyMask)
{
    using Word = std::conditional_t<Bytes == 2, std::uint16_t, std::uint32_t>;
    int i = 0;
#if TALVO_SIMD_X86
    const auto splat = [](std::uint32_t v) {
        return Bytes == 2 ? _mm_set1_epi16(static_cast<short>(v)) : _mm_set1_epi32(static_cast<int>(v));
    };
    const __m128i keys = splat(key), mask = splat(keyMask);
    for (; Simd && i + 16 / Bytes <= w; i += 16 / Bytes)
        storeKeyed<Bytes>(reinterpret_cast<__m128i*>(d + Bytes * std::ptrdiff_t{i}),
                          _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + Bytes * std::ptrdiff_t{i})), keys, mask);
#endif
    for (; i < w; ++i) {
        Word v;
        std::memcpy(&v, s + Bytes * std::ptrdiff_t{i}, Bytes);
        if ((v & keyMask) != key) std::memcpy(d + Bytes * std::ptrdiff_t{i}, &v, Bytes);
    }
}

} // namespace blit
