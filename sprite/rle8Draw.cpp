// The sprite draws' selection: the member of a destination kind, draw key and direction; the unmirrored members.
#include "sprite/rle8Draw.h"

#include "sprite/rle8Members.h"

constinit const rle8::Members rle8::members = rle8::membersOf<false>();

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
    return (mirror ? rle8::mirrorMembers : rle8::members)[static_cast<std::size_t>(group)][static_cast<std::size_t>(slot)];
}
