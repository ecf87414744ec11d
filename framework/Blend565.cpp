// 5-6-5 blend rows in blocks of 16 pixels: rows that do not overlap and a fixed trip count let
// the compiler use 16-bit vector lanes; overlapping rows take the plain loops.
//
// The arithmetic is the non-negative form of the plain rows':
// d + floor((s - d) * a / 256) == (s * a + d * (256 - a)) >> 8, at most 63 * 256 for a 6-bit
// channel, so every intermediate fits a 16-bit lane.
#include "framework/Blend565.h"

#include "platform/pixel_blocks.h"
#include "platform/simd_level.h"

#include <cstring>
#include <type_traits>

namespace blend {
namespace {

constexpr int Block = plat::PixelBlock;

struct Weighted {
    uint16_t red, green, blue; // the base colour's channels times (256 - a)
};

// Every step is cut to 16 bits, which loses nothing here and lets the multiplies stay in 16-bit
// lanes.
inline uint16_t u16(uint32_t v) { return static_cast<uint16_t>(v); }

// One channel: (s * a + weighted) >> 8.
inline uint16_t channel(uint16_t s, uint16_t a, uint16_t weighted) { return u16(u16(u16(s * a) + weighted) >> 8); }

inline uint16_t mix565(uint16_t s, uint16_t a, Weighted w)
{
    return u16(channel(u16(s >> 11), a, w.red) << 11 | channel(u16((s >> 5) & 0x3F), a, w.green) << 5 |
               channel(u16(s & 0x1F), a, w.blue));
}

inline uint16_t mix565(uint16_t d, uint16_t s, uint16_t a)
{
    const auto na = u16(256 - a);
    return mix565(s, a, Weighted{u16((d >> 11) * na), u16(((d >> 5) & 0x3F) * na), u16((d & 0x1F) * na)});
}

inline uint16_t load(const uint8_t* p)
{
    uint16_t v;
    std::memcpy(&v, p, 2);
    return v;
}

inline void store(uint8_t* p, uint16_t v) { std::memcpy(p, &v, 2); }

// One block of 16 pixels with a fixed count: restrict pointers (callers rule out overlap) let
// the compiler use 16-bit vector lanes straight on the rows. A shorter tail runs the same body
// for its own count.
template <bool Keyed, class Count>
inline void blendedBlock(uint8_t* __restrict dst, const uint8_t* __restrict src, Count n, uint16_t a, Weighted w,
                         uint16_t key)
{
    for (int i = 0; i < n; ++i) {
        const uint16_t s = load(src + 2 * i);
        const uint16_t v = mix565(s, a, w);
        if constexpr (Keyed)
            store(dst + 2 * i, s == key ? load(dst + 2 * i) : v);
        else
            store(dst + 2 * i, v);
    }
}

template <class Count>
inline void maskedBlock(uint8_t* __restrict dst, const uint8_t* __restrict src, const uint8_t* __restrict alpha,
                        Count n)
{
    // Whole blocks of 0 or 255 (most of a soft-edged picture) need no arithmetic.
    if constexpr (std::is_same_v<Count, std::integral_constant<int, Block>>) {
        uint64_t half[2];
        std::memcpy(half, alpha, sizeof half);
        if ((half[0] | half[1]) == 0)
            return;
        if ((half[0] & half[1]) == ~uint64_t{0}) {
            std::memcpy(dst, src, 2 * Block);
            return;
        }
    }
    // Opacity 0 needs no case of its own: (s * 0 + d * 256) >> 8 is d.
    for (int i = 0; i < n; ++i) {
        const uint16_t s = load(src + 2 * i);
        const uint16_t v = mix565(load(dst + 2 * i), s, alpha[i]);
        store(dst + 2 * i, alpha[i] == 255 ? s : v);
    }
}

// One glyph pixel: unchanged at 0, the colour at 255, the mix between.
inline void glyphPixel(uint16_t colour, uint8_t* dst, uint8_t a)
{
    if (a != 0)
        store(dst, a == 255 ? colour : mix565(load(dst), colour, a));
}

#if PLAT_SIMD_X86
// Eight 16-bit lanes; the compiler keeps them in one vector register.
using U16x8 = uint16_t __attribute__((vector_size(16)));
using U8x8 = uint8_t __attribute__((vector_size(8)));

inline U16x8 widen(uint64_t bytes)
{
    U8x8 v;
    std::memcpy(&v, &bytes, 8);
    return __builtin_convertvector(v, U16x8);
}

// The text colour's channels in every lane.
struct GlyphLanes {
    explicit GlyphLanes(uint16_t colour)
        : pixel(U16x8{} + colour), red(U16x8{} + u16(colour >> 11)), green(U16x8{} + u16((colour >> 5) & 0x3F)),
          blue(U16x8{} + u16(colour & 0x1F))
    {
    }

    // The blend of eight pixels toward the colour.
    [[nodiscard]] U16x8 mix(U16x8 d, U16x8 a) const
    {
        const U16x8 na = 256 - a;
        const U16x8 r = (red * a + (d >> 11) * na) >> 8;
        const U16x8 g = (green * a + ((d >> 5) & 0x3F) * na) >> 8;
        const U16x8 b = (blue * a + (d & 0x1F) * na) >> 8;
        const U16x8 full = (U16x8)(a == 255);
        return (pixel & full) | (((r << 11) | (g << 5) | b) & ~full);
    }

    U16x8 pixel, red, green, blue;
};

// Glyph rows are a few pixels wide: eight at a time in 16-bit lanes, then four; returns the pixels done.
inline int glyphLanes(const GlyphLanes& c, uint8_t* dst, const uint8_t* alpha, int n)
{
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        uint64_t a;
        std::memcpy(&a, alpha + i, 8);
        if (a == 0)
            continue;
        U16x8 d;
        std::memcpy(&d, dst + 2 * i, 16);
        d = c.mix(d, widen(a));
        std::memcpy(dst + 2 * i, &d, 16);
    }
    if (i + 4 <= n) {
        uint32_t a;
        std::memcpy(&a, alpha + i, 4);
        if (a != 0) {
            U16x8 d{};
            std::memcpy(&d, dst + 2 * i, 8);
            d = c.mix(d, widen(a));
            std::memcpy(dst + 2 * i, &d, 8);
        }
        i += 4;
    }
    return i;
}
#endif

// height glyph rows (pitches in bytes): in lanes at the sse2 level and above, the rest pixel by pixel.
void glyphRows(uint8_t* dst, std::ptrdiff_t dstPitch, const uint8_t* alpha, std::ptrdiff_t alphaPitch, int width,
               int height, uint16_t colour)
{
#if PLAT_SIMD_X86
    if (plat::simdLevel() >= plat::SimdLevel::sse2) {
        const GlyphLanes c(colour);
        for (int row = 0; row < height; ++row, dst += dstPitch, alpha += alphaPitch)
            for (int i = glyphLanes(c, dst, alpha, width); i < width; ++i)
                glyphPixel(colour, dst + 2 * i, alpha[i]);
        return;
    }
#endif
    for (int row = 0; row < height; ++row, dst += dstPitch, alpha += alphaPitch)
        for (int i = 0; i < width; ++i)
            glyphPixel(colour, dst + 2 * i, alpha[i]);
}

// The fade rows in sixteen 16-bit lanes where the processor has AVX2: the block arithmetic
// above on twice the lanes, only these loops built for AVX2. A fade step blends a whole frame,
// and eight lanes leave it bound by the arithmetic, not by memory.
#if PLAT_SIMD_X86

using U16x16 = uint16_t __attribute__((vector_size(32)));

// Whole steps of sixteen pixels; returns how many pixels it drew.
template <bool Keyed>
PLAT_SIMD_AVX2 int blendedWide(uint8_t* __restrict dst, const uint8_t* __restrict src, int n, uint16_t a, Weighted w,
                             uint16_t key)
{
    const U16x16 alpha = U16x16{} + a, red = U16x16{} + w.red, green = U16x16{} + w.green,
                 blue = U16x16{} + w.blue, keys = U16x16{} + key;
    int i = 0;
    for (; i + 16 <= n; i += 16) {
        U16x16 s;
        std::memcpy(&s, src + 2 * i, sizeof s);
        const U16x16 r = ((s >> 11) * alpha + red) >> 8;
        const U16x16 g = (((s >> 5) & 0x3F) * alpha + green) >> 8;
        const U16x16 b = ((s & 0x1F) * alpha + blue) >> 8;
        U16x16 v = (r << 11) | (g << 5) | b;
        if constexpr (Keyed) {
            U16x16 d;
            std::memcpy(&d, dst + 2 * i, sizeof d);
            const U16x16 isKey = (U16x16)(s == keys);
            v = (d & isKey) | (v & ~isKey);
        }
        std::memcpy(dst + 2 * i, &v, sizeof v);
    }
    return i;
}
#endif

bool overlap(const uint8_t* a, const uint8_t* b, int n)
{
    const auto x = reinterpret_cast<uintptr_t>(a), y = reinterpret_cast<uintptr_t>(b);
    const auto bytes = static_cast<uintptr_t>(n) * 2;
    return x < y + bytes && y < x + bytes;
}

} // namespace

void blendedRow565(uint8_t* dst, const uint8_t* src, int n, uint16_t colour, int32_t level,
                   std::optional<uint16_t> key)
{
    const auto a = static_cast<uint16_t>(level);
    const auto na = static_cast<uint16_t>(256 - level);
    const Weighted w{static_cast<uint16_t>((colour >> 11) * na), static_cast<uint16_t>(((colour >> 5) & 0x3F) * na),
                     static_cast<uint16_t>((colour & 0x1F) * na)};
    if (overlap(dst, src, n)) {
        blendedRow16(rgb565, dst, src, n, colour, level, key);
        return;
    }
    const uint16_t k = key.value_or(0);
#if PLAT_SIMD_X86
    if (n >= 16 && plat::simdLevel() == plat::SimdLevel::avx2) {
        const int done = key ? blendedWide<true>(dst, src, n, a, w, k) : blendedWide<false>(dst, src, n, a, w, k);
        dst += 2 * done;
        src += 2 * done;
        n -= done;
    }
#endif
    plat::forPixelBlocks(n, [&](int i, auto count) {
        if (key)
            blendedBlock<true>(dst + 2 * i, src + 2 * i, count, a, w, k);
        else
            blendedBlock<false>(dst + 2 * i, src + 2 * i, count, a, w, k);
    });
}

void glyphRow565(uint8_t* dst, const uint8_t* alpha, int n, uint16_t colour)
{
    glyphRows(dst, 0, alpha, 0, n, 1, colour);
}

void glyph565(uint8_t* dst, std::ptrdiff_t dstPitch, const uint8_t* alpha, std::ptrdiff_t alphaPitch, int width,
              int height, uint16_t colour)
{
    glyphRows(dst, dstPitch, alpha, alphaPitch, width, height, colour);
}

void maskedRow565(uint8_t* dst, const uint8_t* src, const uint8_t* alpha, int n)
{
    if (overlap(dst, src, n)) {
        maskedRow(Format16{rgb565}, dst, src, alpha, n);
        return;
    }
    plat::forPixelBlocks(n, [&](int i, auto count) { maskedBlock(dst + 2 * i, src + 2 * i, alpha + i, count); });
}

} // namespace blend
