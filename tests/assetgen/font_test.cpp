// The font file: a TrueType font with the German letters, narrow enough for the score line.
#include <gtest/gtest.h>

#include <ft2build.h>
#include FT_FREETYPE_H

#include "tests/assetgen/DataFiles.h"

using namespace assetgen_test;

namespace {

class AlpineFont : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(FT_Init_FreeType(&library_), 0);
        ASSERT_EQ(FT_New_Face(library_, (runDir() / "Alpine.ttf").c_str(), 0, &face_), 0);
    }
    void TearDown() override {
        if (face_) FT_Done_Face(face_);
        if (library_) FT_Done_FreeType(library_);
    }
    FT_Library library_ = nullptr;
    FT_Face face_ = nullptr;
};

TEST_F(AlpineFont, IsAScalableTrueTypeFontWithGermanLetters) {
    const std::vector<std::uint8_t> bytes = readFile(runDir() / "Alpine.ttf");
    ASSERT_GE(bytes.size(), 4u);
    EXPECT_EQ(le32(bytes, 0), 0x00000100u) << "TrueType outlines";
    EXPECT_TRUE(FT_IS_SCALABLE(face_));
    for (FT_ULong c : {0xC4ul, 0xD6ul, 0xDCul, 0xE4ul, 0xF6ul, 0xFCul, 0xDFul, 0xA9ul})
        EXPECT_NE(FT_Get_Char_Index(face_, c), 0u) << "missing U+" << std::hex << c;
}

TEST_F(AlpineFont, LongestScoreLineFitsRightOfItsColumnAtCellHeightThirty) {
    // Cell height = ascent + descent; the game writes at x = 620 on an 800-pixel screen.
    const double unitsPerPixel = static_cast<double>(face_->ascender - face_->descender) / 30.0;
    long advance = 0;
    for (char c : std::string("Highscore:1000")) {
        ASSERT_EQ(FT_Load_Char(face_, static_cast<FT_ULong>(c), FT_LOAD_NO_SCALE), 0);
        advance += face_->glyph->advance.x;
    }
    EXPECT_LE(advance / unitsPerPixel, 180.0);
}

TEST(FontLicence, SitsBesideTheFontAndCarriesTheLicenceText) {
    const std::vector<std::uint8_t> bytes = readFile(runDir() / "Alpine-LICENSE.txt");
    const std::string text(bytes.begin(), bytes.end());
    EXPECT_NE(text.find("Alpine.ttf"), std::string::npos);
    EXPECT_NE(text.find("Apache License"), std::string::npos);
    EXPECT_NE(text.find("TERMS AND CONDITIONS FOR USE, REPRODUCTION, AND DISTRIBUTION"), std::string::npos)
        << "the licence's full text travels with the font";
}

} // namespace
