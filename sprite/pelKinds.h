// The sprite library's pixel kinds: the one table of kind numbers, bytes, fields and draw groups.
#pragma once

#include <array>
#include <cstdint>
#include <iterator>
#include <string_view>

// The kinds as imgPelFmt::kind numbers them, 0 to 10 in this order.
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

inline constexpr PelKindInfo pelKinds[pelKindCount] = {
    // kind             bytes  b        g        r         a         alpha  group              pixels
    {PelKind::None,     4,     {},      {},      {},       {},       false, PelGroup::None,     false},
    {PelKind::Rgb888,   3,     {0, 8},  {8, 8},  {16, 8},  {},       false, PelGroup::Rgb888,   true},
    {PelKind::Rgbx8888, 4,     {0, 8},  {8, 8},  {16, 8},  {24, 8},  false, PelGroup::X8888,    true},
    {PelKind::Rgba8888, 4,     {0, 8},  {8, 8},  {16, 8},  {24, 8},  true,  PelGroup::X8888,    true},
    {PelKind::Rgb565,   2,     {0, 5},  {5, 6},  {11, 5},  {},       false, PelGroup::Rgb565,   true},
    {PelKind::Rgbx5551, 2,     {0, 5},  {5, 5},  {10, 5},  {15, 1},  false, PelGroup::Rgbx5551, true},
    {PelKind::Rgba5551, 2,     {0, 5},  {5, 5},  {10, 5},  {15, 1},  true,  PelGroup::Rgba5551, true},
    {PelKind::Rgbx4444, 2,     {0, 4},  {4, 4},  {8, 4},   {12, 4},  false, PelGroup::None,     false},
    {PelKind::Rgba4444, 2,     {0, 4},  {4, 4},  {8, 4},   {12, 4},  true,  PelGroup::None,     false},
    {PelKind::Index8,   1,     {},      {},      {},       {},       false, PelGroup::Index8,   true},
    {PelKind::Depth,    4,     {},      {},      {},       {},       false, PelGroup::None,     true},
};

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
