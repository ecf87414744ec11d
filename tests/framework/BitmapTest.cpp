// The BMP loader: every picture kind the game and the format offer, and malformed files; a
// damaged file draws what it holds and says what is wrong.
#include "BmpBuilder.h"
#include "HeadlessScreen.h"
#include "framework/AlphaMask.h"
#include "framework/DataFile.h"
#include "platform/pixels.h"
#include "tests/support/alloc_cap.h"
#include "tests/support/seeded_rng.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace {
uint32_t pixelAt(const Surface& s, int x, int y)
{
    const uint32_t bytes = s.display->pixelFormat->depth / 8;
    return plat::readPixel(s.pixels + y * s.pitch + x * static_cast<int>(bytes), bytes);
}

uint16_t rgb565(int r, int g, int b) { return static_cast<uint16_t>((r >> 3) << 11 | (g >> 2) << 5 | (b >> 3)); }

void patch32(std::vector<uint8_t>& f, std::size_t at, uint32_t v)
{
    for (std::size_t i = 0; i < 4; ++i)
        f[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

BmpBuilder picture(int width, int height, uint16_t bitCount, std::vector<uint8_t> pixels, uint32_t compression = 0)
{
    BmpBuilder b;
    b.width = width;
    b.height = height;
    b.bitCount = bitCount;
    b.pixels = std::move(pixels);
    b.compression = compression;
    return b;
}

// An 8-bit picture whose colour table entry i is (i * 32, 255 - i * 32, i * 16) for the first 8.
BmpBuilder eightBit(int width, int height, std::vector<uint8_t> pixels, uint32_t compression = 0)
{
    BmpBuilder b = picture(width, height, 8, std::move(pixels), compression);
    for (int i = 0; i < 8; ++i)
        b.addColour(static_cast<uint8_t>(i * 32), static_cast<uint8_t>(255 - i * 32), static_cast<uint8_t>(i * 16));
    return b;
}
uint32_t entry(int i) { return rgb565(i * 32, 255 - i * 32, i * 16); }
} // namespace

class BitmapLoad : public OpenScreen {
protected:
    int load(const std::vector<uint8_t>& file)
    {
        return image.loadBitmapFromMemory(display.get(), SurfaceKind::System, file.data(), file.size(), true);
    }
    // Loads and compares every pixel, rows top first, and the damage the loader names ("" for
    // a whole file).
    void expectPicture(const BmpBuilder& b, const std::vector<std::vector<uint32_t>>& rows,
                       const std::string& damage = "")
    {
        ASSERT_EQ(load(b.build()), 0);
        EXPECT_EQ(lastDataFileDamage(), damage);
        ASSERT_EQ(image.height, static_cast<int>(rows.size()));
        for (std::size_t y = 0; y < rows.size(); ++y) {
            ASSERT_EQ(image.width, static_cast<int>(rows[y].size()));
            for (std::size_t x = 0; x < rows[y].size(); ++x)
                EXPECT_EQ(pixelAt(image, int(x), int(y)), rows[y][x]) << x << "," << y;
        }
    }

    Surface image;
};

TEST_F(BitmapLoad, EightBitRowsArePaddedBottomUpOrTopDown)
{
    expectPicture(eightBit(3, 2, {1, 2, 3, 0xEE, /* top row: */ 4, 5, 6, 0xEE}),
                  {{entry(4), entry(5), entry(6)}, {entry(1), entry(2), entry(3)}});
    // A negative height means top-down rows; the last row is cut short and stays unwritten.
    expectPicture(eightBit(2, -3, {1, 2, 0, 0, 3, 4, 0, 0, 5}),
                  {{entry(1), entry(2)}, {entry(3), entry(4)}, {entry(5), 0}}, "the pixel data ends in row 3 of 3");
    // Pixels after a gap behind the colour table.
    BmpBuilder gapped = eightBit(3, 2, {1, 2, 3, 0xEE, 4, 5, 6, 0xEE});
    gapped.gap = 10;
    expectPicture(gapped, {{entry(4), entry(5), entry(6)}, {entry(1), entry(2), entry(3)}});
    // Only the last row's padding missing: every pixel is there.
    expectPicture(eightBit(2, -2, {1, 2, 0, 0, 3, 4}), {{entry(1), entry(2)}, {entry(3), entry(4)}});
    // Cut inside the colour table: no pixel data at all.
    BmpBuilder noData = eightBit(2, 1, {1, 2});
    noData.colourTable.resize(10);
    noData.pixels.clear();
    expectPicture(noData, {{0, 0}}, "the pixel data ends in row 1 of 1");
}

TEST_F(BitmapLoad, Rle8RunsDeltasAndAbsoluteRuns)
{
    const uint32_t o = entry(0); // the pre-fill
    expectPicture(eightBit(8, 4,
                           {
                               3, 2,             // three of entry 2 on the bottom row
                               0, 3, 5, 6, 7, 0, // absolute run of 3 takes 6 bytes with its padding
                               0, 0,             // end of line
                               0, 4, 1, 2, 3, 4, // absolute run of 4 takes 6 bytes
                               0, 2, 2, 1,       // delta: 2 right, 1 up
                               1, 7,             // one of entry 7 at (6, row 2)
                               0, 1,             // end of bitmap
                               9, 9,             // never read
                           },
                           1),
                  {{o, o, o, o, o, o, o, o},
                   {o, o, o, o, o, o, entry(7), o},
                   {entry(1), entry(2), entry(3), entry(4), o, o, o, o},
                   {entry(2), entry(2), entry(2), entry(5), entry(6), entry(7), o, o}});
    expectPicture(eightBit(2, 2, {0, 1}, 1), {{o, o}, {o, o}});
    // Every row ended, no end of picture: whole. An end of line and the end below the last row too.
    expectPicture(eightBit(2, 1, {2, 3, 0, 0}, 1), {{entry(3), entry(3)}});
    expectPicture(eightBit(2, 1, {2, 3, 0, 0, 0, 0, 0, 1}, 1), {{entry(3), entry(3)}});
    // Runs past the row, deltas past the picture, an absolute run past the data: cut off.
    ASSERT_EQ(load(eightBit(4, 2, {200, 3, 0, 2, 255, 255, 10, 4, 0, 40, 1, 1}, 1).build()), 0);
    EXPECT_EQ(pixelAt(image, 3, 1), entry(3));
    const std::string overrun = "the run-length data runs past the picture";
    EXPECT_EQ(lastDataFileDamage(), overrun);
    expectPicture(eightBit(3, 1, {2, 3, 0, 3, 4, 5, 6, 0}, 1), {{entry(3), entry(3), entry(4)}}, overrun);
    expectPicture(eightBit(2, 2, {0, 2, 1, 3, 0, 1}, 1), {{o, o}, {o, o}}, overrun); // a delta below the picture
    expectPicture(eightBit(2, 2, {0, 2, 1, 2, 1, 5}, 1), {{o, o}, {o, o}}, overrun); // a run below the last row
    expectPicture(eightBit(2, 1, {1, 3, 0, 0, 2, 4}, 1), {{entry(3), o}}, overrun);
    // The data ends before the picture: in a run, after a row, inside a delta.
    expectPicture(eightBit(6, 2, {2, 3, 0, 4, 5, 6}, 1),
                  {{o, o, o, o, o, o}, {entry(3), entry(3), entry(5), entry(6), o, o}},
                  "the run-length data ends in row 1 of 2");
    expectPicture(eightBit(2, 2, {2, 3, 0, 0}, 1), {{o, o}, {entry(3), entry(3)}},
                  "the run-length data ends in row 2 of 2");
    expectPicture(eightBit(2, 2, {0, 2, 1}, 1), {{o, o}, {o, o}}, "the run-length data ends in row 1 of 2");
}

TEST_F(BitmapLoad, SixteenTwentyFourAndThirtyTwoBit)
{
    std::vector<uint8_t> fiveFiveFive;
    BmpBuilder::put16(fiveFiveFive, 0x7C00); // pure red at 5-5-5
    BmpBuilder::put16(fiveFiveFive, 0x0015);
    expectPicture(picture(2, 1, 16, fiveFiveFive), {{0xF800u, 0x15u}});

    expectPicture(picture(2, 2, 24, {0, 0, 255, 0, 255, 0, 0, 0, /* top: */ 255, 0, 0, 8, 16, 24, 0, 0}),
                  {{rgb565(0, 0, 255), rgb565(24, 16, 8)}, {rgb565(255, 0, 0), rgb565(0, 255, 0)}});
    expectPicture(picture(1, -2, 32, {10, 20, 200, 99, 255, 255, 255, 0}), {{rgb565(200, 20, 10)}, {0xFFFFu}});

    // 5-6-5 with its own masks comes back bit for bit on the 5-6-5 display.
    BmpBuilder f = picture(64, 1, 16, {}, 3);
    f.setMasks(0xF800, 0x07E0, 0x001F);
    std::vector<uint32_t> row;
    for (uint32_t i = 0; i < 64; ++i) {
        row.push_back((i % 32) << 11 | i << 5 | (31 - i % 32));
        BmpBuilder::put16(f.pixels, row.back());
    }
    expectPicture(f, {row});
    // 5-5-5 with its own masks; 32 bits with red in the low byte, after a gap.
    BmpBuilder f555 = picture(2, 1, 16, fiveFiveFive, 3);
    f555.setMasks(0x7C00, 0x03E0, 0x001F);
    expectPicture(f555, {{0xF800u, 0x15u}});
    BmpBuilder rgbx = picture(1, 1, 32, {10, 20, 200, 0}, 3);
    rgbx.setMasks(0x000000FF, 0x0000FF00, 0x00FF0000);
    rgbx.gap = 6;
    expectPicture(rgbx, {{rgb565(10, 20, 200)}});
    // Ten bits a channel, the masks inside a 108-byte header.
    BmpBuilder v4 = picture(1, 1, 32, {}, 3);
    v4.headerSize = 108;
    BmpBuilder::put32(v4.pixels, 1023u << 20 | 512u << 10 | 3u);
    std::vector<uint8_t> tenBits = v4.build();
    for (const auto& [at, mask] : {std::pair{54, 0x3FF00000u}, {58, 0x000FFC00u}, {62, 0x000003FFu}})
        patch32(tenBits, static_cast<std::size_t>(at), mask);
    ASSERT_EQ(load(tenBits), 0);
    EXPECT_EQ(lastDataFileDamage(), "");
    EXPECT_EQ(pixelAt(image, 0, 0), rgb565(255, 128, 0));

    // Cut inside the second row's last pixel, and before any pixel data.
    expectPicture(picture(2, 2, 24, {0, 0, 255, 0, 255, 0, 0, 0, 255, 0, 0, 8, 16}),
                  {{rgb565(0, 0, 255), 0}, {rgb565(255, 0, 0), rgb565(0, 255, 0)}}, "the pixel data ends in row 2 of 2");
    expectPicture(picture(1, 1, 32, {}), {{0}}, "the pixel data ends in row 1 of 1");
}

TEST_F(BitmapLoad, HeaderSizesThatDisagreeWithTheRowsAreNamedAndWhatWasReadIsDrawn)
{
    // 5 x 2 at 24 bits: rows of 16 bytes. Its width changed to 3 leaves rows of 12: the image
    // size and the file's length still count 32, and the rows are read sheared.
    std::vector<uint8_t> pixels(32);
    for (std::size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = static_cast<uint8_t>(8 * i);
    std::vector<uint8_t> file = picture(5, 2, 24, pixels).build();
    patch32(file, 18, 3);
    ASSERT_EQ(load(file), 0);
    EXPECT_EQ(lastDataFileDamage(), "the header gives 32 bytes of pixels, its rows need 24");
    EXPECT_EQ(std::pair(image.width, image.height), std::pair(3, 2));
    EXPECT_EQ(pixelAt(image, 0, 0), rgb565(pixels[14], pixels[13], pixels[12])) << "the second row from byte 12";
    // Without an image size only the file's length disagrees; with its own, none does.
    patch32(file, 34, 0);
    ASSERT_EQ(load(file), 0);
    EXPECT_EQ(lastDataFileDamage(), "the file is 86 bytes, its header and rows need 78");
    file.resize(78);
    ASSERT_EQ(load(file), 0);
    EXPECT_EQ(lastDataFileDamage(), "");
    patch32(file, 34, 24);
    file.push_back(0);
    ASSERT_EQ(load(file), 0);
    EXPECT_EQ(lastDataFileDamage(), "the file is 79 bytes, its header and rows need 78");
    // An 8-bit picture whose height grew: the rows the file holds come first.
    std::vector<uint8_t> tall = eightBit(4, 2, std::vector<uint8_t>(8, 1)).build();
    patch32(tall, 22, 3);
    ASSERT_EQ(load(tall), 0);
    EXPECT_EQ(lastDataFileDamage(), "the pixel data ends in row 3 of 3");

    // The newest header with its colour profile after the pixels: a whole file.
    BmpBuilder v5 = picture(1, 1, 32, {1, 2, 3, 4});
    v5.headerSize = 124;
    std::vector<uint8_t> withProfile = v5.build();
    patch32(withProfile, 14 + 56, 0x4D424544); // 'MBED'
    patch32(withProfile, 14 + 112, 124 + 4);   // from the header's start
    patch32(withProfile, 14 + 116, 16);
    withProfile.resize(withProfile.size() + 16, 0xAB);
    ASSERT_EQ(load(withProfile), 0);
    EXPECT_EQ(lastDataFileDamage(), "");

    // Run-length data: its image size is what the file must hold, however the runs fill the rows.
    std::vector<uint8_t> runs = eightBit(2, 1, {2, 3, 0, 1}, 1).build();
    const std::size_t runsAt = runs.size() - 4;
    patch32(runs, 34, 0);
    ASSERT_EQ(load(runs), 0);
    EXPECT_EQ(lastDataFileDamage(), "");
    patch32(runs, 34, 6);
    ASSERT_EQ(load(runs), 0);
    EXPECT_EQ(lastDataFileDamage(),
              "the file is " + std::to_string(runs.size()) + " bytes, its header and run-length data need " +
                  std::to_string(runsAt + 6));
    EXPECT_EQ(pixelAt(image, 1, 0), entry(3));
}

TEST_F(BitmapLoad, MasksNoPictureHasPixelsInsideWhatPrecedesThemAndSizesNoFileHoldsAreDamageNotDrawn)
{
    const auto expectRefused = [&](const std::vector<uint8_t>& file, const std::string& damage) {
        ASSERT_EQ(load(eightBit(2, 2, std::vector<uint8_t>(8, 1)).build()), 0);
        const plat::SurfaceHandle before = image.surface;
        EXPECT_EQ(load(file), FrameworkResult::NotBmp);
        EXPECT_EQ(lastDataFileDamage(), damage);
        EXPECT_EQ(image.surface, before) << "the picture loaded before stays";
    };
    // Bit fields after a 40-byte header with the pixels at byte 54: the masks would be pixels.
    std::vector<uint8_t> noMasks;
    for (const uint16_t v : {0xF800, 0x07E0, 0x001F, 0xFFFF, 0x0000, 0x7BEF})
        BmpBuilder::put16(noMasks, v);
    expectRefused(picture(2, 3, 16, noMasks, 3).build(), "its colour masks overlap its pixels");
    expectRefused(picture(1, 3, 32, noMasks, 3).build(), "its colour masks overlap its pixels");

    // Masks that cannot be a picture's at either depth: none, one missing, a gap, red over green,
    // red equal to green, green over blue, red equal to blue, past the pixel's bits.
    for (const uint16_t bits : {uint16_t{16}, uint16_t{32}}) {
        const auto masked = [&](uint32_t r, uint32_t g, uint32_t b) {
            BmpBuilder f = picture(2, 1, bits, std::vector<uint8_t>(bits / 4u, 0x5A), 3);
            f.setMasks(r, g, b);
            return f.build();
        };
        expectRefused(masked(0, 0, 0), "its red mask is 0");
        expectRefused(masked(0x7C00, 0x03E0, 0), "its blue mask is 0");
        expectRefused(masked(0x6C00, 0x03E0, 0x001F), "its red mask 0x00006C00 has a gap");
        expectRefused(masked(0xFC00, 0x07E0, 0x001F), "its red and green masks overlap");
        expectRefused(masked(0x07E0, 0x07E0, 0x001F), "its red and green masks overlap");
        expectRefused(masked(0x7C00, 0x03E0, 0x003F), "its green and blue masks overlap");
        expectRefused(masked(0x7C00, 0x03E0, 0x7C00), "its red and blue masks overlap");
        if (bits == 16)
            expectRefused(masked(0x1F0000, 0x07E0, 0x001F), "its red mask 0x001F0000 reaches past its 16-bit pixels");
    }
    // Pixels that start inside the header, or inside the colour table an 8-bit picture counts:
    // header bytes drawn as pixels, pixels read as colours.
    const auto startingAt = [](std::vector<uint8_t> f, uint32_t offset) {
        patch32(f, 10, offset);
        return f;
    };
    const std::string inHeader = "its header overlaps its pixels";
    for (const uint16_t bits : {uint16_t{16}, uint16_t{24}, uint16_t{32}}) {
        const std::vector<uint8_t> plain = picture(8, 8, bits, std::vector<uint8_t>(8u * bits, 0x33)).build();
        expectRefused(startingAt(plain, 14), inHeader);
        expectRefused(startingAt(plain, 53), inHeader);
    }
    BmpBuilder v4 = picture(2, 1, 32, std::vector<uint8_t>(8, 0x5A), 3);
    v4.headerSize = 108;
    std::vector<uint8_t> v4File = v4.build();
    for (const auto& [at, mask] : {std::pair{54, 0xFF0000u}, {58, 0xFF00u}, {62, 0xFFu}})
        patch32(v4File, static_cast<std::size_t>(at), mask);
    expectRefused(startingAt(v4File, 100), inHeader);
    const std::string inTable = "its colour table overlaps its pixels";
    for (const uint32_t compression : {0u, 1u}) {
        const std::vector<uint8_t> counted = eightBit(4, 1, {1, 2, 3, 4}, compression).build(); // table to 86
        expectRefused(startingAt(counted, 82), inTable);
        // Without a count the table ends where the pixels start, as other readers take it.
        std::vector<uint8_t> uncounted = counted;
        patch32(uncounted, 46, 0);
        EXPECT_EQ(load(uncounted), 0);
        // A full table of 256 entries counted as more: no 8-bit pixel could use the rest.
        BmpBuilder full = eightBit(4, 1, {1, 2, 3, 4}, compression);
        full.colourTable.resize(4 * 256);
        std::vector<uint8_t> overCounted = full.build();
        patch32(overCounted, 46, 257);
        expectRefused(overCounted, "its header declares 257 colours, more than its 8-bit pixels can use");
    }

    // One byte of a 4 x 2 24-bit picture's width or height set: sizes beyond any surface in a
    // file that cannot hold their rows, so the header is at fault, not the machine.
    const std::vector<uint8_t> whole = picture(4, 2, 24, std::vector<uint8_t>(24, 7)).build();
    for (const auto& [at, declared] : {std::pair{19, "65284x2"}, {21, "-16777212x2"}, {23, "4x65282"},
                                       {25, "4x-16777214"}}) {
        std::vector<uint8_t> file = whole;
        file[static_cast<std::size_t>(at)] = 0xFF;
        expectRefused(file, std::string("its header declares ") + declared + " pixels, more than its 78 bytes hold");
    }
    // Every pixel there (the last padding may be left out): only the machine refuses its size.
    ASSERT_EQ(load(picture(16385, 1, 24, std::vector<uint8_t>(3 * 16385)).build()),
              FrameworkResult::SurfaceCreation);
    EXPECT_EQ(lastDataFileDamage(), "");
}

TEST_F(BitmapLoad, KindsNotDrawnLoadEmptyAtTheirSize)
{
    expectPicture(picture(3, 2, 4, std::vector<uint8_t>(8, 0x11)), {{0, 0, 0}, {0, 0, 0}},
                  "4 bits per pixel with compression 0, which the game cannot draw");
    for (const auto& [bits, compression] : {std::pair{24, 5u}, {24, 3u}, {16, 1u}, {8, 2u}, {8, 3u}})
        expectPicture(picture(1, 1, static_cast<uint16_t>(bits), std::vector<uint8_t>(4, 0xFF), compression), {{0}},
                      std::to_string(bits) + " bits per pixel with compression " + std::to_string(compression) +
                          ", which the game cannot draw");
}

TEST_F(BitmapLoad, MissingFileAndWrongSignatureLeaveThePicture)
{
    std::vector<uint8_t> file = eightBit(2, 2, std::vector<uint8_t>(8, 3)).build();
    ASSERT_EQ(load(file), 0);
    const plat::SurfaceHandle before = image.surface;
    EXPECT_EQ(image.loadBitmap(display.get(), SurfaceKind::System, "/nonexistent/picture.bmp", true),
              FrameworkResult::FileOpen); // 12
    file[1] = 'X';
    EXPECT_EQ(load(file), FrameworkResult::NotBmp); // 24
    EXPECT_EQ(image.surface, before);
}

TEST_F(BitmapLoad, MalformedFilesFailCleanly)
{
    const std::vector<uint8_t> base = eightBit(4, 4, std::vector<uint8_t>(16, 2)).build();
    std::vector<std::vector<uint8_t>> files;
    files.push_back({'B', 'M'});
    files.push_back(std::vector<uint8_t>(base.begin(), base.begin() + 53)); // under 54 bytes
    files.push_back(std::vector<uint8_t>(base.begin(), base.begin() + 60)); // no colour table
    const struct {
        std::size_t at;
        uint32_t value;
    } patches[] = {
        {10, 0xFFFFFFF0}, // data offset past the end
        {14, 0xFFFFFFFF}, // header size past the end
        {14, 12},         // a core header
        {18, 0x7FFFFFFF}, // absurd width
        {22, 0x80000000}, // the one height without a magnitude
        {22, 0xFFFF0000}, // tall top-down
        {46, 0xFFFFFFFF}, // colours used
        {30, 1},          // the plain data read as RLE8
        {18, 0},          // zero width
    };
    for (const auto& p : patches) {
        files.push_back(base);
        patch32(files.back(), p.at, p.value);
    }
    for (std::size_t i = 0; i < files.size(); ++i) {
        const int r = load(files[i]);
        EXPECT_TRUE(r == 0 || r == FrameworkResult::NotBmp || r == FrameworkResult::SurfaceCreation) << "file " << i;
    }
    // A file cut inside its header says so; one that is no BMP file leaves the words to the caller.
    EXPECT_EQ(load(files[1]), FrameworkResult::NotBmp);
    EXPECT_EQ(lastDataFileDamage(), "the file ends inside its header");
    files[2][14] = 0xFF;
    EXPECT_EQ(load(files[2]), FrameworkResult::NotBmp);
    EXPECT_EQ(lastDataFileDamage(), "the file ends inside its header");
    EXPECT_EQ(load({'B', 'X'}), FrameworkResult::NotBmp);
    EXPECT_EQ(lastDataFileDamage(), "");
    // Random damage to a good file never crashes (the fuzz target goes further).
    SeededRng rng{11};
    for (int trial = 0; trial < 300; ++trial) {
        std::vector<uint8_t> f = base;
        for (int k = 0; k < 4; ++k)
            f[rng.below(static_cast<uint32_t>(f.size()))] = static_cast<uint8_t>(rng.next());
        (void)load(f);
    }
}

TEST_F(HeadlessScreen, BitmapsOnOtherDepths)
{
    BmpBuilder b = picture(2, 1, 8, {1, 0, 0, 0});
    b.addColour(255, 0, 0);
    b.addColour(0, 0, 255);
    const std::vector<uint8_t> file = b.build();
    const auto load = [&](Surface& s) {
        return s.loadBitmapFromMemory(display.get(), SurfaceKind::System, file.data(), file.size(), true);
    };
    open(plat::format::Xrgb8888);
    Surface s;
    ASSERT_EQ(load(s), 0);
    EXPECT_EQ(pixelAt(s, 0, 0), 0x0000FFu);
    EXPECT_EQ(pixelAt(s, 1, 0), 0xFF0000u);
    s.release();

    reopen(plat::format::Indexed8);
    ASSERT_EQ(load(s), 0);
    EXPECT_EQ(pixelAt(s, 0, 0), 1u); // no palette entries: indices as they are
    display->palette->entries.assign(256, PaletteEntry{});
    display->palette->entries[9] = {0, 0, 250, 0};
    display->palette->entries[4] = {250, 0, 0, 0};
    ASSERT_EQ(load(s), 0);
    EXPECT_EQ(pixelAt(s, 0, 0), 9u);
    EXPECT_EQ(pixelAt(s, 1, 0), 4u);
    s.release();
}

TEST_F(BitmapLoad, FrameFilesLoadBackBitForBit)
{
    // Every 5-6-5 value survives the 24-bit frame file and the loader's narrowing.
    Surface& back = *display->back;
    for (int y = 0; y < 600; ++y)
        for (int x = 0; x < 800; ++x)
            reinterpret_cast<uint16_t*>(back.pixels + y * back.pitch)[x] = static_cast<uint16_t>(y * 800 + x);
    ASSERT_EQ(display->flip(0), 0);
    const std::string path = ::testing::TempDir() + "velmoor_frame_roundtrip.bmp";
    ASSERT_TRUE(plat::headless::writeFrameBmp(path, *plat::headless::lastFrame()));
    ASSERT_EQ(image.loadBitmap(display.get(), SurfaceKind::System, path.c_str(), true), 0);
    std::remove(path.c_str());
    ASSERT_EQ(image.width, 800);
    ASSERT_EQ(image.height, 600);
    int wrong = 0;
    for (int y = 0; y < 600; ++y)
        for (int x = 0; x < 800; ++x)
            wrong += pixelAt(image, x, y) != static_cast<uint16_t>(y * 800 + x);
    EXPECT_EQ(wrong, 0);
}

TEST_F(BitmapLoad, PictureSizesBeyondTheBoundAreRefusedWithoutASize)
{
    // Each claim fails with no surface and no size left behind, even over a loaded picture;
    // a mask sized from such a picture gets no buffer whatever its width and height say. Runs
    // may fill any size from a few bytes, so only the bound refuses these.
    const struct {
        int32_t width, height;
        int result;
    } claims[] = {
        {100000, 100000, FrameworkResult::SurfaceCreation},
        {16385, 1, FrameworkResult::SurfaceCreation},
        {4097, 4096, FrameworkResult::SurfaceCreation}, // each side fits, the area does not
        {4096, 4096, FrameworkResult::Ok},
        {0, 5, FrameworkResult::SurfaceCreation},
    };
    for (const auto& c : claims) {
        ASSERT_EQ(load(eightBit(2, 2, std::vector<uint8_t>(8, 1)).build()), 0);
        BmpBuilder b = eightBit(c.width, c.height, {0, 1}, 1);
        EXPECT_EQ(load(b.build()), c.result) << c.width << " x " << c.height;
        const bool made = c.result == FrameworkResult::Ok;
        EXPECT_EQ(image.surface != nullptr, made);
        EXPECT_EQ(std::pair(image.width, image.height), made ? std::pair(c.width, c.height) : std::pair(0, 0));
    }
    Surface claimed;
    claimed.width = claimed.height = 100000;
    AlphaMask mask;
    mask.allocate(&claimed);
    EXPECT_TRUE(mask.alpha.empty());
    EXPECT_EQ(mask.fillFromSurface(Rect{0, 0, 10, 10}), FrameworkResult::AlphaMaskWithoutBuffer);
}

TEST_F(BitmapLoad, OnlyRegularFilesWithinTheBoundAreRead)
{
    // Refused at once, with the reason the game logs (devices and other loaders: end to end).
    const std::string dir = ::testing::TempDir() + "velmoor_data_files_" + std::to_string(::getpid());
    std::filesystem::create_directories(dir);
    ASSERT_EQ(::mkfifo((dir + "/pipe.bmp").c_str(), 0600), 0);
    std::ofstream{dir + "/big.bmp"}.close();
    std::filesystem::resize_file(dir + "/big.bmp", MaxDataFileBytes + 1); // sparse: no disk is spent
    for (const auto& [name, reason] :
         {std::pair{"/pipe.bmp", "not a regular file"}, {"/big.bmp", "larger than the game takes"},
          {"", "not a regular file"}, {"/none.bmp", "No such file or directory"}}) {
        const std::string path = dir + name;
        EXPECT_EQ(image.loadBitmap(display.get(), SurfaceKind::System, path.c_str(), true), FrameworkResult::FileOpen);
        EXPECT_EQ(lastDataFileStatus().reason(), reason) << name;
    }
    std::filesystem::remove_all(dir);
}

TEST_F(BitmapLoad, APictureWithoutMemoryIsRefusedAsSuch)
{
    // Over a loaded picture each time: no memory for the file's bytes (the picture then stays, as
    // for any file that cannot be read), for the surface's record, or for its pixels.
    const std::vector<uint8_t> file = eightBit(64, 64, std::vector<uint8_t>(64 * 64, 3)).build();
    const std::string path = ::testing::TempDir() + "velmoor_no_memory_" + std::to_string(::getpid()) + ".bmp";
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
    for (const char* what : {"the file", "the surface", "the pixels"}) {
        EXPECT_EQ(load(file), FrameworkResult::Ok) << "before " << what;
        const std::string_view lack = what;
        int result;
        if (lack == "the file") {
            const testsupport::AllocCap cap(file.size() / 2);
            result = image.loadBitmap(display.get(), SurfaceKind::System, path.c_str(), true);
        } else if (lack == "the surface") {
            const testsupport::AllocCap cap(0);
            result = load(file);
        } else {
            plat::headless::failNext(plat::headless::Operation::CreateSurface, plat::result::OutOfMemory);
            result = load(file);
        }
        EXPECT_EQ(result, FrameworkResult::NoMemory) << what;
        if (lack != "the file") {
            EXPECT_EQ(image.surface, nullptr) << what;
            EXPECT_EQ(std::pair(image.width, image.height), std::pair(0, 0)) << what;
        }
    }
    EXPECT_EQ(lastDataFileStatus().reason(), "out of memory");
    std::remove(path.c_str());
}
