// A picture for a person to look at: the score line in gold over a soft-masked panel,
// part of it faded toward black, written as text_picture.bmp in the build tree's test-output folder.
#include "AlpineFont.h"
#include "HeadlessScreen.h"

#include "framework/AlphaBlit.h"
#include "framework/AlphaMask.h"

#include <algorithm>
#include <cstring>

namespace {

void put(Surface& s, int x, int y, uint32_t v)
{
    const auto p = static_cast<uint16_t>(v);
    std::memcpy(s.pixels + y * s.pitch + x * 2, &p, 2);
}
uint16_t get(const Surface& s, int x, int y)
{
    uint16_t v;
    std::memcpy(&v, s.pixels + y * s.pitch + x * 2, 2);
    return v;
}

TEST_F(HeadlessScreen, GoldScoreLineThroughMaskAndFade)
{
    open();
    const std::unique_ptr<Font> font = loadAlpine(30);
    if (!font)
        GTEST_SKIP() << debianFont << " is not installed";
    const PixelFormatInfo& pf = *display->pixelFormat;
    Surface& back = *display->back;

    // Background: a blue-green gradient with a light grid, so blends are easy to judge.
    for (int y = 0; y < 600; ++y)
        for (int x = 0; x < 800; ++x)
            put(back, x, y,
                x % 50 == 0 || y % 50 == 0
                    ? pf.pixelFromRgb(200, 200, 200)
                    : pf.pixelFromRgb(20, static_cast<uint8_t>(60 + y / 5), static_cast<uint8_t>(120 + x / 8)));

    // A dark red panel drawn through a soft-edged mask made from a grey mask picture.
    Surface panel, maskPicture;
    ASSERT_EQ(panel.create(display.get(), SurfaceKind::System, 640, 200), 0);
    ASSERT_EQ(maskPicture.create(display.get(), SurfaceKind::System, 640, 200), 0);
    panel.fill(pf.pixelFromRgb(90, 16, 16));
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 640; ++x) {
            const auto grey = static_cast<uint8_t>(std::min({x, 639 - x, y, 199 - y, 30}) * 255 / 30);
            put(maskPicture, x, y, pf.pixelFromRgb(grey, grey, grey));
        }
    ASSERT_EQ(panel.createAlphaMask(), 0);
    panel.alphaMask->allocate(&maskPicture);
    ASSERT_EQ(panel.alphaMask->fillFromSurface({0, 0, 640, 200}), 0);
    Rect whole{0, 0, 640, 200};
    blitAlphaMasked(&panel, &back, 80, 60, whole);

    // The score line as the game writes it, in its gold; the umlauts in Windows-1252.
    const uint32_t gold = pf.pixelFromRgb(255, 203, 0);
    const char* line = "Punkte:%i Highscore:%i \xC4\xD6\xDC";
    for (int y : {100, 190, 330})
        drawTextF(*font, &back, 120, y, gold, line, 123, 4567);
    drawTextF(*font, &back, 120, 420, gold, "Fade level 128 below y = 300");

    // The lower half faded toward black at level 128, as one step of the game's fade.
    Surface copy;
    ASSERT_EQ(copy.create(display.get(), SurfaceKind::System, 800, 600), 0);
    Rect all{0, 0, 800, 600};
    ASSERT_EQ(back.blit(&copy, 0, 0, all), 0);
    Rect lower{0, 300, 800, 600};
    blitBlended(&copy, &back, 0, 300, lower, 0, 128);

    // Gold is written exactly where a glyph is solid, and the fade halves it.
    int goldTop = 0, goldBottom = 0;
    const uint16_t fadedGold = static_cast<uint16_t>(pf.pixelFromRgb(127, 100, 0));
    for (int y = 0; y < 40; ++y)
        for (int x = 120; x < 700; ++x) {
            goldTop += get(back, x, 100 + y) == gold;
            goldBottom += get(back, x, 330 + y) == fadedGold;
        }
    EXPECT_GT(goldTop, 200);
    EXPECT_GE(goldBottom, goldTop) << "every solid pixel of the same line, faded (near-solid ones may meet it)";

    ASSERT_EQ(display->flip(0), 0);
    const std::filesystem::path folder = VELMOOR_TEST_OUTPUT_DIR;
    std::filesystem::create_directories(folder);
    const std::string out = (folder / "text_picture.bmp").string();
    ASSERT_TRUE(plat::headless::writeFrameBmp(out, *plat::headless::lastFrame()));
    std::printf("picture: %s\n", out.c_str());
}

} // namespace
