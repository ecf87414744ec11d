// 5-6-5 blend rows in blocks of 16 pixels held in local arrays: no aliasing between the rows and
// a fixed trip count let the compiler use 16-bit vector lanes.
//
// The arithmetic is the non-negative form of the plain rows':
// d + floor((s - d) * a / 256) == (s * a + d * (256 - a)) >> 8, at most 63 * 256 for a 6-bit
// channel, so every intermediate fits a 16-bit lane.
#include "framework/Blend565.h"

#include "platform/pixel_blocks.h"

#include <cstring>

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

template <bool Keyed, class Count>
inline void blendedBlock(uint8_t* dst, const uint8_t* src, Count n, uint16_t a, Weighted w, uint16_t key)
{
    uint16_t s[Block] = {}, d[Block] = {};
    const auto bytes = static_cast<std::size_t>(n) * 2;
    std::memcpy(s, src, bytes);
    if constexpr (Keyed)
        std::memcpy(d, dst, bytes);
    for (int i = 0; i < Block; ++i) {
        const uint16_t v = mix565(s[i], a, w);
        if constexpr (Keyed)
            d[i] = s[i] == key ? d[i] : v;
        else
            d[i] = v;
    }
    std::memcpy(dst, d, bytes);
}

template <class Count>
inline void maskedBlock(uint8_t* dst, const uint8_t* src, const uint8_t* alpha, Count n)
{
    uint16_t s[Block] = {}, d[Block] = {};
    uint8_t a[Block] = {};
    const auto bytes = static_cast<std::size_t>(n) * 2;
    std::memcpy(a, alpha, static_cast<std::size_t>(n));
    uint64_t half[2];
    std::memcpy(half, a, sizeof half);
    // Whole blocks of 0 or 255 (most of a soft-edged picture) need no arithmetic; the padding of
    // a short block is 0, so it never passes as opaque.
    if ((half[0] | half[1]) == 0)
        return;
    std::memcpy(s, src, bytes);
    if ((half[0] & half[1]) == ~uint64_t{0}) {
        std::memcpy(dst, s, bytes);
        return;
    }
    std::memcpy(d, dst, bytes);
    // Opacity 0 needs no case of its own: (s * 0 + d * 256) >> 8 is d.
    for (int i = 0; i < Block; ++i) {
        const uint16_t v = mix565(d[i], s[i], a[i]);
        d[i] = a[i] == 255 ? s[i] : v;
    }
    std::memcpy(dst, d, bytes);
}

} // namespace

void blendedRow565(uint8_t* dst, const uint8_t* src, int n, uint16_t colour, int32_t level,
                   std::optional<uint16_t> key)
{
    const auto a = static_cast<uint16_t>(level);
    const auto na = static_cast<uint16_t>(256 - level);
    const Weighted w{static_cast<uint16_t>((colour >> 11) * na), static_cast<uint16_t>(((colour >> 5) & 0x3F) * na),
                     static_cast<uint16_t>((colour & 0x1F) * na)};
    if (key)
        plat::forPixelBlocks(n, [&](int i, auto count) { blendedBlock<true>(dst + 2 * i, src + 2 * i, count, a, w, *key); });
    else
        plat::forPixelBlocks(n, [&](int i, auto count) { blendedBlock<false>(dst + 2 * i, src + 2 * i, count, a, w, 0); });
}

void maskedRow565(uint8_t* dst, const uint8_t* src, const uint8_t* alpha, int n)
{
    plat::forPixelBlocks(n, [&](int i, auto count) { maskedBlock(dst + 2 * i, src + 2 * i, alpha + i, count); });
}

} // namespace blend
