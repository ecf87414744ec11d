// Source and destination traits of the blit loop template: how a pixel is read, widened, keyed and written.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "sprite/PelFormats.h"

namespace blit {

// The format groups of the loop-selection table, on either side.
enum class Group : std::uint8_t { Rgb888, X8888, Rgb565, Rgbx5551, Rgba5551 };
inline constexpr int groupCount = 5;

// ---- sources ----
// Each source says: its group, its bytes per pixel, its word in the operator names, the raw
// value compared with the key, how that value widens to 8-bit B, G, R, whether blends onto
// 24/32-bit destinations are inline (else the operator is called) and whether a copy into its
// own format is a raw word copy.

struct SrcRgb565 {
    static constexpr Group group = Group::Rgb565;
    static constexpr int bytes = 2;
    static constexpr std::string_view word = "rgb565";
    using Raw = std::uint16_t;
    static Raw load(const std::uint8_t* p) { return pel::loadWord(p); }
    // Shifts only, no high bits copied into the low ones; written out so row loops vectorise.
    static pel::Bgr widen(Raw v) { return {(v & 31) << 3, ((v >> 5) & 63) << 2, (v >> 11) << 3}; }
    static constexpr bool inlineBlend = false;
    static constexpr bool inlineSubtract = false;
    static constexpr bool rawCopy = true;
};

// ---- destinations ----
// Each destination says: its group, bytes per pixel, its word in the operator names, whether it
// holds 8-bit channels (where modulate and some blends are inline), and how a copied colour
// without alpha is written.

inline std::uint32_t bgrWord(pel::Bgr c)
{
    return static_cast<std::uint32_t>(c.b) | static_cast<std::uint32_t>(c.g) << 8 | static_cast<std::uint32_t>(c.r) << 16;
}

inline void store32(std::uint8_t* p, std::uint32_t v)
{
    if constexpr (std::endian::native == std::endian::big) v = __builtin_bswap32(v);
    std::memcpy(p, &v, 4);
}

struct DstRgb888 {
    static constexpr Group group = Group::Rgb888;
    static constexpr int bytes = 3;
    static constexpr std::string_view word = "rgb888";
    static constexpr bool wide = true;
    static void copy(std::uint8_t* p, pel::Bgr c)
    {
        p[0] = static_cast<std::uint8_t>(c.b);
        p[1] = static_cast<std::uint8_t>(c.g);
        p[2] = static_cast<std::uint8_t>(c.r);
    }
    // A whole row of plain copies, w > 0: one 4-byte store per pixel, whose fourth byte the
    // next pixel overwrites at once; the last pixel of the row is stored by its three bytes.
    template <class S>
    static void copyRow(std::uint8_t* d, const std::uint8_t* s, int w)
    {
        int i = 0;
        for (; i + 1 < w; ++i) store32(d + 3 * i, bgrWord(S::widen(S::load(s + i * S::bytes))));
        copy(d + 3 * i, S::widen(S::load(s + i * S::bytes)));
    }
};

// rgbx8888 and rgba8888: the operators of rgb888 on bytes 0 to 2; copies set the fourth byte.
struct DstX8888 {
    static constexpr Group group = Group::X8888;
    static constexpr int bytes = 4;
    static constexpr std::string_view word = "rgb888";
    static constexpr bool wide = true;
    static void copy(std::uint8_t* p, pel::Bgr c) { store32(p, bgrWord(c) | 0xFF000000u); }
    template <class S>
    static void copyRow(std::uint8_t* d, const std::uint8_t* s, int w)
    {
        for (int i = 0; i < w; ++i) copy(d + 4 * i, S::widen(S::load(s + i * S::bytes)));
    }
};

struct DstRgb565 {
    static constexpr Group group = Group::Rgb565;
    static constexpr int bytes = 2;
    static constexpr std::string_view word = "rgb565";
    static constexpr bool wide = false;
    static void copy(std::uint8_t* p, pel::Bgr c)
    {
        pel::storeWord(p, static_cast<unsigned>((c.r >> 3) << 11 | (c.g >> 2) << 5 | c.b >> 3));
    }
};

inline unsigned fields5551(pel::Bgr c) { return static_cast<unsigned>((c.r >> 3) << 10 | (c.g >> 3) << 5 | c.b >> 3); }

// Bit 15 carries no colour: a copy keeps it.
struct DstRgbx5551 {
    static constexpr Group group = Group::Rgbx5551;
    static constexpr int bytes = 2;
    static constexpr std::string_view word = "rgbx5551";
    static constexpr bool wide = false;
    static void copy(std::uint8_t* p, pel::Bgr c) { pel::storeWord(p, (pel::loadWord(p) & 0x8000u) | fields5551(c)); }
};

// Bit 15 is alpha: a copy of a colour without alpha sets it.
struct DstRgba5551 : DstRgbx5551 {
    static constexpr Group group = Group::Rgba5551;
    static constexpr std::string_view word = "rgba5551";
    static void copy(std::uint8_t* p, pel::Bgr c) { pel::storeWord(p, 0x8000u | fields5551(c)); }
};

inline std::int32_t loadDepth(const std::uint8_t* p)
{
    std::int32_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

inline void storeDepth(std::uint8_t* p, std::int32_t v) { std::memcpy(p, &v, sizeof v); }

} // namespace blit
