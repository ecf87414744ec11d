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

template <Group G, bool Mirror, int Slot>
constexpr Rle8Fn* member()
{
    if constexpr (Slot == 38) {
        return &rle8::stretchLoop<G, Mirror>;
    } else if constexpr (Mirror && rle8SlotDepth(Slot)) {
        return nullptr;  // mirrored draws have no depth test
    } else if constexpr (Slot < 4) {
        return &rle8::rectLoop<G, rle8::Copy, (Slot & 1) != 0, (Slot & 2) != 0, Mirror>;
    } else if constexpr (Slot < 6) {
        return &rle8::rectLoop<G, rle8::Alpha, Slot == 5, false, Mirror>;
    } else {
        using Rule = std::tuple_element_t<(Slot - 6) / 4, Operators>;
        return &rle8::rectLoop<G, Rule, ((Slot - 6) & 1) != 0, ((Slot - 6) & 2) != 0, Mirror>;
    }
}

using Row = std::array<Rle8Fn*, rle8SlotCount>;

template <Group G, bool Mirror, int... S>
constexpr Row row(std::integer_sequence<int, S...>)
{
    return Row{member<G, Mirror, S>()...};
}

template <Group G, bool Mirror>
constexpr Row row()
{
    return row<G, Mirror>(std::make_integer_sequence<int, rle8SlotCount>{});
}

// [mirror][group]
constexpr std::array<std::array<Row, 4>, 2> members = {{
    {row<Group::Rgb888, false>(), row<Group::X8888, false>(), row<Group::Rgb565, false>(), row<Group::X5551, false>()},
    {row<Group::Rgb888, true>(), row<Group::X8888, true>(), row<Group::Rgb565, true>(), row<Group::X5551, true>()},
}};

}  // namespace

int rle8GroupOf(int kind) noexcept
{
    // The group of the palette's table for the kind: both 5551 kinds draw from one.
    const PelKindInfo* info = pelKindOf(kind);
    if (info == nullptr || static_cast<int>(info->group) >= pelColourGroupCount) return -1;
    return static_cast<int>(pelGroupOf(info->group).entries);
}

int rle8SlotFor(std::uint32_t mode, bool keyed, bool depth) noexcept
{
    const int k = keyed ? 1 : 0, dpt = depth ? 2 : 0;
    if (mode == 0) return k + dpt;
    if (mode == 1) return 4 + k;
    if (mode >= 4 && mode <= 11) return 6 + 4 * static_cast<int>(mode - 4) + k + dpt;
    if (mode == 13) return 38;
    return -1;
}

Rle8Fn* rle8Member(int kind, int slot, bool mirror) noexcept
{
    const int group = rle8GroupOf(kind);
    if (group < 0 || slot < 0 || slot >= rle8SlotCount) return nullptr;
    return members[mirror ? 1 : 0][static_cast<std::size_t>(group)][static_cast<std::size_t>(slot)];
}

std::uint32_t rle8KeyFor(int kind, const std::uint8_t* rgba) noexcept
{
    std::uint16_t word = 0;
    switch (rle8GroupOf(kind)) {
    case 0: return rgba[0] | rgba[1] << 8 | static_cast<std::uint32_t>(rgba[2]) << 16;
    case 1: return rgba[0] | rgba[1] << 8 | rgba[2] << 16 | static_cast<std::uint32_t>(rgba[3]) << 24;
    case 2: return pel_convert_rgb888_to_rgb565(word, rgba);
    case 3: return pel_convert_rgb888_to_rgbx5551(word, rgba);
    default: return 0;
    }
}
