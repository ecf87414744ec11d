// The FreeType glyph rasteriser on a Debian font installed under the game's file name.
#include "platform/glyphs.h"
#include "tests/platform/audio_test_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;
using namespace plat;

constexpr const char* debianFont = "/usr/share/fonts/truetype/dejavu/DejaVuSansCondensed.ttf";

class Glyphs : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!fs::exists(debianFont))
            GTEST_SKIP() << debianFont << " is not installed";
        path = (dir / "Alpine.ttf").string();
        fs::copy_file(debianFont, path, fs::copy_options::overwrite_existing);
        ASSERT_TRUE(addFontFile(path));
    }

    void TearDown() override
    {
        if (!path.empty())
            while (removeFontFile(path)) {
            }
    }

    audiotest::ScratchDir scratch;
    const fs::path dir = scratch.path();
    std::string path;
};

TEST_F(Glyphs, FaceIsFoundByFileStemOrFamilyAndSizedByCellHeight)
{
    for (int height : {12, 30, 50}) {
        const FontHandle font = createFont("alpine", height, 0);
        ASSERT_NE(font, FontHandle::None) << height;
        const auto m = textMetrics(font);
        ASSERT_TRUE(m);
        EXPECT_NEAR(m->height, height, 1) << "cell height";
        EXPECT_EQ(m->height, m->ascent + m->descent);
        destroyFont(font);
    }
    const FontHandle byFamily = createFont("DejaVu Sans", 30, 0);
    EXPECT_NE(byFamily, FontHandle::None);
    destroyFont(byFamily);
    EXPECT_EQ(createFont("NoSuchFace", 30, 0), FontHandle::None);
    EXPECT_EQ(createFont("", 30, 0), FontHandle::None);
    // A negative height is the em height, which is smaller than the cell.
    const FontHandle em = createFont("Alpine", -30, 0);
    ASSERT_NE(em, FontHandle::None);
    EXPECT_GT(textMetrics(em)->height, 30);
    destroyFont(em);
}

TEST_F(Glyphs, BitmapsArePaddedTopDownGreyLevelsUpTo64)
{
    const FontHandle font = createFont("Alpine", 30, 0);
    ASSERT_NE(font, FontHandle::None);
    for (int code : {int{'a'}, int{'P'}, int{'g'}, int{'1'}, 0xC4, 0xD6, 0xDC}) {
        const auto g = glyphBitmap(font, static_cast<uint8_t>(code));
        ASSERT_TRUE(g) << code;
        ASSERT_FALSE(g->levels.empty()) << code;
        EXPECT_EQ(g->pitch % 4, 0u);
        EXPECT_GE(g->pitch, g->metrics.blackBoxX);
        EXPECT_LT(g->pitch, g->metrics.blackBoxX + 4);
        EXPECT_EQ(g->levels.size(), size_t{g->pitch} * g->metrics.blackBoxY);
        EXPECT_EQ(*std::max_element(g->levels.begin(), g->levels.end()), 64) << "solid stems reach 64, no more";
        for (uint32_t row = 0; row < g->metrics.blackBoxY; ++row) // padding columns stay empty
            for (uint32_t col = g->metrics.blackBoxX; col < g->pitch; ++col)
                EXPECT_EQ(g->levels[row * g->pitch + col], 0);
    }
    // The origin is the box's top: 'g' descends below the baseline, 'P' does not, and the
    // umlaut's dots sit above the capital's top.
    EXPECT_GT(static_cast<int>(glyphBitmap(font, 'g')->metrics.blackBoxY), glyphBitmap(font, 'g')->metrics.originY);
    const auto p = glyphBitmap(font, 'P');
    EXPECT_NEAR(static_cast<int>(p->metrics.blackBoxY), p->metrics.originY, 1);
    EXPECT_GT(glyphBitmap(font, 0xC4)->metrics.originY, glyphBitmap(font, 'A')->metrics.originY);

    // A space has no bitmap but an advance that the text extent counts.
    EXPECT_TRUE(glyphBitmap(font, ' ')->levels.empty());
    EXPECT_TRUE(glyphBitmap(font, '\n')->levels.empty());
    const int spaceWidth = textExtent(font, " ")->cx;
    EXPECT_GT(spaceWidth, 0);
    EXPECT_EQ(textExtent(font, "a b")->cx,
              glyphBitmap(font, 'a')->metrics.cellIncX + spaceWidth + glyphBitmap(font, 'b')->metrics.cellIncX);
    EXPECT_EQ(textExtent(font, "")->cy, textMetrics(font)->height);
    destroyFont(font);
}

TEST_F(Glyphs, RegistrationIsCountedAndFontsOutliveIt)
{
    ASSERT_TRUE(addFontFile(path)); // now twice
    const FontHandle font = createFont("Alpine", 30, 0);
    ASSERT_NE(font, FontHandle::None);
    EXPECT_TRUE(removeFontFile(path));
    EXPECT_NE(createFont("Alpine", 30, 0), FontHandle::None) << "one registration is left";
    EXPECT_TRUE(removeFontFile(path));
    EXPECT_FALSE(removeFontFile(path));
    EXPECT_EQ(createFont("Alpine", 30, 0), FontHandle::None);
    EXPECT_TRUE(glyphBitmap(font, 'x'));
    destroyFont(font);
    EXPECT_FALSE(glyphBitmap(font, 'x'));
    EXPECT_FALSE(textMetrics(font));
    destroyFont(font); // twice is harmless

    const std::string junk = (dir / "junk.ttf").string();
    std::ofstream(junk) << "not a font at all";
    EXPECT_FALSE(addFontFile(junk));
    EXPECT_FALSE(addFontFile((dir / "missing.ttf").string()));
    EXPECT_FALSE(removeFontFile(junk));
}

TEST(Windows1252, HighCodesMapToTheirCharacters)
{
    for (auto [code, unicode] : {std::pair{0x41, 0x41u}, {0x80, 0x20ACu}, {0x81, 0x81u}, {0x9F, 0x178u},
                                 {0xC4, 0xC4u}, {0xFF, 0xFFu}})
        EXPECT_EQ(unicodeFromWindows1252(static_cast<uint8_t>(code)), unicode) << code;
}

} // namespace
