// The generated files through the game's own framework: the BMP loader, the alpha mask and the glyph layer.
#include <gtest/gtest.h>

#include <set>

#include "framework/AlphaMask.h"
#include "framework/Surface.h"
#include "platform/glyphs.h"
#include "tests/assetgen/DataFiles.h"
#include "tests/framework/HeadlessScreen.h"
#include "tools/assetgen/AssetSet.h"
#include "tools/assetgen/Layout.h"

using namespace assetgen_test;

namespace {

uint16_t pixel565(const Surface& s, int x, int y) {
    return reinterpret_cast<const uint16_t*>(s.pixels + y * s.pitch)[x];
}

class GeneratedDataOnTheFramework : public HeadlessScreen {
protected:
    void SetUp() override {
        HeadlessScreen::SetUp();
        open();
    }
    int load(Surface& s, const std::string& path) {
        return s.loadBitmap(display.get(), SurfaceKind::System, (runDir() / path).c_str(), true);
    }
};

TEST_F(GeneratedDataOnTheFramework, EveryPictureLoadsBitForBitOnTheSixteenBitDisplay) {
    for (const assetgen::PictureAsset& a : assetgen::renderPictures()) {
        SCOPED_TRACE(a.path);
        Surface s;
        ASSERT_EQ(load(s, a.path), 0);
        ASSERT_EQ(s.width, a.picture.width);
        ASSERT_EQ(s.height, a.picture.height);
        for (int y = 0; y < s.height; ++y)
            for (int x = 0; x < s.width; ++x) {
                const assetgen::Rgb c = a.picture.at(x, y);
                const auto expected = static_cast<uint16_t>((c.r >> 3) << 11 | (c.g >> 2) << 5 | (c.b >> 3));
                ASSERT_EQ(pixel565(s, x, y), expected) << x << "," << y;
            }
    }
}

TEST_F(GeneratedDataOnTheFramework, LostMaskIsOpaqueUnderTheButtonsAsTheGameBuildsIt) {
    Surface panel, mask;
    ASSERT_EQ(load(panel, "Data/Menu/Youloose.bmp"), 0);
    ASSERT_EQ(load(mask, "Data/Menu/YLMask.bmp"), 0);
    ASSERT_EQ(panel.createAlphaMask(), 0);
    panel.alphaMask->allocate(&mask);
    Rect all;
    ASSERT_EQ(panel.alphaMask->fillFromSurface(makeRect(all, 0, 0, mask.width, mask.height)), 0);
    for (const assetgen::Box& box :
         {assetgen::yesPicture, assetgen::yesReacts, assetgen::noPicture, assetgen::noReacts})
        for (int y = box.y0; y < box.y1; ++y)
            for (int x = box.x0; x < box.x1; ++x) ASSERT_EQ(panel.alphaMask->at(x, y), 255) << x << "," << y;
    for (const auto& [x, y] : {std::pair{0, 0}, {511, 0}, {0, 511}, {511, 511}, {256, 2}, {2, 256}})
        EXPECT_EQ(panel.alphaMask->at(x, y), 0) << x << "," << y;
    // Between outside and the opaque middle lie the soft levels of shadow and rim.
    std::set<int> levels;
    for (int x = 0; x < 256; ++x) levels.insert(panel.alphaMask->at(x, 256));
    EXPECT_GT(levels.size(), 10u);
    const uint8_t rim = panel.alphaMask->at(assetgen::lostBody.x0 + 1, 256);
    EXPECT_GT(rim, 200);
    EXPECT_LT(rim, 235);
}

TEST(GeneratedFont, LoadsThroughTheGlyphLayerAsAlpineAndFitsTheScoreColumn) {
    const std::string path = (runDir() / "Alpine.ttf").string();
    const std::vector<std::uint8_t> bytes = readFile(path);
    ASSERT_GE(bytes.size(), 4u);
    EXPECT_EQ(le32(bytes, 0), 0x00000100u) << "TrueType outlines";
    ASSERT_TRUE(plat::addFontFile(path));
    const plat::FontHandle font = plat::createFont("Alpine", 30, 0);
    ASSERT_NE(font, plat::FontHandle::None);
    const auto metrics = plat::textMetrics(font);
    ASSERT_TRUE(metrics);
    EXPECT_EQ(metrics->height, 30);
    const auto extent = plat::textExtent(font, "Highscore:1000");
    ASSERT_TRUE(extent);
    EXPECT_LE(extent->cx, 180) << "the game writes it at x = 620 on an 800-pixel screen";
    // Windows-1252 codes of Ä Ö Ü ä ö ü ß ©.
    for (uint8_t code : {0xC4, 0xD6, 0xDC, 0xE4, 0xF6, 0xFC, 0xDF, 0xA9}) {
        const auto glyph = plat::glyphBitmap(font, code);
        ASSERT_TRUE(glyph);
        EXPECT_FALSE(glyph->levels.empty()) << "code " << int(code);
    }
    plat::destroyFont(font);
    EXPECT_TRUE(plat::removeFontFile(path));
    // The licence's full text travels beside the font.
    const std::vector<std::uint8_t> licence = readFile(runDir() / "Alpine-LICENSE.txt");
    const std::string text(licence.begin(), licence.end());
    for (const char* words : {"Alpine.ttf", "Apache License", "TERMS AND CONDITIONS FOR USE, REPRODUCTION, AND DISTRIBUTION"})
        EXPECT_NE(text.find(words), std::string::npos) << words;
}

} // namespace
