// Source and destination traits of the blit loop template, derived from the kind table: how a pixel is read, widened, keyed and written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <type_traits>

#include "sprite/pelFormats.h"
#include "sprite/pelKinds.h"

namespace blit {

// The format groups of the loop-selection table, on either side, are the kind table's colour
// groups; 8-bit index images take part only in the index-to-index copy, outside the table.
using Group = PelGroup;
inline constexpr int groupCount = pelColourGroupCount;

using pel::load32;
using pel::store32;

inline std::uint32_t bgrWord(pel::Bgr c)
{
    return static_cast<std::uint32_t>(c.b) | static_cast<std::uint32_t>(c.g) << 8 | static_cast<std::uint32_t>(c.r) << 16;
}

// What sources and destinations of a group share: the layout its draws follow, bytes per pixel,
// the little-endian pixel value, and its word in the operator names (the rgb888 operators serve
// every group whose channels are whole bytes, on bytes B, G, R).
template <Group G>
struct GroupTraits {
    static constexpr Group group = G;
    static constexpr PelKindInfo layout = pelLayoutOf(G);
    static constexpr int bytes = layout.bytes;
    static constexpr bool byteChannels = layout.g.bits == 8;
    static constexpr std::string_view word = byteChannels ? std::string_view{"rgb888"} : pelGroupOf(G).word;
    using Raw = std::conditional_t<bytes == 1, std::uint8_t, std::conditional_t<bytes == 2, std::uint16_t, std::uint32_t>>;

    static Raw load(const std::uint8_t* p)
    {
        if constexpr (bytes == 1)
            return *p;
        else if constexpr (bytes == 2)
            return pel::loadWord(p);
        else if constexpr (bytes == 3)
            return p[0] | p[1] << 8 | static_cast<Raw>(p[2]) << 16;
        else
            return load32(p);
    }
    static void store(std::uint8_t* p, std::uint32_t v)
    {
        if constexpr (bytes == 2) {
            pel::storeWord(p, v);
        } else if constexpr (bytes == 3) {
            p[0] = static_cast<std::uint8_t>(v);
            p[1] = static_cast<std::uint8_t>(v >> 8);
            p[2] = static_cast<std::uint8_t>(v >> 16);
        } else {
            store32(p, v);
        }
    }
};

// ---- sources ----
// A source's pixel value: the bits a key compares (colour and alpha, never x bits), its 8-bit
// B, G, R (fields moved to the top of their byte, zeros below: shifts only, so row loops
// vectorise), and what it carries into a 32-bit A byte or bit 15 of rgba5551 on a copy (its
// alpha widened, 0xFF without alpha). The 32-bit group's layout is Rgba8888's: its fourth byte is
// compared and carried whether the kind calls it alpha or x. Sources whose channels are whole
// bytes blend and subtract onto 24/32-bit destinations inline; the others call the operator.
template <Group G>
struct Source : GroupTraits<G> {
    using T = GroupTraits<G>;
    using typename T::Raw;
    static constexpr int step = T::bytes;
    static constexpr bool palettized = false;
    static constexpr bool inlineBlend = T::byteChannels, inlineSubtract = T::byteChannels;
    static constexpr Raw keyBits = static_cast<Raw>(T::layout.keyMask());
    static const std::uint8_t* fetch(const std::uint8_t*, const std::uint8_t* p) { return p; }
    static pel::Bgr widen(Raw v)
    {
        constexpr PelKindInfo l = T::layout;
        return {l.b.get(v) << (8 - l.b.bits), l.g.get(v) << (8 - l.g.bits), l.r.get(v) << (8 - l.r.bits)};
    }
    static int alphaOf(Raw v)
    {
        constexpr PelField a = T::layout.a;
        if constexpr (!T::layout.alpha)
            return 255;
        else if constexpr (a.bits == 8)
            return a.get(v);
        else
            return a.get(v) != 0 ? 255 : 0;
    }
};

// An index byte standing for its entry in the palette's table, which holds pixels of group E
// (the destination's entries): the loops work on the entry, which a copy stores whole.
template <Group E>
struct Pal8Source : Source<E> {
    static constexpr bool palettized = true;
    static constexpr int step = 1;
    static const std::uint8_t* fetch(const std::uint8_t* table, const std::uint8_t* p)
    {
        return table + std::ptrdiff_t{*p} * Source<E>::bytes;
    }
};

// ---- destinations ----
// A copied colour is written field by field from 8-bit B, G, R (truncated); a fourth field that
// is alpha takes the source's alpha a, x bits keep their value.
template <Group G>
struct Dest : GroupTraits<G> {
    using T = GroupTraits<G>;
    // Whether the channels are bytes, where modulate and some blends are inline.
    static constexpr bool wide = T::byteChannels;
    static void copy(std::uint8_t* p, pel::Bgr c, int a)
    {
        constexpr PelKindInfo l = T::layout;
        const auto field = [](PelField f, int v) { return static_cast<std::uint32_t>(v >> (8 - f.bits)) << f.shift; };
        std::uint32_t v = field(l.r, c.r) | field(l.g, c.g) | field(l.b, c.b);
        if constexpr (l.a.bits != 0) {
            if constexpr (l.alpha)
                v |= field(l.a, a);
            else
                v |= T::load(p) & l.a.mask();
        }
        T::store(p, v);
    }
};

inline std::int32_t loadDepth(const std::uint8_t* p)
{
    std::int32_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

inline void storeDepth(std::uint8_t* p, std::int32_t v) { std::memcpy(p, &v, sizeof v); }

} // namespace blit
