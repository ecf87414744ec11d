// Per-pixel operators of the blit loops, generated for their format pairs from member tables.
#pragma once

#include "sprite/pelFormats.h"
#include "sprite/pelKeys.h"
#include "sprite/pelWords.h"

#include <algorithm>
#include <cstdint>

namespace pel {

// Per-channel formulas on 8-bit channels d (destination) and s (source).
namespace mode {
struct modulate {
    static int apply(int d, int s) { return (d * s) >> 8; }
};
struct modulate2x {
    static int apply(int d, int s) { return std::min(255, (d * s) >> 7); }
};
struct modulate4x {
    static int apply(int d, int s) { return std::min(255, (d * s) >> 6); }
};
struct add {
    static int apply(int d, int s) { return std::min(255, d + s); }
};
struct addsigned {
    static int apply(int d, int s) { return std::clamp(d + s - 128, 0, 255); }
};
struct addsigned2x {
    static int apply(int d, int s) { return std::clamp(2 * (d + s) - 256, 0, 255); }
};
struct subtract {
    static int apply(int d, int s) { return std::max(0, d - s); }
};
struct addsmooth {
    static int apply(int d, int s) { return std::min(255, d + ((s * (256 - d)) >> 8)); }
};
} // namespace mode

template <class Mode, class Src, class Dst>
inline void colour(std::uint8_t* dst, const std::uint8_t* src)
{
    const Bgr s = Src::widen(Src::load(src));
    const auto w = Dst::load(dst);
    const Bgr d = Dst::widen(w);
    Dst::store(dst, Dst::pack(w, {Mode::apply(d.b, s.b), Mode::apply(d.g, s.g), Mode::apply(d.r, s.r)}));
}

// ((d * (256 - a)) >> 8) + ((s * a) >> 8) for any int a, of which callers keep the low 8 bits or
// fewer. Unsigned products hold the low 32 bits of the exact ones, and the shifted bits 8 and up
// of those are all that the kept bits depend on; signed products would overflow near INT_MIN.
inline unsigned mix(int d, int s, int a)
{
    const auto ua = static_cast<unsigned>(a);
    return ((static_cast<unsigned>(d) * (256u - ua)) >> 8) + ((static_cast<unsigned>(s) * ua) >> 8);
}

// A source field brought to the destination's width: high bits dropped, or zeros shifted in.
template <int From, int To>
inline int reduce(int f)
{
    if constexpr (From >= To)
        return f >> (From - To);
    else
        return f << (To - From);
}

// Onto rgb888 on widened channels; onto 16-bit words field by field at the destination's widths.
template <class Src, class Dst>
inline void alpha(std::uint8_t* dst, const std::uint8_t* src, int a)
{
    const auto w = Dst::load(dst);
    if constexpr (Dst::bits.g == 8) {
        const Bgr s = Src::widen(Src::load(src));
        const Bgr d = Dst::widen(w);
        Dst::store(dst, {static_cast<int>(mix(d.b, s.b, a) & 255), static_cast<int>(mix(d.g, s.g, a) & 255),
                         static_cast<int>(mix(d.r, s.r, a) & 255)});
    } else {
        const Bgr s = Src::fields(Src::load(src));
        const Bgr d = Dst::fields(w);
        constexpr Bgr sb = Src::bits, db = Dst::bits;
        Dst::store(dst, Dst::mergeFields(w, {static_cast<int>(mix(d.b, reduce<sb.b, db.b>(s.b), a)),
                                             static_cast<int>(mix(d.g, reduce<sb.g, db.g>(s.g), a)),
                                             static_cast<int>(mix(d.r, reduce<sb.r, db.r>(s.r), a))}));
    }
}

// d + (((s - d) * a) >> 8) on each field of two rgb565 words, without widening: the shift of a
// negative product rounds toward minus infinity, so for a in 0..256 each field stays between d and s.
inline void mixFields565(std::uint8_t* dst, const std::uint8_t* src, int a)
{
    const unsigned dw = loadWord(dst), sw = loadWord(src);
    const auto field = [a, dw, sw](PelField f) {
        const int df = f.get(dw), sf = f.get(sw);
        return static_cast<unsigned>(df + (((sf - df) * a) >> 8)) << f.shift;
    };
    using F = fmt::rgb565;
    storeWord(dst, field(F::R) | field(F::G) | field(F::B));
}

// Constant alpha onto a pixel of the source's own group, a in 0..256, each group with its own
// rounding: rgb888 and 5551 as alpha does, 32-bit pixels one shift after both products, rgb565
// field by field. The run-length loops draw every constant alpha with it, the blit loops the
// pairs they keep apart (blitKeptApart.h).
template <PelGroup G>
inline void sameAlpha(std::uint8_t* d, const std::uint8_t* s, int a)
{
    if constexpr (G == PelGroup::Rgb888)
        alpha<fmt::rgb888, fmt::rgb888>(d, s, a);
    else if constexpr (G == PelGroup::X8888)
        store32(d, words::mixOnce(load32(d), load32(s), static_cast<std::uint32_t>(a)));
    else if constexpr (G == PelGroup::Rgb565)
        mixFields565(d, s, a);
    else
        alpha<fmt::rgbx5551, fmt::rgbx5551>(d, s, a);
}

// min(255, s + ((d * (256 - a)) >> 8)): the clamp needs the whole value, so 64-bit products.
template <class Src, class Dst>
inline void premul(std::uint8_t* dst, const std::uint8_t* src, int a)
{
    const Bgr s = Src::widen(Src::load(src));
    const auto w = Dst::load(dst);
    const Bgr d = Dst::widen(w);
    const std::int64_t keep = 256 - std::int64_t{a};
    const auto channel = [keep](int dc, int sc) {
        return static_cast<int>(std::min<std::int64_t>(255, sc + ((dc * keep) >> 8)) & 255);
    };
    Dst::store(dst, Dst::pack(w, {channel(d.b, s.b), channel(d.g, s.g), channel(d.r, s.r)}));
}

} // namespace pel

// Member tables, one row per (source, destination) pair.
#define PEL_ALL_MODES(X, S, D)                                                                         \
    X(modulate, S, D) X(modulate2x, S, D) X(modulate4x, S, D) X(add, S, D) X(addsigned, S, D)          \
        X(addsigned2x, S, D) X(subtract, S, D) X(addsmooth, S, D)
// Onto rgb888 the loops compute modulate themselves.
#define PEL_ONTO_RGB888(X, S)                                                                          \
    X(modulate2x, S, rgb888) X(modulate4x, S, rgb888) X(add, S, rgb888) X(addsigned, S, rgb888)        \
        X(addsigned2x, S, rgb888) X(subtract, S, rgb888) X(addsmooth, S, rgb888)

// X(mode, source, destination)
#define PEL_COLOUR_MEMBERS(X)                                                                          \
    X(modulate2x, rgb888, rgb888) X(modulate4x, rgb888, rgb888) X(add, rgb888, rgb888)                 \
    X(addsigned, rgb888, rgb888) X(addsigned2x, rgb888, rgb888) X(addsmooth, rgb888, rgb888)           \
    PEL_ALL_MODES(X, rgb888, rgb565)                                                                   \
    PEL_ALL_MODES(X, rgb888, rgbx5551)                                                                 \
    PEL_ALL_MODES(X, rgb888, rgba5551)                                                                 \
    PEL_ONTO_RGB888(X, rgb565)                                                                         \
    PEL_ALL_MODES(X, rgb565, rgb565)                                                                   \
    PEL_ALL_MODES(X, rgb565, rgbx5551)                                                                 \
    PEL_ALL_MODES(X, rgb565, rgba5551)                                                                 \
    PEL_ONTO_RGB888(X, rgbx5551)                                                                       \
    PEL_ALL_MODES(X, rgbx5551, rgb565)                                                                 \
    PEL_ALL_MODES(X, rgbx5551, rgbx5551)                                                               \
    PEL_ALL_MODES(X, rgbx5551, rgba5551)                                                               \
    PEL_ONTO_RGB888(X, rgba5551)                                                                       \
    PEL_ALL_MODES(X, rgba5551, rgb565)                                                                 \
    PEL_ALL_MODES(X, rgba5551, rgbx5551)                                                               \
    PEL_ALL_MODES(X, rgba5551, rgba5551)

// X(source, destination); the pairs not listed are computed by the loops or served by another row.
#define PEL_ALPHA_MEMBERS(X)                                                                           \
    X(rgb888, rgb565) X(rgb888, rgbx5551) X(rgb888, rgba5551) X(rgba8888, rgba5551)                    \
    X(rgb565, rgb888) X(rgb565, rgbx5551) X(rgb565, rgba5551)                                          \
    X(rgbx5551, rgb888) X(rgbx5551, rgb565) X(rgbx5551, rgbx5551) X(rgbx5551, rgba5551)                \
    X(rgba5551, rgb888) X(rgba5551, rgbx5551)

#define PEL_PREMUL_ROW(X, S) X(S, rgb888) X(S, rgb565) X(S, rgbx5551) X(S, rgba5551)
#define PEL_PREMUL_MEMBERS(X)                                                                          \
    PEL_PREMUL_ROW(X, rgb888) PEL_PREMUL_ROW(X, rgb565) PEL_PREMUL_ROW(X, rgbx5551) PEL_PREMUL_ROW(X, rgba5551)

// dst is read and rewritten in place, src only read; both may sit at any byte address.
#define PEL_DEFINE_COLOUR(M, S, D)                                                                     \
    inline void pel_##M##_##S##_to_##D(std::uint8_t* dst, const std::uint8_t* src)                    \
    {                                                                                                  \
        pel::colour<pel::mode::M, pel::fmt::S, pel::fmt::D>(dst, src);                                 \
    }
// F is the template's name, alpha or premul, and so the operator's word.
#define PEL_DEFINE_BLEND(F, S, D)                                                                      \
    inline void pel_##F##_##S##_to_##D(std::uint8_t* dst, const std::uint8_t* src, int a)             \
    {                                                                                                  \
        pel::F<pel::fmt::S, pel::fmt::D>(dst, src, a);                                                 \
    }
#define PEL_DEFINE_ALPHA(S, D) PEL_DEFINE_BLEND(alpha, S, D)
#define PEL_DEFINE_PREMUL(S, D) PEL_DEFINE_BLEND(premul, S, D)

PEL_COLOUR_MEMBERS(PEL_DEFINE_COLOUR)
PEL_ALPHA_MEMBERS(PEL_DEFINE_ALPHA)
PEL_PREMUL_MEMBERS(PEL_DEFINE_PREMUL)

#undef PEL_DEFINE_COLOUR
#undef PEL_DEFINE_ALPHA
#undef PEL_DEFINE_PREMUL
#undef PEL_DEFINE_BLEND
