// The sprite library's pixel kinds: the one table of kind numbers, bytes, fields and draw groups.
#pragma once

#include <array>
#include <cstdint>
#include <iterator>
#include <string_view>

#include "img/pixel.h"

// The kinds as imgPelFmt::kind numbers them, 0 to 10 in this order. 0 to 9 are the graphics core's
// format numbers and mean the same pixels; 10 is this library's own.
enum class PelKind : std::int32_t {
    None,
    Rgb888,
    Rgbx8888,
    Rgba8888,
    Rgb565,
    Rgbx5551,
    Rgba5551,
    Rgbx4444,
    Rgba4444,
    Index8,  // palette indices, alpha maps and masks
    Depth,   // signed 16.16 depth values
};

inline constexpr int pelKindCount = 11;

// A kind number held as an int compared with a kind.
[[nodiscard]] constexpr bool operator==(std::int32_t number, PelKind kind) noexcept
{
    return number == static_cast<std::int32_t>(kind);
}

// The groups that draws tell apart. The colour groups come first; the two 32-bit kinds draw
// alike, their fourth byte compared by keys and carried by copies as A.
enum class PelGroup : std::uint8_t { Rgb888, X8888, Rgb565, Rgbx5551, Rgba5551, Index8, None };

inline constexpr int pelColourGroupCount = 5;

// One field of a little-endian pixel value: its lowest bit and its width (0: the kind has none).
struct PelField {
    int shift = 0, bits = 0;
    [[nodiscard]] constexpr unsigned mask() const { return ((1u << bits) - 1) << shift; }
    [[nodiscard]] constexpr int get(unsigned v) const { return static_cast<int>((v >> shift) & ((1u << bits) - 1)); }
    // Only this field's bits change, so a bit no field covers keeps the word's value.
    [[nodiscard]] constexpr unsigned merge(unsigned v, int f) const
    {
        return (v & ~mask()) | ((static_cast<unsigned>(f) << shift) & mask());
    }
};

struct PelKindInfo {
    PelKind kind;
    int bytes;          // per pixel
    PelField b, g, r;   // colour fields
    PelField a;         // the fourth field: alpha when `alpha`, else x bits without meaning
    bool alpha;
    PelGroup group;
    bool pixels;  // the library reads and writes its pixels (PelAtXY, the primitives)
    // The bits a colour key compares: colour and alpha, never x bits.
    [[nodiscard]] constexpr std::uint32_t keyMask() const { return b.mask() | g.mask() | r.mask() | (alpha ? a.mask() : 0u); }
};

// The row of a kind whose number the graphics core gives the same pixels: bytes and fields from its
// tables (formats without a layout have no fields).
[[nodiscard]] constexpr PelKindInfo pelKindFromImg(PelKind kind, PelGroup group, bool pixels) noexcept
{
    namespace g = talvo::g;
    const auto id = static_cast<g::PelFmtId>(kind);
    PelKindInfo info{kind, static_cast<int>(g::pelFmtBytes[id]), {}, {}, {}, {}, false, group, pixels};
    if (id >= g::fmtId::rgb888 && id <= g::fmtId::rgba4444) {
        const g::PelLayout& l = g::pelLayouts[id];
        const auto field = [](g::FieldLayout f) { return PelField{f.shift, f.width}; };
        info.b = field(l.b);
        info.g = field(l.g);
        info.r = field(l.r);
        info.a = field(l.a);
        info.alpha = l.alpha;
    }
    return info;
}

inline constexpr PelKindInfo pelKinds[pelKindCount] = {
    pelKindFromImg(PelKind::None, PelGroup::None, false),
    pelKindFromImg(PelKind::Rgb888, PelGroup::Rgb888, true),
    pelKindFromImg(PelKind::Rgbx8888, PelGroup::X8888, true),
    pelKindFromImg(PelKind::Rgba8888, PelGroup::X8888, true),
    pelKindFromImg(PelKind::Rgb565, PelGroup::Rgb565, true),
    pelKindFromImg(PelKind::Rgbx5551, PelGroup::Rgbx5551, true),
    pelKindFromImg(PelKind::Rgba5551, PelGroup::Rgba5551, true),
    pelKindFromImg(PelKind::Rgbx4444, PelGroup::None, false),
    pelKindFromImg(PelKind::Rgba4444, PelGroup::None, false),
    pelKindFromImg(PelKind::Index8, PelGroup::Index8, true),
    // Signed 16.16 values where the graphics core's 10 is a 16-bit word.
    {PelKind::Depth, 4, {}, {}, {}, {}, false, PelGroup::None, true},
};

// Whether a kind number means the pixels the graphics core's format of that number means: the same
// bytes and the same fields, or no fields in both.
[[nodiscard]] constexpr bool pelKindMatchesImg(int kind) noexcept
{
    namespace g = talvo::g;
    if (kind < 0 || kind >= pelKindCount || static_cast<g::PelFmtId>(kind) >= g::pelFmtCount) return false;
    const PelKindInfo& k = pelKinds[kind];
    const auto id = static_cast<g::PelFmtId>(kind);
    if (k.bytes != static_cast<int>(g::pelFmtBytes[id])) return false;
    const g::PelLayout l = id <= g::fmtId::rgba4444 ? g::pelLayouts[id] : g::PelLayout{};
    const auto same = [](PelField p, g::FieldLayout f) { return p.shift == f.shift && p.bits == f.width; };
    return same(k.b, l.b) && same(k.g, l.g) && same(k.r, l.r) && same(k.a, l.a) && k.alpha == l.alpha;
}

constexpr bool pelKindsMatchImgBelow(int count)
{
    for (int k = 0; k < count; ++k)
        if (!pelKindMatchesImg(k)) return false;
    return true;
}
static_assert(pelKindsMatchImgBelow(static_cast<int>(PelKind::Depth)), "the kinds 0 to 9 are the graphics core's formats");
static_assert(!pelKindMatchesImg(static_cast<int>(PelKind::Depth)), "depth values are not the graphics core's 10");

// The kind a graphics-core picture of format `id` is taken as: the same number where both mean the
// same pixels, else -1.
[[nodiscard]] constexpr int pelKindOfImg(talvo::g::PelFmtId id) noexcept
{
    return id < static_cast<talvo::g::PelFmtId>(pelKindCount) && pelKindMatchesImg(static_cast<int>(id))
               ? static_cast<int>(id)
               : -1;
}

// What a group's draws follow: the layout of one kind (the 32-bit group's is Rgba8888's, A compared
// and carried), the group of a palette's table converted for it (both 5551 groups share one), and
// its word in loop names.
struct PelGroupInfo {
    PelGroup group;
    PelKind layout;
    PelGroup entries;
    std::string_view word;
};

inline constexpr PelGroupInfo pelGroups[] = {
    {PelGroup::Rgb888, PelKind::Rgb888, PelGroup::Rgb888, "rgb888"},
    {PelGroup::X8888, PelKind::Rgba8888, PelGroup::X8888, "rgbx8888"},
    {PelGroup::Rgb565, PelKind::Rgb565, PelGroup::Rgb565, "rgb565"},
    {PelGroup::Rgbx5551, PelKind::Rgbx5551, PelGroup::Rgbx5551, "rgbx5551"},
    {PelGroup::Rgba5551, PelKind::Rgba5551, PelGroup::Rgbx5551, "rgba5551"},
    {PelGroup::Index8, PelKind::Index8, PelGroup::Index8, "pal8"},
};

constexpr bool pelTablesInOrder()
{
    for (int k = 0; k < pelKindCount; ++k)
        if (pelKinds[k].kind != static_cast<PelKind>(k)) return false;
    for (int g = 0; g < static_cast<int>(std::size(pelGroups)); ++g)
        if (pelGroups[g].group != static_cast<PelGroup>(g)) return false;
    return true;
}
static_assert(pelTablesInOrder(), "each row sits at its own number");

// The row of a kind number; kind numbers outside the table have none.
[[nodiscard]] constexpr const PelKindInfo* pelKindOf(int kind) noexcept
{
    return kind >= 0 && kind < pelKindCount ? &pelKinds[kind] : nullptr;
}

[[nodiscard]] constexpr const PelKindInfo& pelKindOf(PelKind kind) noexcept { return pelKinds[static_cast<int>(kind)]; }

// The number imgPelFmt::kind holds for a kind.
[[nodiscard]] constexpr std::int32_t pelKindNumber(PelKind kind) noexcept { return static_cast<std::int32_t>(kind); }

[[nodiscard]] constexpr const PelGroupInfo& pelGroupOf(PelGroup group) noexcept { return pelGroups[static_cast<int>(group)]; }

// The group a word of the loop names stands for; pal8 names a palettized source or an index image.
consteval PelGroup pelGroupNamed(std::string_view word)
{
    for (const PelGroupInfo& g : pelGroups)
        if (g.word == word) return g.group;
    throw "no such group word";
}

// The layout a group's draws follow.
[[nodiscard]] constexpr const PelKindInfo& pelLayoutOf(PelGroup group) noexcept
{
    return pelKindOf(pelGroupOf(group).layout);
}

// Bytes per pixel of the kinds 0 to 10.
inline constexpr auto imgFormatBytes = [] {
    std::array<int, pelKindCount> bytes{};
    for (int k = 0; k < pelKindCount; ++k) bytes[static_cast<std::size_t>(k)] = pelKinds[k].bytes;
    return bytes;
}();

// Bytes per pixel of a kind number; 0 outside the table.
[[nodiscard]] constexpr int imgPelBytes(int kind) noexcept
{
    const PelKindInfo* info = pelKindOf(kind);
    return info != nullptr ? info->bytes : 0;
}
