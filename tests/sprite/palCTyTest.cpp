// Palettes and pixel-format records: golden vectors, converted tables, conversion round trips.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "sprite/ctyMemBuffer.h"
#include "sprite/imgPelFmt.h"
#include "sprite/palCTy.h"
#include "spriteTestSupport.h"

namespace {

std::uint16_t word16(const std::uint8_t* at) { return static_cast<std::uint16_t>(at[0] | at[1] << 8); }

TEST(PalCTy, SetBuildTableAndItsCache)
{
    resetErrors();
    palCTy palette;
    const std::uint8_t colour[4] = {10, 20, 30, 0};
    palette.Set(colour, 1);
    EXPECT_EQ(std::memcmp(palette.entries, "\x0a\x14\x1e\xff", 4), 0);
    palette.BuildTbl(4);
    EXPECT_EQ(word16(palette.table), 0x18A1);
    const std::uint8_t* kept = palette.table;
    palette.BuildTbl(4);
    EXPECT_EQ(palette.table, kept) << "the same kind keeps the table";
    palette.BuildTbl(1);
    EXPECT_EQ(std::memcmp(palette.table, "\x0a\x14\x1e", 3), 0);
    for (int kind : {5, 6}) {
        palette.BuildTbl(kind);
        EXPECT_EQ(word16(palette.table), 0x8000 | (30 >> 3) << 10 | (20 >> 3) << 5 | (10 >> 3))
            << "kinds 5 and 6 share one table of opaque colours";
    }
    palette.BuildTbl(2);
    EXPECT_EQ(std::memcmp(palette.table, "\x0a\x14\x1e\xff", 4), 0);
    // A 1-entry palette still gives 256 entries: any index reads inside, past the count zero.
    for (int i = 4; i < 256 * 4; ++i) ASSERT_EQ(palette.table[i], 0) << i;
    EXPECT_EQ(ctyError.code, 0);

    palette.BuildTbl(9);
    EXPECT_EQ(ctyError.code, -97);
    EXPECT_EQ(lastMessage(), "palCTy::BuildTbl: not impelmetned yet");
    resetErrors();
    palette.BuildTbl(9);
    EXPECT_EQ(ctyError.code, 0) << "the kind was recorded, so the second request is quiet";
}

TEST(PalCTy, NearestIndexStreamFormAndRefusedCounts)
{
    palCTy palette;
    const std::uint8_t two[8] = {10, 20, 30, 255, 0, 0, 0, 255};
    palette.Set(two, 2);
    const std::uint8_t nearFirst[3] = {10, 20, 31};
    EXPECT_EQ(palette.NearestIndex(nearFirst), 0);
    const std::uint8_t black[4] = {0, 0, 0, 0};
    palette.Set(black, 1);
    const std::uint8_t grey[3] = {200, 200, 200};
    EXPECT_EQ(palette.NearestIndex(grey), 0);
    const std::uint8_t equal[8] = {5, 5, 5, 0, 5, 5, 5, 0};
    palette.Set(equal, 2);
    const std::uint8_t six[3] = {6, 5, 5};
    EXPECT_EQ(palette.NearestIndex(six), 0) << "first of equally near entries";
    // Far from every entry: the nearer entry wins even at 10000 or more.
    const std::uint8_t farApart[8] = {0, 0, 0, 0, 250, 250, 250, 0};
    palette.Set(farApart, 2);
    EXPECT_EQ(palette.NearestIndex(grey), 1);

    palette.Set(two, 2);
    ctyMemBuffer buffer;
    palette.Write(buffer);
    EXPECT_EQ(buffer.length, 10);
    EXPECT_EQ(std::memcmp(buffer.data, "\x02\0\0\0\x1e\x14\x0a\0\0\0", 10), 0);
    palCTy read;
    read.Set(black, 1);  // replaced entries are freed (LeakSanitizer watches)
    buffer.position = 0;
    read.Read(buffer);
    ASSERT_EQ(read.count, 2u);
    EXPECT_EQ(std::memcmp(read.entries, two, 8), 0);

    resetErrors();
    ctyMemBuffer shortStream;
    shortStream.Write32(1000000);
    shortStream.position = 0;
    read.Read(shortStream);
    EXPECT_EQ(read.count, 0u);
    EXPECT_TRUE(shortStream.failed);
    EXPECT_EQ(ctyError.code, -97);
    resetErrors();
}

TEST(ImgPelFmt, PackAndUnpackOneColourInEachFormat)
{
    const std::uint32_t orange = 0x00FF8040;  // R 255, G 128, B 64
    struct Row {
        int kind;
        std::uint32_t packed;
        std::uint32_t unpacked;
    } rows[] = {
        {1, 0x00FF8040, 0xFFFF8040},
        {2, 0x00FF8040, 0x00FF8040},
        {3, 0x00FF8040, 0x00FF8040},
        {4, 31u << 11 | 32u << 5 | 8u, 0xFFF88040},
        {5, 31u << 10 | 16u << 5 | 8u, 0xFFF88040},
        {6, 0x8000 | 31u << 10 | 16u << 5 | 8u, 0xFFF88040},
    };
    for (const Row& row : rows) {
        const imgPelFmt fmt(row.kind, nullptr);
        EXPECT_EQ(fmt.PackColor(orange, 2), row.packed) << row.kind;
        EXPECT_EQ(fmt.UnpackColor(row.packed, 2), row.unpacked) << row.kind;
        EXPECT_EQ(fmt.PackColor(orange, 3), orange) << "only kind 2 colours are converted";
    }
    EXPECT_EQ(imgPelFmt(1, nullptr).PackColor(0x7F123456, 2), 0x00123456u);
    EXPECT_EQ(imgPelFmt(3, nullptr).PackColor(0x7F123456, 2), 0x7F123456u);
    EXPECT_EQ(imgPelFmt(9, nullptr).PackColor(0x7F123456, 2), 0x7F123456u);

    palCTy palette;
    const std::uint8_t entries[8] = {10, 20, 30, 0, 200, 100, 50, 0};
    palette.Set(entries, 2);
    const imgPelFmt indexed(9, &palette);
    EXPECT_EQ(indexed.PackColor(0x003264C8, 2), 1u);
    EXPECT_EQ(indexed.UnpackColor(1, 2), 0xFF3264C8u);
    EXPECT_EQ(indexed.UnpackColor(1, 1), 0x003264C8u);
    EXPECT_EQ(indexed.UnpackColor(0, 4), 0x18A1u);
    EXPECT_EQ(indexed.UnpackColor(200, 2), 0xFF000000u) << "an index past the count is black";
    EXPECT_EQ(indexed.UnpackColor(200, 5), 0u);
}

TEST(ImgPelFmt, SixteenBitValuesSurviveUnpackThenPack)
{
    for (std::uint32_t v = 0; v < 0x10000; ++v) {
        const imgPelFmt k4(4, nullptr), k5(5, nullptr);
        ASSERT_EQ(k4.PackColor(k4.UnpackColor(v, 2), 2), v);
        ASSERT_EQ(k5.PackColor(k5.UnpackColor(v, 2), 2), v & 0x7FFF);
    }
    SeededRng random(20);
    for (int i = 0; i < 4096; ++i) {
        const auto v = static_cast<std::uint32_t>(random.next());
        ASSERT_EQ(imgPelFmt(1, nullptr).PackColor(imgPelFmt(1, nullptr).UnpackColor(v, 2), 2), v & 0xFFFFFF);
        ASSERT_EQ(imgPelFmt(2, nullptr).PackColor(imgPelFmt(2, nullptr).UnpackColor(v, 2), 2), v);
    }
}

TEST(ImgPelFmt, OwnershipOfPalettes)
{
    resetErrors();
    palCTy callers;
    const std::uint8_t entry[4] = {1, 2, 3, 4};
    callers.Set(entry, 1);
    {
        imgPelFmt borrowed(9, &callers);
        EXPECT_EQ(borrowed.ownsPalette, 0u);
    }
    EXPECT_EQ(callers.count, 1u) << "a caller's palette outlives the record";
    auto* source = new imgPelFmt(9, &callers);
    imgPelFmt copy(*source);
    delete source;
    ASSERT_NE(copy.palette, &callers);
    EXPECT_EQ(copy.ownsPalette, 1u);
    EXPECT_EQ(copy.palette->entries[2], 3);
    imgPelFmt& same = copy;
    copy = same;
    EXPECT_EQ(copy.palette->entries[2], 3);
    imgPelFmt assigned(1, nullptr);
    assigned = copy;
    assigned = imgPelFmt(4, nullptr);
    EXPECT_EQ(assigned.palette, nullptr);
    assigned.SetPalette(callers);
    assigned.SetPalette(callers);
    EXPECT_EQ(assigned.ownsPalette, 1u);
    // A source naming the palette the record owns: copied before the old one is released.
    const imgPelFmt namesOwn(9, assigned.palette);
    assigned = namesOwn;
    EXPECT_EQ(assigned.kind, 9);
    ASSERT_NE(assigned.palette, nullptr);
    EXPECT_EQ(assigned.ownsPalette, 1u);
    EXPECT_EQ(assigned.palette->count, 1u);
    EXPECT_EQ(assigned.palette->entries[2], 3);

    imgPelFmt none(9, nullptr);
    none.BuildTbl(1);
    EXPECT_EQ(ctyError.code, -97);
    EXPECT_EQ(ctyError.level, 4);
    resetErrors();
}

}  // namespace
