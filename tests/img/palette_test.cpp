// Palettes: entries, the converted table and its cache, nearest against brute force, short palettes.
#include <cstdint>
#include <limits>
#include <vector>

#include "img/palette.h"
#include "img/pel_fmt.h"
#include "img_test_support.h"
#include "talvo/exception.h"

namespace {

using namespace talvo::g;
using imgtest::Mismatches;

std::vector<std::uint8_t> bgra(std::initializer_list<std::uint32_t> colours) {  // 0xAARRGGBB each
    std::vector<std::uint8_t> bytes;
    for (std::uint32_t c : colours)
        for (int k = 0; k < 4; ++k) bytes.push_back(static_cast<std::uint8_t>(c >> (8 * k)));
    return bytes;
}

TEST(Palette, EntriesAndTheConvertedTable) {
    std::vector<std::uint8_t> grey;
    for (std::uint32_t i = 0; i < 256; ++i) grey.insert(grey.end(), {std::uint8_t(i), std::uint8_t(i), std::uint8_t(i), 0});
    Palette palette;
    palette.set(grey.data(), 256);
    EXPECT_EQ(palette.entryFormat(), 3u);
    EXPECT_EQ(palette.entryAs(255, 3), 0x00FFFFFFu);
    EXPECT_EQ(palette.entryAs(255, 4), 0xFFFFu);

    const std::uint8_t* table = palette.convertedTable(4);
    EXPECT_EQ(palette.convertedTable(4), table);
    EXPECT_EQ(imgtest::le(table + 2 * 200, 2), palette.entryAs(200, 4));
    const std::uint8_t* other = palette.convertedTable(2);
    EXPECT_NE(other, table);
    EXPECT_EQ(palette.cacheFormat(), 2u);
    for (std::uint32_t i = 0; i < 256; ++i) EXPECT_EQ(imgtest::le(other + 4 * i, 4), i * 0x010101u);
    EXPECT_THROW(palette.convertedTable(12), talvo::Exception);

    Palette empty, copied;
    copied.copy(palette);
    copied.copy(copied);
    EXPECT_EQ(copied.count(), 256u);
    EXPECT_EQ(copied.entryAs(7, 2), 0x070707u);
    copied.copy(empty);
    EXPECT_EQ(copied.count(), 0u);
    EXPECT_EQ(copied.entries(), nullptr);
}

// A 16-entry palette read with every index byte: nothing is read past the entries (ASan), the
// indices from the count on give 0.
TEST(Palette, ShortPaletteIndexedUpTo255) {
    SeededRng rng(102);
    std::vector<std::uint8_t> entries(16 * 4);
    for (auto& b : entries) b = static_cast<std::uint8_t>(rng.next32() | 1);
    Palette palette;
    palette.set(entries.data(), 16);
    const PelFmt format(9, &palette);
    for (PelFmtId target = 1; target <= 8; ++target) {
        const std::uint8_t* table = palette.convertedTable(target);
        for (std::uint32_t i = 0; i < 256; ++i) {
            const std::uint32_t expected = i < 16 ? PelFmt(3).toFormat(imgtest::le(&entries[4 * i], 4), target) : 0;
            EXPECT_EQ(imgtest::le(table + i * pelFmtBytes[target], pelFmtBytes[target]), expected) << target << " " << i;
            EXPECT_EQ(format.toFormat(i, target), expected) << target << " " << i;
        }
    }
}

TEST(Palette, NearestAgainstBruteForce) {
    const auto white = bgra({0xFFFFFFFF, 0xFF000000});
    Palette two;
    two.set(white.data(), 2);
    EXPECT_EQ(two.nearest(Rgba8888::fromValue(0x0A0A0A)), 1u);
    EXPECT_EQ(two.nearest(Rgba8888::fromValue(0x646464)), 1u);  // far from both, nearer black
    const auto blue = bgra({0x000000FF});
    Palette one;
    one.set(blue.data(), 1);
    EXPECT_EQ(one.nearest(Rgba8888::fromValue(0)), 0u);
    EXPECT_EQ(Palette().nearest(Rgba8888::fromValue(0)), 0u);

    // Few channel levels make many ties, which go to the lower index.
    const std::uint8_t levels[] = {0, 64, 128, 255};
    SeededRng rng(1021);
    Mismatches bad;
    for (int round = 0; round < 2000; ++round) {
        const std::uint32_t count = rng.below(12);
        std::vector<std::uint8_t> entries(count * 4);
        for (auto& b : entries) b = levels[rng.below(4)];
        Palette palette;
        palette.set(entries.data(), count);
        std::uint8_t c[4];
        for (auto& b : c) b = rng.below(2) != 0 ? levels[rng.below(4)] : rng.edgeByte();
        std::uint32_t expected = 0;
        std::int64_t best = std::numeric_limits<std::int64_t>::max();
        for (std::uint32_t i = 0; i < count; ++i) {
            std::int64_t d = 0;
            for (int k = 0; k < 3; ++k) d += (entries[4 * i + k] - c[k]) * (entries[4 * i + k] - c[k]);
            if (d < best) best = d, expected = i;
        }
        const std::uint32_t got = palette.nearest(Rgba8888::fromValue(imgtest::le(c, 4)));
        if (got != expected) bad.add("round ", round, ": got ", got, ", expected ", expected);
    }
    EXPECT_TRUE(bad.none());
}

// An assigned format owns a copy that outlives its source, also when the source borrows the very
// palette the assigned record owns; ASan reports any leak or use after free.
TEST(Palette, FormatAssignmentCopiesThePalette) {
    const auto colours = bgra({0xFF102030, 0xFF405060});
    PelFmt owner;
    {
        auto* borrowed = new Palette;
        borrowed->set(colours.data(), 2);
        const PelFmt source(9, borrowed);
        owner = source;
        delete borrowed;
    }
    ASSERT_TRUE(owner.ownsPalette());
    EXPECT_EQ(owner.toFormat(1, 3), 0xFF405060u);
    const PelFmt overOwn(9, owner.palette());
    owner = overOwn;
    EXPECT_EQ(owner.toFormat(0, 3), 0xFF102030u);
    const PelFmt copy(owner);
    owner = PelFmt(4);
    EXPECT_EQ(owner.palette(), nullptr);
    EXPECT_EQ(copy.toFormat(1, 2), 0x405060u);
    EXPECT_EQ(copy.fromRgb(Rgba8888::fromValue(0x405061)), 1u);
}

}  // namespace
