// The typed draw key of the blitter and the run-length sprites, the slot layout of their loop tables, and the requests each serves.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "sprite/drawParams.h"

// What a draw does with each pixel; the colour operators Modulate to AddSmooth are DrawMode's, in its order.
enum class DrawOp : std::uint8_t {
    Copy,
    Alpha,
    AlphaMap,
    Premul,
    Modulate,
    Modulate2x,
    Modulate4x,
    Add,
    AddSigned,
    AddSigned2x,
    Subtract,
    AddSmooth,
};

inline constexpr int drawOpCount = 12;

// The operations' words in the names of loops and per-pixel operators.
inline constexpr std::string_view drawOpWords[drawOpCount] = {
    "copy", "alpha", "alphamap", "premul", "modulate", "modulate2x", "modulate4x", "add", "addsigned", "addsigned2x", "subtract", "addsmooth"};

// No member initialisers, so a plan holding one is not cleared on every draw; DrawKey{} is a
// plain copy.
struct DrawKey {
    DrawOp op;
    bool keyed;    // source pixels equal to the key are skipped
    bool depth;    // a pixel is drawn where the source depth is greater, which it then sets
    bool stretch;  // the source is sampled in 16.16 steps
    friend constexpr bool operator==(const DrawKey&, const DrawKey&) = default;
};

// The key a loop name spells in its operation and suffix: [stretch_]<op>[_key][_depth].
consteval DrawKey drawKeyNamed(std::string_view name)
{
    DrawKey key{};
    key.stretch = name.starts_with("stretch_");
    if (key.stretch) name.remove_prefix(8);
    key.depth = name.ends_with("_depth");
    if (key.depth) name.remove_suffix(6);
    key.keyed = name.ends_with("_key");
    if (key.keyed) name.remove_suffix(4);
    for (int op = 0; op < drawOpCount; ++op)
        if (drawOpWords[op] == name) return key.op = static_cast<DrawOp>(op), key;
    throw "no such operation word";
}

// The slot layout of a loop table's block: stretch copy, constant alpha and add (keyed, plain);
// copy (keyed, plain, keyed with depth, with depth); constant alpha, premultiplied alpha and
// alpha map (keyed, plain); then each colour operator, Modulate to AddSmooth, as the copy.
inline constexpr int drawSlotCount = 48;

inline constexpr std::array<DrawKey, drawSlotCount> drawSlots = [] {
    std::array<DrawKey, drawSlotCount> slots{};
    std::size_t n = 0;
    const auto pair = [&](DrawOp op, bool stretch) {
        slots[n++] = {op, true, false, stretch};
        slots[n++] = {op, false, false, stretch};
    };
    const auto four = [&](DrawOp op) {
        pair(op, false);
        slots[n++] = {op, true, true, false};
        slots[n++] = {op, false, true, false};
    };
    pair(DrawOp::Copy, true);
    pair(DrawOp::Alpha, true);
    pair(DrawOp::Add, true);
    four(DrawOp::Copy);
    pair(DrawOp::Alpha, false);
    pair(DrawOp::Premul, false);
    pair(DrawOp::AlphaMap, false);
    for (int op = static_cast<int>(DrawOp::Modulate); op < drawOpCount; ++op) four(static_cast<DrawOp>(op));
    return slots;
}();

// The slot of a key in the layout, -1 for a key no block holds; looked up through the layout
// itself, the key packed into 7 bits.
[[nodiscard]] constexpr int drawKeyBits(DrawKey key) noexcept
{
    return static_cast<int>(key.op) << 3 | key.stretch << 2 | key.depth << 1 | static_cast<int>(key.keyed);
}

inline constexpr auto drawSlotsByBits = [] {
    std::array<std::int8_t, 128> slots{};
    slots.fill(-1);
    for (std::size_t s = 0; s < drawSlots.size(); ++s) slots[static_cast<std::size_t>(drawKeyBits(drawSlots[s]))] = static_cast<std::int8_t>(s);
    return slots;
}();

[[nodiscard]] constexpr int drawSlotOf(DrawKey key) noexcept { return drawSlotsByBits[static_cast<std::size_t>(drawKeyBits(key))]; }

// ---- requests: a DrawParams mode (taken unsigned) and the images' state to a key, or none ----

// A mode as the unsigned number a request carries.
[[nodiscard]] constexpr std::uint32_t modeNumber(DrawMode mode) noexcept { return static_cast<std::uint32_t>(mode); }

// Modes are numbered from 0 up to the last; any number from here on draws nothing.
inline constexpr std::uint32_t drawModeEnd = modeNumber(DrawMode::AlphaAlt) + 1;

// The colour operator of a mode Modulate to AddSmooth (both lists run in the same order), none for any
// other mode.
[[nodiscard]] constexpr std::optional<DrawOp> colourOpOfMode(std::uint32_t mode) noexcept
{
    if (mode < modeNumber(DrawMode::Modulate) || mode > modeNumber(DrawMode::AddSmooth)) return std::nullopt;
    return static_cast<DrawOp>(static_cast<std::uint32_t>(DrawOp::Modulate) + (mode - modeNumber(DrawMode::Modulate)));
}
static_assert(colourOpOfMode(modeNumber(DrawMode::AddSmooth)) == DrawOp::AddSmooth);

// imgCTy::DrawEx: with `scaled` only copies (Copy, Stretch, CopyAlt), constant alpha (Alpha, AlphaAlt) and
// Add draw, stretched and without depth; Stretch always stretches; CopyAlt is Copy and AlphaAlt is Alpha;
// the depth image counts for copies and the colour operators only.
[[nodiscard]] constexpr std::optional<DrawKey> blitRequestKey(std::uint32_t mode, bool scaled, bool keyed, bool depth) noexcept
{
    const bool stretch = scaled || mode == modeNumber(DrawMode::Stretch);
    if (mode >= drawModeEnd) return std::nullopt;
    switch (static_cast<DrawMode>(mode)) {
    case DrawMode::Copy: case DrawMode::Stretch: case DrawMode::CopyAlt: return DrawKey{DrawOp::Copy, keyed, depth && !stretch, stretch};
    case DrawMode::Alpha: case DrawMode::AlphaAlt: return DrawKey{DrawOp::Alpha, keyed, false, stretch};
    case DrawMode::Add: return DrawKey{DrawOp::Add, keyed, depth && !stretch, stretch};
    case DrawMode::AlphaMap: case DrawMode::Premul:
        if (stretch) return std::nullopt;
        return DrawKey{mode == modeNumber(DrawMode::AlphaMap) ? DrawOp::AlphaMap : DrawOp::Premul, keyed, false, false};
    default: {
        const std::optional<DrawOp> op = colourOpOfMode(mode);
        if (!op || stretch) return std::nullopt;
        return DrawKey{*op, keyed, depth, false};
    }
    }
}

// The slot of a blitter request, -1 when it draws nothing: one table lookup per draw.
[[nodiscard]] inline int blitRequestSlot(std::uint32_t mode, bool scaled, bool keyed, bool depth) noexcept
{
    static constexpr auto slots = [] {
        std::array<std::int8_t, drawModeEnd << 3> table{};
        for (std::uint32_t i = 0; i < table.size(); ++i) {
            const std::optional<DrawKey> key = blitRequestKey(i >> 3, (i & 4) != 0, (i & 2) != 0, (i & 1) != 0);
            table[i] = static_cast<std::int8_t>(key ? drawSlotOf(*key) : -1);
        }
        return table;
    }();
    return mode < drawModeEnd ? slots[mode << 3 | static_cast<std::uint32_t>(scaled) << 2 | static_cast<std::uint32_t>(keyed) << 1 | static_cast<std::uint32_t>(depth)] : -1;
}

// imgRle8CTy: Copy and the colour operators keyed and with depth, Alpha keyed, and Stretch (a copy) without
// key or depth; every other mode draws nothing.
[[nodiscard]] constexpr std::optional<DrawKey> rle8RequestKey(std::uint32_t mode, bool keyed, bool depth) noexcept
{
    if (mode == modeNumber(DrawMode::Copy)) return DrawKey{DrawOp::Copy, keyed, depth, false};
    if (mode == modeNumber(DrawMode::Alpha)) return DrawKey{DrawOp::Alpha, keyed, false, false};
    if (mode == modeNumber(DrawMode::Stretch)) return DrawKey{DrawOp::Copy, false, false, true};
    if (const std::optional<DrawOp> op = colourOpOfMode(mode)) return DrawKey{*op, keyed, depth, false};
    return std::nullopt;
}

// Every key a request gives has its slot in the layout.
constexpr bool drawRequestsHaveSlots()
{
    for (std::uint32_t i = 0; i < (drawModeEnd + 1) << 3; ++i) {
        const std::uint32_t mode = i >> 3;
        const bool scaled = (i & 4) != 0, keyed = (i & 2) != 0, depth = (i & 1) != 0;
        for (const std::optional<DrawKey> key : {blitRequestKey(mode, scaled, keyed, depth), rle8RequestKey(mode, keyed, depth)})
            if (key && drawSlotOf(*key) < 0) return false;
    }
    return true;
}
static_assert(drawRequestsHaveSlots());
