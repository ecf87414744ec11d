// Pixel formats as the per-pixel operators see them, and the byte-to-16-bit converters.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

#include "sprite/pelKinds.h"

namespace pel {

// Three channels (or fields) in B, G, R order; int so that every formula runs signed.
struct Bgr {
    int b, g, r;
};

// 16-bit words are little-endian in memory and may sit at any byte address. One 16-bit copy
// rather than two bytes, so a row loop sees whole words it can vectorise.
inline std::uint16_t loadWord(const std::uint8_t* p)
{
    std::uint16_t v;
    std::memcpy(&v, p, 2);
    if constexpr (std::endian::native == std::endian::big)
        v = static_cast<std::uint16_t>(v << 8 | v >> 8);
    return v;
}
inline void storeWord(std::uint8_t* p, unsigned v)
{
    auto w = static_cast<std::uint16_t>(v);
    if constexpr (std::endian::native == std::endian::big)
        w = static_cast<std::uint16_t>(w << 8 | w >> 8);
    std::memcpy(p, &w, 2);
}

// 32-bit pixels, little-endian values, at any byte address.
inline std::uint32_t load32(const std::uint8_t* p)
{
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    if constexpr (std::endian::native == std::endian::big) v = __builtin_bswap32(v);
    return v;
}

inline void store32(std::uint8_t* p, std::uint32_t v)
{
    if constexpr (std::endian::native == std::endian::big) v = __builtin_bswap32(v);
    std::memcpy(p, &v, 4);
}

namespace fmt {

// The formats take their fields from the kind table.

// B, G, R bytes: a 24-bit pixel, or the first three bytes of a 32-bit one.
struct rgb888 {
    using Word = Bgr;
    static constexpr PelKindInfo info = pelKindOf(PelKind::Rgb888);
    static constexpr Bgr bits{info.b.bits, info.g.bits, info.r.bits};
    static Word load(const std::uint8_t* p) { return {p[0], p[1], p[2]}; }
    static void store(std::uint8_t* p, Word c)
    {
        p[0] = static_cast<std::uint8_t>(c.b);
        p[1] = static_cast<std::uint8_t>(c.g);
        p[2] = static_cast<std::uint8_t>(c.r);
    }
    static Bgr fields(Word w) { return w; }
    static Bgr widen(Word w) { return w; }
    static Word pack(Word, Bgr c) { return c; }
};

// A source of B, G, R, A bytes: A is never read.
using rgba8888 = rgb888;

template <PelKind K>
struct Word16 {
    using Word = std::uint16_t;
    static constexpr PelKindInfo info = pelKindOf(K);
    static_assert(info.bytes == 2);
    static constexpr PelField B = info.b, G = info.g, R = info.r;
    static constexpr Bgr bits{B.bits, G.bits, R.bits};
    static Word load(const std::uint8_t* p) { return loadWord(p); }
    static void store(std::uint8_t* p, Word v) { storeWord(p, v); }
    static Bgr fields(Word v) { return {B.get(v), G.get(v), R.get(v)}; }
    // Zero low bits in, truncation out: a word survives widen and pack unchanged.
    static Bgr widen(Word v)
    {
        return {B.get(v) << (8 - B.bits), G.get(v) << (8 - G.bits), R.get(v) << (8 - R.bits)};
    }
    static Word mergeFields(Word v, Bgr f)
    {
        return static_cast<Word>(B.merge(G.merge(R.merge(v, f.r), f.g), f.b));
    }
    static Word pack(Word v, Bgr c)
    {
        return mergeFields(v, {c.b >> (8 - B.bits), c.g >> (8 - G.bits), c.r >> (8 - R.bits)});
    }
};

using rgb565 = Word16<PelKind::Rgb565>;
using rgbx5551 = Word16<PelKind::Rgbx5551>;

} // namespace fmt
} // namespace pel

inline std::uint16_t& pel_convert_rgb888_to_rgb565(std::uint16_t& target, const std::uint8_t* bytes)
{
    return target = pel::fmt::rgb565::pack(target, {bytes[0], bytes[1], bytes[2]});
}

inline std::uint16_t& pel_convert_rgb888_to_rgbx5551(std::uint16_t& target, const std::uint8_t* bytes)
{
    return target = pel::fmt::rgbx5551::pack(target, {bytes[0], bytes[1], bytes[2]});
}

inline std::uint16_t& pel_convert_rgb888_to_rgba5551(std::uint16_t& target, const std::uint8_t* bytes)
{
    return target = static_cast<std::uint16_t>(pel_convert_rgb888_to_rgbx5551(target, bytes) |
                                               pelKindOf(PelKind::Rgba5551).a.mask());
}

inline std::uint16_t& pel_convert_rgb888_to_rgba5551_key(std::uint16_t& target, const std::uint8_t* bytes)
{
    return pel_convert_rgb888_to_rgba5551(target, bytes);
}

inline std::uint16_t& pel_convert_rgba8888_to_rgba5551(std::uint16_t& target, const std::uint8_t* bytes)
{
    pel_convert_rgb888_to_rgbx5551(target, bytes);
    constexpr PelField alpha = pelKindOf(PelKind::Rgba5551).a;
    return target = static_cast<std::uint16_t>(alpha.merge(target, bytes[3] >> (8 - alpha.bits)));
}

// The colour key of an rgba5551 source, whose keyed loops compare whole words.
inline std::uint16_t& pel_key_rgb888_to_rgba5551(std::uint16_t& target, const std::uint8_t* bytes)
{
    return pel_convert_rgb888_to_rgba5551_key(target, bytes);
}

// A key colour's bytes B, G, R, A in the form a colour group's keyed loops compare: the bytes
// B, G, R (and A for the 32-bit group) as one value, or the group's 16-bit conversion; 0 for the
// other groups.
[[nodiscard]] inline std::uint32_t pelKeyOf(PelGroup group, const std::uint8_t* rgba) noexcept
{
    std::uint16_t word = 0;
    switch (group) {
    case PelGroup::Rgb888: return rgba[0] | rgba[1] << 8 | static_cast<std::uint32_t>(rgba[2]) << 16;
    case PelGroup::X8888:
        return rgba[0] | rgba[1] << 8 | static_cast<std::uint32_t>(rgba[2]) << 16 | static_cast<std::uint32_t>(rgba[3]) << 24;
    case PelGroup::Rgb565: return pel_convert_rgb888_to_rgb565(word, rgba);
    case PelGroup::Rgbx5551: return pel_convert_rgb888_to_rgbx5551(word, rgba);
    case PelGroup::Rgba5551: return pel_key_rgb888_to_rgba5551(word, rgba);
    case PelGroup::Index8:
    case PelGroup::None: break;
    }
    return 0;
}

namespace pel::fmt {

// Packed through the rgba8888 converter with A standing for bit 15.
struct rgba5551 : Word16<PelKind::Rgba5551> {
    static Word pack(Word v, Bgr c)
    {
        const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(c.b), static_cast<std::uint8_t>(c.g),
                                       static_cast<std::uint8_t>(c.r), info.a.get(v) != 0 ? std::uint8_t{255} : std::uint8_t{0}};
        return pel_convert_rgba8888_to_rgba5551(v, bytes);
    }
};

} // namespace pel::fmt
