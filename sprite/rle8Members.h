// The sprite draws' member tables, one per direction: a member per (destination group, slot of the draw key).
#pragma once

#include <array>
#include <tuple>
#include <type_traits>
#include <utility>

#include "sprite/rle8Job.h"
#include "sprite/rle8RowLoop.h"
#include "sprite/drawKey.h"

namespace rle8 {

using Operators = std::tuple<Modulate, Modulate2x, Modulate4x, Add, AddSigned, AddSigned2x, Subtract, AddSmooth>;

// The sprite loop of a key: one stretch copy without key test, no depth test mirrored, no alpha
// map or premultiplied alpha.
template <Group G, bool Mirror, DrawKey K>
constexpr Rle8Fn* member()
{
    if constexpr (K.stretch) {
        return K.op == DrawOp::Copy && !K.keyed ? &stretchLoop<G, Mirror> : nullptr;
    } else if constexpr ((Mirror && K.depth) || K.op == DrawOp::AlphaMap || K.op == DrawOp::Premul) {
        return nullptr;
    } else if constexpr (K.op == DrawOp::Copy) {
        return &rectLoop<G, Copy, K.keyed, K.depth, Mirror>;
    } else if constexpr (K.op == DrawOp::Alpha) {
        return &rectLoop<G, Alpha, K.keyed, false, Mirror>;
    } else {
        using Rule = std::tuple_element_t<static_cast<std::size_t>(K.op) - static_cast<std::size_t>(DrawOp::Modulate), Operators>;
        return &rectLoop<G, Rule, K.keyed, K.depth, Mirror>;
    }
}

using Row = std::array<Rle8Fn*, drawSlotCount>;
// By destination group; the rgba5551 group draws from the rgbx5551 row.
using Members = std::array<Row, 4>;

template <Group G, bool Mirror, std::size_t... S>
constexpr Row row(std::index_sequence<S...>)
{
    return Row{member<G, Mirror, drawSlots[S]>()...};
}

template <Group G, bool Mirror>
constexpr Row row()
{
    return row<G, Mirror>(std::make_index_sequence<drawSlotCount>{});
}

template <bool Mirror>
constexpr Members membersOf()
{
    return {row<Group::Rgb888, Mirror>(), row<Group::X8888, Mirror>(), row<Group::Rgb565, Mirror>(), row<Group::Rgbx5551, Mirror>()};
}

// The two tables, each in a unit of its own.
extern const Members members;
extern const Members mirrorMembers;

}  // namespace rle8
