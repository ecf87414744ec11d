// One drawn pixel of the blit loops: the copy write, the kept-apart and whole-word blends, the operator templates and calls.
#pragma once

#include <cstdint>
#include <cstring>
#include <span>
#include <string_view>
#include <tuple>
#include <type_traits>

#include "sprite/pelOpList.h"
#include "sprite/pelWords.h"
#include "sprite/blit/blitKeptApart.h"
#include "sprite/blit/blitTraits.h"
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

// The operator format a source reads as: rgb888 for whole-byte channels (the first three bytes of
// a 32-bit pixel), else its group's 16-bit format.
template <class S>
using FmtOf = std::conditional_t<
    S::byteChannels, pel::fmt::rgb888,
    std::conditional_t<S::group == Group::Rgb565, pel::fmt::rgb565,
                       std::conditional_t<S::group == Group::Rgbx5551, pel::fmt::rgbx5551, pel::fmt::rgba5551>>>;

// The formula of a colour mode.
template <DrawOp O>
using ModeOf = std::tuple_element_t<static_cast<int>(O) - static_cast<int>(DrawOp::Modulate),
                                    std::tuple<pel::mode::modulate, pel::mode::modulate2x, pel::mode::modulate4x, pel::mode::add,
                                               pel::mode::addsigned, pel::mode::addsigned2x, pel::mode::subtract, pel::mode::addsmooth>>;

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
            store32(d, pel::words::premul(dw, sw, ua));
        else if constexpr (op == DrawOp::Add)
            store32(d, pel::words::add(dw, sw));
        else
            store32(d, pel::words::alpha(dw, sw, ua));
    } else if constexpr (op == DrawOp::Alpha || op == DrawOp::AlphaMap) {
        if constexpr (D::wide && S::inlineBlend) {
            pel::alpha<pel::fmt::rgb888, pel::fmt::rgb888>(d, s, a);
        } else {
            constexpr pelAlphaFn* op = alphaOp<S, D>();
            op(d, s, a);
        }
    } else if constexpr (op == DrawOp::Premul) {
        constexpr pelAlphaFn* premul = blendOp("premul", S::word, D::word);
        premul(d, s, a);
    } else {
        if constexpr (D::wide && (op == DrawOp::Modulate || (op == DrawOp::Subtract && S::inlineSubtract))) {
            pel::colour<ModeOf<op>, FmtOf<S>, pel::fmt::rgb888>(d, s);
        } else {
            constexpr pelColourFn* colour = colourOp(drawOpWords[static_cast<int>(op)], S::word, D::word);
            colour(d, s);
        }
    }
}

} // namespace blit
