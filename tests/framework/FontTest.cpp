// The glyph font: opacities from grey levels, pen movement, clipping, locking and the
// formatted variant, with a synthetic glyph source and with FreeType on a Debian font.
#include "HeadlessScreen.h"

#include "AlpineFont.h"
#include "tests/support/simd_levels.h"

#include <algorithm>
#include <cstring>
#include <map>

namespace {

// Glyphs made up by the test: every code is a solid block of `width` x `height` at
// origin (0, height), advancing by `advance`, except those given levels of their own.
class SyntheticGlyphs : public GlyphSource {
public:
    int width = 2, height = 3, advance = 3, space = 5;
    plat::TextMetrics textMetrics{4, 3, 1, 2};
    std::map<uint8_t, plat::GlyphBitmap> special;

    std::optional<plat::GlyphBitmap> glyph(uint8_t code) override
    {
        if (auto it = special.find(code); it != special.end())
            return it->second;
        if (code == ' ' || code == 0)
            return plat::GlyphBitmap{};
        plat::GlyphBitmap g;
        g.metrics = {static_cast<uint32_t>(width), static_cast<uint32_t>(height), 0, height,
                     static_cast<int16_t>(advance), 0};
        g.pitch = static_cast<uint32_t>((width + 3) & ~3);
        g.levels.assign(g.pitch * static_cast<uint32_t>(height), 0);
        for (int r = 0; r < height; ++r)
            for (int c = 0; c < width; ++c)
                g.levels[static_cast<std::size_t>(r) * g.pitch + static_cast<std::size_t>(c)] = 64;
        return g;
    }
    int32_t spaceWidth() override { return space; }
    plat::TextMetrics metrics() override { return textMetrics; }
};

class FontTest : public HeadlessScreen {
protected:
    void SetUp() override
    {
        HeadlessScreen::SetUp();
        open();
        font.buildGlyphs(glyphs);
        ASSERT_EQ(target.create(display.get(), SurfaceKind::System, 40, 12), 0);
        target.fill(0);
    }
    void TearDown() override
    {
        mmxEnabled = 0;
        target.release();
        HeadlessScreen::TearDown();
    }

    uint16_t at(int x, int y) const
    {
        uint16_t v;
        std::memcpy(&v, target.pixels + y * target.pitch + x * 2, 2);
        return v;
    }
    // The columns of row y that are not background, as a string of '#' and '.'.
    std::string row(int y) const
    {
        std::string s;
        for (int x = 0; x < target.width; ++x)
            s += at(x, y) ? '#' : '.';
        return s;
    }

    SyntheticGlyphs glyphs;
    Font font;
    Surface target;
};

TEST_F(FontTest, BuildsOpacitiesAndMetricsFromTheSource)
{
    // Grey levels 64, 63, 1, 2, 32 become opacities 255, 255, 0, 7, 127.
    glyphs.special['A'] = {{5, 1, 0, 3, 9, 0}, 8, {64, 63, 1, 2, 32, 0, 0, 0}};
    glyphs.special['B'] = {{4, 10, 0, 0, 4, 0}, 4, {64, 64, 64, 64}}; // claims more rows than it carries
    font.buildGlyphs(glyphs);

    const Glyph& a = font.glyphs['A'];
    EXPECT_EQ(a.bitmap, (std::vector<uint8_t>{255, 255, 0, 7, 127, 0, 0, 0}));
    EXPECT_EQ(a.cellIncX, 9);
    EXPECT_TRUE(font.glyphs['B'].bitmap.empty());
    EXPECT_EQ(font.glyphs['B'].cellIncX, 0) << "a glyph without bitmap has no metrics";

    // The colour is blended by opacity: 127 of black over white is 31 + floor(-31 * 127 / 256) = 15.
    target.fill(0xFFFF);
    font.drawText(&target, 0, 0, 0x0000, "A");
    EXPECT_EQ(at(0, 0), 0x0000);
    EXPECT_EQ(at(2, 0), 0xFFFF);
    EXPECT_EQ(at(4, 0), 0x7BEF);
}

TEST_F(FontTest, SpaceAdvancesBySpaceWidthAndNewlineReturnsToX)
{
    font.drawText(&target, 2, 0, 0xFFFF, "a b\nc");
    // a at 2..3, pen 5, space to 10, b at 10..11; the cell top is y, the glyph's top y + 3 - 3.
    EXPECT_EQ(row(0), std::string("..##......##............................"));
    EXPECT_EQ(row(2), row(0));
    EXPECT_EQ(row(3), std::string(40, '.'));
    EXPECT_EQ(row(4), std::string("..##....................................")) << "one lineHeight lower, at x";
}

TEST_F(FontTest, GlyphsAreClippedAtTheSurfaceEdges)
{
    glyphs.width = 4;
    font.buildGlyphs(glyphs);
    font.drawText(&target, -2, -1, 0xFFFF, "x");
    EXPECT_EQ(row(0), std::string("##......................................"));
    EXPECT_EQ(row(1), row(0));
    EXPECT_EQ(row(2), std::string(40, '.'));
    font.drawText(&target, 38, 10, 0xFFFF, "x");
    EXPECT_EQ(row(11).substr(36), "..##");
    target.fill(0);
    font.drawText(&target, -10, 0, 0xFFFF, "x");
    font.drawText(&target, 0, 100, 0xFFFF, "x");
    font.drawText(&target, 2000000000, 0, 0xFFFF, "xxxxxxxxxxxxxxxx");
    font.drawText(nullptr, 0, 0, 0xFFFF, "x");
    font.drawText(&target, 0, 0, 0xFFFF, nullptr);
    for (int y = 0; y < 12; ++y)
        EXPECT_EQ(row(y), std::string(40, '.')) << y;
}

TEST_F(FontTest, LockingIsLeftAsTheCallerHadIt)
{
    Surface video;
    ASSERT_EQ(video.create(display.get(), SurfaceKind::Video, 8, 8), 0);
    ASSERT_EQ(video.lock(), 0);
    std::memset(video.pixels, 0, static_cast<std::size_t>(video.pitch) * 8);
    font.drawText(&video, 0, 0, 0, "x");
    EXPECT_TRUE(video.flags & SurfaceFlag::locked) << "locked by the caller, stays locked";
    ASSERT_EQ(video.unlock(), 0);
    font.drawText(&video, 0, 0, 0, "x");
    EXPECT_FALSE(video.flags & SurfaceFlag::locked);

    // A failed lock draws nothing: the stale pointer of an earlier lock is not written.
    plat::headless::failNext(plat::headless::Operation::Lock, plat::result::Generic);
    font.drawText(&video, 0, 0, 0xFFFF, "x");
    ASSERT_EQ(video.lock(), 0);
    uint16_t first;
    std::memcpy(&first, video.pixels, 2);
    EXPECT_EQ(first, 0);
    ASSERT_EQ(video.unlock(), 0);
}

// The four-pixel variant against the plain rows at every vector level (the 5-6-5 rows in lanes
// above scalar).
TEST_F(FontTest, FourPixelVariantMatchesThePlainRowsAtEveryLevel)
{
    plat::GlyphBitmap& g = glyphs.special['m'] = {{11, 2, 0, 3, 12, 0}, 12, {}};
    for (int i = 0; i < 24; ++i)
        g.levels.push_back(static_cast<uint8_t>((i * 7) % 65));
    font.buildGlyphs(glyphs);
    Surface other;
    ASSERT_EQ(other.create(display.get(), SurfaceKind::System, 40, 12), 0);
    const auto paint = [](Surface& s) {
        for (int y = 0; y < 12; ++y)
            for (int x = 0; x < 40; ++x) {
                const auto v = static_cast<uint16_t>(x * 1543 + y * 77);
                std::memcpy(s.pixels + y * s.pitch + x * 2, &v, 2);
            }
    };
    paint(other);
    mmxEnabled = 1;
    font.drawText(&other, 1, 1, 0xFEA0, "mm m\nm");
    mmxEnabled = 0;
    onEveryPlatLevel([&] {
        paint(target);
        font.drawText(&target, 1, 1, 0xFEA0, "mm m\nm");
        for (int y = 0; y < 12; ++y)
            ASSERT_EQ(std::memcmp(target.pixels + y * target.pitch, other.pixels + y * other.pitch, 80), 0) << y;
    });
}

TEST_F(FontTest, FormattedTextIsCutAt2047Characters)
{
    glyphs.width = 1;
    glyphs.height = 1;
    glyphs.advance = 1;
    glyphs.textMetrics = {1, 1, 0, 1};
    font.buildGlyphs(glyphs);
    Surface wide;
    ASSERT_EQ(wide.create(display.get(), SurfaceKind::System, 3000, 1), 0);
    wide.fill(0);
    const std::string many(3000, 'x');
    drawTextF(font, &wide, 0, 0, 0xFFFF, "%s", many.c_str());
    int drawn = 0;
    for (int x = 0; x < 3000; ++x) {
        uint16_t v;
        std::memcpy(&v, wide.pixels + x * 2, 2);
        drawn += v != 0;
    }
    EXPECT_EQ(drawn, 2047);
    drawTextF(font, &target, 0, 0, 0xFFFF, "Punkte:%i", 42);
    EXPECT_EQ(row(0).substr(0, 9), std::string(9, '#'));
}

TEST_F(FontTest, RealFaceCellHeightSpaceAndClipping)
{
    const std::unique_ptr<Font> real = loadAlpine(30);
    if (!real)
        GTEST_SKIP() << debianFont << " is not installed";
    EXPECT_NEAR(real->lineHeight, 30, 1);
    const Glyph& a = real->glyphs['a'];
    ASSERT_FALSE(a.bitmap.empty());
    EXPECT_EQ(a.pitch % 4, 0);
    EXPECT_EQ(*std::max_element(a.bitmap.begin(), a.bitmap.end()), 255) << "levels reach 64 and no further";

    // "a b" draws b where "a" and the space put the pen.
    Surface one, two;
    ASSERT_EQ(one.create(display.get(), SurfaceKind::System, 120, 40), 0);
    ASSERT_EQ(two.create(display.get(), SurfaceKind::System, 120, 40), 0);
    const auto sameRows = [&](int shift) {
        for (int y = 0; y < 40; ++y)
            if (std::memcmp(one.pixels + y * one.pitch, two.pixels + y * two.pitch + shift * 2, (120 - shift) * 2))
                return false;
        return true;
    };
    one.fill(0);
    two.fill(0);
    real->drawText(&one, 4, 2, 0xFFFF, "a b");
    real->drawText(&two, 4, 2, 0xFFFF, "a");
    real->drawText(&two, 4 + a.cellIncX + real->spaceWidth, 2, 0xFFFF, "b");
    EXPECT_TRUE(sameRows(0));
    // Partly outside on the left: the visible columns are those of the whole glyph, shifted.
    one.fill(0);
    two.fill(0);
    real->drawText(&one, -6, 2, 0xFFFF, "W");
    real->drawText(&two, 0, 2, 0xFFFF, "W");
    EXPECT_TRUE(sameRows(6));
    // Past the right and bottom edges: no write beyond the surface (the sanitizer watches).
    real->drawText(&one, 110, 30, 0xFFFF, "WWW\nWWW");

    // A face that is missing, and one without memory for its glyphs, draw nothing.
    Font missing("NoSuchFace", 0, 30);
    bool built = true;
    const std::unique_ptr<Font> starved = loadAlpine(30, 64, &built);
    ASSERT_TRUE(starved);
    EXPECT_FALSE(built);
    for (Font* empty : {&missing, starved.get()}) {
        empty->drawText(&target, 0, 0, 0xFFFF, "abc def");
        for (int y = 0; y < 12; ++y)
            EXPECT_EQ(row(y), std::string(40, '.'));
    }
}

} // namespace
