// Source and destination traits of the blit loop template: how a pixel is read, widened, keyed and written.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "sprite/PelFormats.h"
#include "sprite/pelKinds.h"

namespace blit {

// The format groups of the loop-selection table, on either side, are the kind table's colour
// groups; 8-bit index images take part only in the index-to-index copy, outside the table.
using Group = PelGroup;
inline constexpr int groupCount = pelColourGroupCount;

// Source and destination words of an operator's name.
struct OpPair {
    std::string_view src, dst;
};

// ---- sources ----
// Each source says: its group, the bytes of the pixel value it loads and the bytes it steps per
// pixel, its word in the operator names, the raw value and the bits of it compared with the key,
// how that value widens to 8-bit B, G, R and what it carries into a 32-bit A byte or bit 15 of
// rgba5551 on a copy, whether blends and subtract onto 24/32-bit destinations are inline (else
// the operator is called), whether a copy into its own group moves the value unchanged, and
// which operator pair its constant-alpha and alpha-map slots call.

struct SrcBase {
    static constexpr bool palettized = false;
    static constexpr bool inlineBlend = false;
    static constexpr bool inlineSubtract = false;
    static constexpr bool rawCopy = false;
    static const std::uint8_t* fetch(const std::uint8_t*, const std::uint8_t* p) { return p; }
};

inline std::uint32_t load32(const std::uint8_t* p)
{
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    if constexpr (std::endian::native == std::endian::big) v = __builtin_bswap32(v);
    return v;
}

struct SrcRgb888 : SrcBase {
    static constexpr Group group = Group::Rgb888;
    static constexpr int bytes = 3, step = 3;
    static constexpr std::string_view word = "rgb888";
    using Raw = std::uint32_t;
    static constexpr Raw keyBits = 0xFFFFFF;
    static Raw load(const std::uint8_t* p) { return p[0] | p[1] << 8 | static_cast<Raw>(p[2]) << 16; }
    static pel::Bgr widen(Raw v) { return {static_cast<int>(v & 255), static_cast<int>((v >> 8) & 255), static_cast<int>(v >> 16 & 255)}; }
    static int alphaOf(Raw) { return 255; }
    static constexpr bool inlineBlend = true, inlineSubtract = true, rawCopy = true;
    static constexpr OpPair alphaOp(std::string_view dst) { return {word, dst}; }
};

// rgbx8888 and rgba8888 alike: the fourth byte is compared by the key and carried by copies.
struct SrcX8888 : SrcRgb888 {
    static constexpr Group group = Group::X8888;
    static constexpr int bytes = 4, step = 4;
    static constexpr Raw keyBits = 0xFFFFFFFF;
    static Raw load(const std::uint8_t* p) { return load32(p); }
    static int alphaOf(Raw v) { return static_cast<int>(v >> 24); }
    static constexpr OpPair alphaOp(std::string_view dst)
    {
        return {dst == "rgba5551" ? "rgba8888" : word, dst};
    }
};

struct SrcRgb565 : SrcBase {
    static constexpr Group group = Group::Rgb565;
    static constexpr int bytes = 2, step = 2;
    static constexpr std::string_view word = "rgb565";
    using Raw = std::uint16_t;
    static constexpr Raw keyBits = 0xFFFF;
    static Raw load(const std::uint8_t* p) { return pel::loadWord(p); }
    // Shifts only, no high bits copied into the low ones; written out so row loops vectorise.
    static pel::Bgr widen(Raw v) { return {(v & 31) << 3, ((v >> 5) & 63) << 2, (v >> 11) << 3}; }
    static int alphaOf(Raw) { return 255; }
    static constexpr bool rawCopy = true;
    static constexpr OpPair alphaOp(std::string_view dst) { return {word, dst}; }
};

// Bit 15 carries no colour: the key ignores it, only a copy onto rgbx5551 moves it.
struct SrcRgbx5551 : SrcRgb565 {
    static constexpr Group group = Group::Rgbx5551;
    static constexpr std::string_view word = "rgbx5551";
    static constexpr Raw keyBits = 0x7FFF;
    static pel::Bgr widen(Raw v) { return {(v & 31) << 3, ((v >> 5) & 31) << 3, ((v >> 10) & 31) << 3}; }
    static constexpr OpPair alphaOp(std::string_view dst) { return {word, dst}; }
};

// Bit 15 is compared by the key and becomes A (0xFF or 0x00) on a copy; never an opacity.
struct SrcRgba5551 : SrcRgbx5551 {
    static constexpr Group group = Group::Rgba5551;
    static constexpr std::string_view word = "rgba5551";
    static constexpr Raw keyBits = 0xFFFF;
    static int alphaOf(Raw v) { return (v & 0x8000) != 0 ? 255 : 0; }
    // Onto rgb565 and rgba5551 the blend is the rgbx5551 one: bit 15 takes no part.
    static constexpr OpPair alphaOp(std::string_view dst)
    {
        if (dst == "rgb565") return {"rgbx5551", dst};
        if (dst == "rgba5551") return {"rgbx5551", "rgbx5551"};
        return {word, dst};
    }
};

// An index byte standing for its entry in the palette's table, converted to the destination's
// format E (a source of that format): the loops work on the entry, which a copy stores whole.
template <class E>
struct SrcPal8 : E {
    static constexpr bool palettized = true;
    static constexpr int step = 1;
    static constexpr bool rawCopy = true;
    static const std::uint8_t* fetch(const std::uint8_t* table, const std::uint8_t* p) { return table + std::ptrdiff_t{*p} * E::bytes; }
};

// One byte per pixel, copied unchanged onto another index image.
struct SrcIndex8 : SrcBase {
    static constexpr Group group = Group::Index8;
    static constexpr int bytes = 1, step = 1;
    using Raw = std::uint8_t;
    static constexpr Raw keyBits = 0xFF;
    static Raw load(const std::uint8_t* p) { return *p; }
    static constexpr bool rawCopy = true;
};

// ---- destinations ----
// Each destination says: its group, bytes per pixel, its word in the operator names, whether it
// holds 8-bit channels (where modulate and some blends are inline), and how a copied colour is
// written, with a the 8-bit alpha the source carries (0xFF for sources without alpha).

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
    static void copy(std::uint8_t* p, pel::Bgr c, int = 255)
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
        for (; i + 1 < w; ++i) store32(d + 3 * i, bgrWord(S::widen(S::load(s + i * S::step))));
        copy(d + 3 * i, S::widen(S::load(s + i * S::step)));
    }
};

// rgbx8888 and rgba8888: the operators of rgb888 on bytes 0 to 2; copies write the fourth byte.
struct DstX8888 {
    static constexpr Group group = Group::X8888;
    static constexpr int bytes = 4;
    static constexpr std::string_view word = "rgb888";
    static constexpr bool wide = true;
    static void copy(std::uint8_t* p, pel::Bgr c, int a) { store32(p, bgrWord(c) | static_cast<std::uint32_t>(a) << 24); }
    template <class S>
    static void copyRow(std::uint8_t* d, const std::uint8_t* s, int w)
    {
        for (int i = 0; i < w; ++i) {
            const auto v = S::load(s + i * S::step);
            copy(d + 4 * i, S::widen(v), S::alphaOf(v));
        }
    }
};

struct DstRgb565 {
    static constexpr Group group = Group::Rgb565;
    static constexpr int bytes = 2;
    static constexpr std::string_view word = "rgb565";
    static constexpr bool wide = false;
    static void copy(std::uint8_t* p, pel::Bgr c, int)
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
    static void copy(std::uint8_t* p, pel::Bgr c, int) { pel::storeWord(p, (pel::loadWord(p) & 0x8000u) | fields5551(c)); }
};

// Bit 15 is alpha: a copy sets it from bit 7 of the source's alpha.
struct DstRgba5551 : DstRgbx5551 {
    static constexpr Group group = Group::Rgba5551;
    static constexpr std::string_view word = "rgba5551";
    static void copy(std::uint8_t* p, pel::Bgr c, int a) { pel::storeWord(p, static_cast<unsigned>(a >> 7) << 15 | fields5551(c)); }
};

struct DstIndex8 {
    static constexpr Group group = Group::Index8;
    static constexpr int bytes = 1;
    static constexpr bool wide = false;
};

inline std::int32_t loadDepth(const std::uint8_t* p)
{
    std::int32_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

inline void storeDepth(std::uint8_t* p, std::int32_t v) { std::memcpy(p, &v, sizeof v); }

} // namespace blit
