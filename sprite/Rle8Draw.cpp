// The selection table of the sprite draws: one member per (destination group, slot, direction).
#include "sprite/Rle8Draw.h"

#include <array>
#include <tuple>
#include <type_traits>
#include <utility>

#include "sprite/PelFormats.h"
#include "sprite/Rle8RowLoop.h"

namespace {

using rle8::Group;

using Operators = std::tuple<rle8::Modulate, rle8::Modulate2x, rle8::Modulate4x, rle8::Add, rle8::AddSigned,
                             rle8::AddSigned2x, rle8::Subtract, rle8::AddSmooth>;

// The sprite loop of a key: one stretch copy without key test, no depth test mirrored, no alpha
// map or premultiplied alpha.
template <Group G, bool Mirror, DrawKey K>
constexpr Rle8Fn* member()
{
    if constexpr (K.stretch) {
        return K.op == DrawOp::Copy && !K.keyed ? &rle8::stretchLoop<G, Mirror> : nullptr;
    } else if constexpr ((Mirror && K.depth) || K.op == DrawOp::AlphaMap || K.op == DrawOp::Premul) {
        return nullptr;
    } else if constexpr (K.op == DrawOp::Copy) {
        return &rle8::rectLoop<G, rle8::Copy, K.keyed, K.depth, Mirror>;
    } else if constexpr (K.op == DrawOp::Alpha) {
        return &rle8::rectLoop<G, rle8::Alpha, K.keyed, false, Mirror>;
    } else {
        using Rule = std::tuple_element_t<static_cast<std::size_t>(K.op) - static_cast<std::size_t>(DrawOp::Modulate), Operators>;
        return &rle8::rectLoop<G, Rule, K.keyed, K.depth, Mirror>;
    }
}

using Row = std::array<Rle8Fn*, drawSlotCount>;

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

// [mirror][destination group]; the rgba5551 group draws from the rgbx5551 row.
constexpr std::array<std::array<Row, 4>, 2> members = {{
    {row<Group::Rgb888, false>(), row<Group::X8888, false>(), row<Group::Rgb565, false>(), row<Group::Rgbx5551, false>()},
    {row<Group::Rgb888, true>(), row<Group::X8888, true>(), row<Group::Rgb565, true>(), row<Group::Rgbx5551, true>()},
}};

}  // namespace

PelGroup rle8GroupOf(int kind) noexcept
{
    // The group of the palette's table for the kind: both 5551 kinds draw from one.
    const PelKindInfo* info = pelKindOf(kind);
    if (info == nullptr || static_cast<int>(info->group) >= pelColourGroupCount) return PelGroup::None;
    return pelGroupOf(info->group).entries;
}

Rle8Fn* rle8Member(int kind, DrawKey key, bool mirror) noexcept
{
    const int group = static_cast<int>(rle8GroupOf(kind)), slot = drawSlotOf(key);
    if (group >= pelColourGroupCount || slot < 0) return nullptr;
    return members[mirror ? 1 : 0][static_cast<std::size_t>(group)][static_cast<std::size_t>(slot)];
}
