// 5-6-5 blend rows in blocks of 16 pixels: rows that do not overlap and a fixed trip count let
// the compiler use 16-bit vector lanes; overlapping rows take the plain loops.
//
// The arithmetic is the non-negative form of the plain rows':
// d + floor((s - d) * a / 256) == (s * a + d * (256 - a)) >> 8, at most 63 * 256 for a 6-bit
// channel, so every intermediate fits a 16-bit lane.
#include "framework/Blend565.h"

#include "platform/pixel_blocks.h"

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
    plat::forPixelBlocks(n, [&](int i, auto count) {
        if (key)
            blendedBlock<true>(dst + 2 * i, src + 2 * i, count, a, w, k);
        else
            blendedBlock<false>(dst + 2 * i, src + 2 * i, count, a, w, k);
    });
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
