// One drawn pixel of the blit loops: the copy write, the kept-apart and whole-word blends, the inline channels and the operator calls.
#pragma once

#include <cstdint>
#include <cstring>
#include <span>
#include <string_view>

#include "sprite/pelOpList.h"
#include "sprite/blit/blitKeptApart.h"
#include "sprite/blit/blitTraits.h"
#include "sprite/blit/blitWords.h"
#include "sprite/drawKey.h"

namespace blit {

// Whether a copy moves the source value (or palette entry) unchanged: a source of the
// destination's own group (a palettized one holds entries of it).
template <class S, class D>
inline constexpr bool rawCopy = S::group == D::group;

// The per-pixel operators by name, found at compile time in their member lists, so a loop can
// call only an operator that exists, and the call inlines.
consteval pelColourFn* colourOp(std::string_view op, std::string_view src, std::string_view dst)
{
    for (const auto& m : pelColourMembers)
        if (m.mode == op && m.src == src && m.dst == dst) return m.fn;
    throw "no such colour operator";
}

consteval pelAlphaFn* blendOp(std::string_view op, std::string_view src, std::string_view dst)
{
    using List = std::span<const pelMember<pelAlphaFn>>;
    for (const auto& m : op == "alpha" ? List{pelAlphaMembers} : List{pelPremulMembers})
        if (m.src == src && m.dst == dst) return m.fn;
    throw "no such blend operator";
}

// The constant-alpha operators that a pair takes from another: the 32-bit source's own onto
// rgba5551, and the rgbx5551 blends where bit 15 of a rgba5551 source takes no part.
struct BorrowedAlpha {
    Group src, dst;
    std::string_view opSrc, opDst;
};
inline constexpr BorrowedAlpha borrowedAlphas[] = {
    {Group::X8888, Group::Rgba5551, "rgba8888", "rgba5551"},
    {Group::Rgba5551, Group::Rgb565, "rgbx5551", "rgb565"},
    {Group::Rgba5551, Group::Rgba5551, "rgbx5551", "rgbx5551"},
};

// The constant-alpha operator of a pair: its own by the operator words, or the one it borrows.
template <class S, class D>
consteval pelAlphaFn* alphaOp()
{
    for (const BorrowedAlpha& b : borrowedAlphas)
        if (!S::palettized && b.src == S::group && b.dst == D::group) return blendOp("alpha", b.opSrc, b.opDst);
    return blendOp("alpha", S::word, D::word);
}

// One drawn pixel (after the depth and key tests): d is read and written in place.
template <class S, class D, DrawKey K>
inline void blitPixel(std::uint8_t* d, const std::uint8_t* s, int a)
{
    constexpr DrawOp op = K.op;
    if constexpr (op == DrawOp::Copy) {
        if constexpr (rawCopy<S, D>) {
            std::memcpy(d, s, S::bytes);
        } else {
            const auto v = S::load(s);
            D::copy(d, S::widen(v), S::alphaOf(v));
        }
    } else if constexpr (keptApart(S::group, D::group, K)) {
        keptApartPixel<D, K>(d, s, a);
    } else if constexpr (D::group == Group::X8888 &&
                         (op == DrawOp::Alpha || op == DrawOp::AlphaMap || op == DrawOp::Premul || op == DrawOp::Add)) {
        // Onto 32-bit pixels the blends, premultiplied alpha and add run on whole words.
        const std::uint32_t dw = load32(d), sw = bgrWord(S::widen(S::load(s))), ua = static_cast<std::uint32_t>(a);
        if constexpr (op == DrawOp::Premul)
            store32(d, words::premul(dw, sw, ua));
        else if constexpr (op == DrawOp::Add)
            store32(d, words::add(dw, sw));
        else
            store32(d, words::alpha(dw, sw, ua));
    } else if constexpr (op == DrawOp::Alpha || op == DrawOp::AlphaMap) {
        if constexpr (D::wide && S::inlineBlend) {
            const pel::Bgr c = S::widen(S::load(s));
            d[0] = static_cast<std::uint8_t>(pel::mix(d[0], c.b, a));
            d[1] = static_cast<std::uint8_t>(pel::mix(d[1], c.g, a));
            d[2] = static_cast<std::uint8_t>(pel::mix(d[2], c.r, a));
        } else {
            constexpr pelAlphaFn* op = alphaOp<S, D>();
            op(d, s, a);
        }
    } else if constexpr (op == DrawOp::Premul) {
        constexpr pelAlphaFn* premul = blendOp("premul", S::word, D::word);
        premul(d, s, a);
    } else {
        if constexpr (D::wide && (op == DrawOp::Modulate || (op == DrawOp::Subtract && S::inlineSubtract))) {
            const pel::Bgr c = S::widen(S::load(s));
            const int sc[3] = {c.b, c.g, c.r};
            for (int i = 0; i < 3; ++i)
                d[i] = static_cast<std::uint8_t>(op == DrawOp::Modulate ? (d[i] * sc[i]) >> 8 : (d[i] > sc[i] ? d[i] - sc[i] : 0));
        } else {
            constexpr pelColourFn* colour = colourOp(drawOpWords[static_cast<int>(op)], S::word, D::word);
            colour(d, s);
        }
    }
}

} // namespace blit
