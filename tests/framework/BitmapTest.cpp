// The BMP loader: every picture kind the game and the format offer, and malformed files.
#include "BmpBuilder.h"
#include "HeadlessScreen.h"
#include "platform/pixels.h"

#include <cstdio>
#include <fstream>
#include <random>

namespace {
uint32_t pixelAt(const Surface& s, int x, int y)
{
    const uint32_t bytes = s.display->pixelFormat->depth / 8;
    return plat::readPixel(s.pixels + y * s.pitch + x * static_cast<int>(bytes), bytes);
}

uint16_t rgb565(int r, int g, int b) { return static_cast<uint16_t>((r >> 3) << 11 | (g >> 2) << 5 | (b >> 3)); }
} // namespace

class BitmapLoad : public HeadlessScreen {
protected:
    void SetUp() override
    {
        HeadlessScreen::SetUp();
        open();
    }

    int load(const std::vector<uint8_t>& file)
    {
        return picture.loadBitmapFromMemory(display.get(), SurfaceKind::System, file.data(), file.size(), true);
    }

    // An 8-bit picture's colour table: entry i is (i, 255 - i, i / 2) for the first 8.
    static BmpBuilder eightBit(int width, int height)
    {
        BmpBuilder b;
        b.width = width;
        b.height = height;
        for (int i = 0; i < 8; ++i)
            b.addColour(static_cast<uint8_t>(i * 32), static_cast<uint8_t>(255 - i * 32), static_cast<uint8_t>(i * 16));
        return b;
    }
    static uint16_t entry(int i) { return rgb565(i * 32, 255 - i * 32, i * 16); }

    Surface picture;
};

TEST_F(BitmapLoad, EightBitRowsArePaddedAndBottomUp)
{
    BmpBuilder b = eightBit(3, 2);
    b.pixels = {1, 2, 3, 0xEE, /* top row: */ 4, 5, 6, 0xEE};
    ASSERT_EQ(load(b.build()), 0);
    ASSERT_EQ(picture.width, 3);
    ASSERT_EQ(picture.height, 2);
    EXPECT_EQ(pixelAt(picture, 0, 0), entry(4));
    EXPECT_EQ(pixelAt(picture, 2, 0), entry(6));
    EXPECT_EQ(pixelAt(picture, 0, 1), entry(1));
    EXPECT_EQ(pixelAt(picture, 2, 1), entry(3));
}

TEST_F(BitmapLoad, TopDownRowsAndShortPixelData)
{
    BmpBuilder b = eightBit(2, -3);
    b.pixels = {1, 2, 0, 0, 3, 4, 0, 0, 5}; // the last row is cut short
    ASSERT_EQ(load(b.build()), 0);
    ASSERT_EQ(picture.height, 3);
    EXPECT_EQ(pixelAt(picture, 0, 0), entry(1));
    EXPECT_EQ(pixelAt(picture, 1, 1), entry(4));
    EXPECT_EQ(pixelAt(picture, 0, 2), entry(5));
    EXPECT_EQ(pixelAt(picture, 1, 2), 0u); // never written
}

TEST_F(BitmapLoad, Rle8RunsDeltasAndAbsoluteRuns)
{
    BmpBuilder b = eightBit(8, 4);
    b.compression = 1;
    b.pixels = {
        3, 2,             // three of entry 2 on the bottom row
        0, 3, 5, 6, 7, 0, // absolute run of 3 takes 6 bytes with its padding
        0, 0,             // end of line
        0, 4, 1, 2, 3, 4, // absolute run of 4 takes 6 bytes
        0, 2, 2, 1,       // delta: 2 right, 1 up
        1, 7,             // one of entry 7 at (6, row 2)
        0, 1,             // end of bitmap
        9, 9,             // never read
    };
    ASSERT_EQ(load(b.build()), 0);
    const int bottom = 3;
    EXPECT_EQ(pixelAt(picture, 0, bottom), entry(2));
    EXPECT_EQ(pixelAt(picture, 2, bottom), entry(2));
    EXPECT_EQ(pixelAt(picture, 3, bottom), entry(5));
    EXPECT_EQ(pixelAt(picture, 5, bottom), entry(7));
    EXPECT_EQ(pixelAt(picture, 6, bottom), entry(0)); // the pre-fill
    EXPECT_EQ(pixelAt(picture, 0, 2), entry(1));
    EXPECT_EQ(pixelAt(picture, 3, 2), entry(4));
    EXPECT_EQ(pixelAt(picture, 6, 1), entry(7));
    EXPECT_EQ(pixelAt(picture, 0, 0), entry(0));
}

TEST_F(BitmapLoad, Rle8EndingAtOnceShowsOnlyThePreFill)
{
    BmpBuilder b = eightBit(4, 2);
    b.compression = 1;
    b.pixels = {0, 1};
    ASSERT_EQ(load(b.build()), 0);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(pixelAt(picture, x, y), entry(0));
}

TEST_F(BitmapLoad, Rle8RunsOutsideThePictureAreCutOff)
{
    BmpBuilder b = eightBit(4, 2);
    b.compression = 1;
    b.pixels = {200, 3, 0, 2, 255, 255, 10, 4, 0, 40, 1, 1}; // the absolute run runs off the data
    ASSERT_EQ(load(b.build()), 0);
    EXPECT_EQ(pixelAt(picture, 3, 1), entry(3));
}

TEST_F(BitmapLoad, SixteenBitFiveFiveFiveAndFiveSixFiveBitFields)
{
    BmpBuilder b;
    b.width = 2;
    b.height = 1;
    b.bitCount = 16;
    BmpBuilder::put16(b.pixels, 0x7C00); // pure red at 5-5-5
    BmpBuilder::put16(b.pixels, 0x0015);
    ASSERT_EQ(load(b.build()), 0);
    EXPECT_EQ(pixelAt(picture, 0, 0), 0xF800u);
    EXPECT_EQ(pixelAt(picture, 1, 0), 0x15u);

    // 5-6-5 with its own masks comes back bit for bit on the 5-6-5 display.
    BmpBuilder f;
    f.width = 64;
    f.height = 1;
    f.bitCount = 16;
    f.compression = 3;
    f.setMasks(0xF800, 0x07E0, 0x001F);
    for (int i = 0; i < 64; ++i)
        BmpBuilder::put16(f.pixels, static_cast<uint32_t>((i % 32) << 11 | i << 5 | (31 - i % 32)));
    ASSERT_EQ(load(f.build()), 0);
    for (int i = 0; i < 64; ++i)
        EXPECT_EQ(pixelAt(picture, i, 0), static_cast<uint32_t>((i % 32) << 11 | i << 5 | (31 - i % 32)));
}

TEST_F(BitmapLoad, TwentyFourAndThirtyTwoBit)
{
    BmpBuilder b;
    b.width = 2;
    b.height = 2;
    b.bitCount = 24;
    b.pixels = {0, 0, 255, 0, 255, 0, 0, 0, /* top: */ 255, 0, 0, 8, 16, 24, 0, 0};
    ASSERT_EQ(load(b.build()), 0);
    EXPECT_EQ(pixelAt(picture, 0, 1), rgb565(255, 0, 0));
    EXPECT_EQ(pixelAt(picture, 1, 1), rgb565(0, 255, 0));
    EXPECT_EQ(pixelAt(picture, 0, 0), rgb565(0, 0, 255));
    EXPECT_EQ(pixelAt(picture, 1, 0), rgb565(24, 16, 8));

    BmpBuilder w;
    w.width = 1;
    w.height = -2;
    w.bitCount = 32;
    w.pixels = {10, 20, 200, 99, 255, 255, 255, 0};
    ASSERT_EQ(load(w.build()), 0);
    EXPECT_EQ(pixelAt(picture, 0, 0), rgb565(200, 20, 10));
    EXPECT_EQ(pixelAt(picture, 0, 1), 0xFFFFu);
}

TEST_F(BitmapLoad, UnsupportedPictureLoadsEmptyAtItsSize)
{
    BmpBuilder b;
    b.width = 5;
    b.height = 4;
    b.bitCount = 4;
    b.pixels.assign(16, 0x11);
    ASSERT_EQ(load(b.build()), 0);
    EXPECT_EQ(picture.width, 5);
    EXPECT_EQ(picture.height, 4);
    ASSERT_NE(picture.surface, nullptr);
    EXPECT_EQ(pixelAt(picture, 4, 3), 0u);
}

TEST_F(BitmapLoad, MissingFileAndWrongSignature)
{
    BmpBuilder b = eightBit(2, 2);
    b.pixels.assign(8, 3);
    ASSERT_EQ(load(b.build()), 0);
    const plat::SurfaceHandle before = picture.surface;
    EXPECT_EQ(picture.loadBitmap(display.get(), SurfaceKind::System, "/nonexistent/picture.bmp", true),
              FrameworkResult::FileOpen);
    EXPECT_EQ(picture.surface, before); // left as it was
    std::vector<uint8_t> bx = b.build();
    bx[1] = 'X';
    EXPECT_EQ(load(bx), FrameworkResult::NotBmp);
    EXPECT_EQ(picture.surface, before);
}

TEST_F(BitmapLoad, LoadsFromAFile)
{
    BmpBuilder b = eightBit(3, 1);
    b.pixels = {7, 6, 5, 0};
    const std::vector<uint8_t> bytes = b.build();
    const std::string path = ::testing::TempDir() + "velmoor_bitmap_test.bmp";
    {
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    ASSERT_EQ(picture.loadBitmap(display.get(), SurfaceKind::System, path.c_str(), true), 0);
    EXPECT_EQ(pixelAt(picture, 0, 0), entry(7));
    std::remove(path.c_str());
}

TEST_F(BitmapLoad, MalformedFilesFailCleanly)
{
    BmpBuilder good = eightBit(4, 4);
    good.pixels.assign(16, 2);
    const std::vector<uint8_t> base = good.build();
    std::vector<std::vector<uint8_t>> files;
    files.push_back({'B', 'M'});
    files.push_back(std::vector<uint8_t>(base.begin(), base.begin() + 53)); // under 54 bytes
    files.push_back(std::vector<uint8_t>(base.begin(), base.begin() + 60)); // no colour table
    auto patched = [&](std::size_t at, uint32_t v) {
        std::vector<uint8_t> f = base;
        for (int i = 0; i < 4; ++i)
            f[at + i] = static_cast<uint8_t>(v >> (8 * i));
        return f;
    };
    files.push_back(patched(10, 0xFFFFFFF0));     // data offset past the end
    files.push_back(patched(14, 0xFFFFFFFF));     // header size past the end
    files.push_back(patched(14, 12));             // a core header
    files.push_back(patched(18, 0x7FFFFFFF));     // absurd width
    files.push_back(patched(22, 0x80000000));     // the one height without a magnitude
    files.push_back(patched(22, 0xFFFF0000));     // tall top-down
    files.push_back(patched(46, 0xFFFFFFFF));     // colours used
    files.push_back(patched(30, 1));              // the plain data read as RLE8
    files.push_back(patched(18, 0));              // zero width
    for (std::size_t i = 0; i < files.size(); ++i) {
        const int r = load(files[i]);
        EXPECT_TRUE(r == 0 || r == FrameworkResult::NotBmp) << "file " << i;
    }
    // Random damage to a good file never crashes (the fuzz target goes further).
    std::mt19937 random(11);
    for (int trial = 0; trial < 300; ++trial) {
        std::vector<uint8_t> f = base;
        for (int k = 0; k < 4; ++k)
            f[random() % f.size()] = static_cast<uint8_t>(random());
        (void)load(f);
    }
}

TEST_F(HeadlessScreen, BitmapsOnOtherDepths)
{
    BmpBuilder b;
    b.width = 2;
    b.height = 1;
    b.bitCount = 8;
    b.addColour(255, 0, 0);
    b.addColour(0, 0, 255);
    b.pixels = {1, 0, 0, 0};
    const std::vector<uint8_t> file = b.build();

    open(plat::format::Xrgb8888);
    Surface s;
    ASSERT_EQ(s.loadBitmapFromMemory(display.get(), SurfaceKind::System, file.data(), file.size(), true), 0);
    EXPECT_EQ(pixelAt(s, 0, 0), 0x0000FFu);
    EXPECT_EQ(pixelAt(s, 1, 0), 0xFF0000u);
    s.release();

    plat::headless::reset();
    window = std::make_unique<Window>();
    display = std::make_unique<Display>();
    open(plat::format::Indexed8);
    ASSERT_EQ(s.loadBitmapFromMemory(display.get(), SurfaceKind::System, file.data(), file.size(), true), 0);
    EXPECT_EQ(pixelAt(s, 0, 0), 1u); // no palette entries: indices as they are
    display->palette->entries.assign(256, PaletteEntry{});
    display->palette->entries[9] = {0, 0, 250, 0};
    display->palette->entries[4] = {250, 0, 0, 0};
    ASSERT_EQ(s.loadBitmapFromMemory(display.get(), SurfaceKind::System, file.data(), file.size(), true), 0);
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
    ASSERT_EQ(picture.loadBitmap(display.get(), SurfaceKind::System, path.c_str(), true), 0);
    std::remove(path.c_str());
    ASSERT_EQ(picture.width, 800);
    ASSERT_EQ(picture.height, 600);
    for (int y = 0; y < 600; ++y)
        for (int x = 0; x < 800; ++x)
            ASSERT_EQ(pixelAt(picture, x, y), static_cast<uint16_t>(y * 800 + x)) << x << "," << y;
}
