// The generated pictures against the game's contract: names, sizes, BMP layout, 5-6-5 values, keys.
#include <gtest/gtest.h>

#include <set>

#include "tests/assetgen/DataFiles.h"

using namespace assetgen_test;
using assetgen::Box;
using assetgen::Picture;
using assetgen::Rgb;

namespace {

struct Expected {
    const char* path;
    int width, height;
    bool keyed;
};

// The list the game opens, with the sizes it needs (hover pictures: where drawn, what reacts).
const Expected expected[] = {
    {"Data/Menu/Menu.bmp", 800, 600, false},       {"Data/Menu/6x6.bmp", 122, 67, false},
    {"Data/Menu/8x8.bmp", 111, 59, false},         {"Data/Menu/10x10.bmp", 145, 68, false},
    {"Data/Menu/music.bmp", 218, 59, false},       {"Data/Menu/authors.bmp", 229, 71, false},
    {"Data/Menu/exit.bmp", 343, 73, false},        {"Data/Menu/galka.bmp", 40, 40, false},
    {"Data/0.bmp", 180, 64, false},                {"Data/Menu/man.bmp", 174, 64, false},
    {"Data/Menu/profy.bmp", 180, 64, false},       {"Data/Menu/boss.bmp", 180, 64, false},
    {"Data/cursor.bmp", 24, 24, true},             {"Data/horse.bmp", 630, 35, true},
    {"Data/no.bmp", 35, 35, true},                 {"Data/here.bmp", 35, 35, true},
    {"Data/yes.bmp", 35, 35, true},                {"Data/Field[6x6].bmp", 800, 600, false},
    {"Data/Field[8x8].bmp", 800, 600, false},      {"Data/Field[10x10].bmp", 800, 600, false},
    {"Data/end[8x8].bmp", 302, 62, false},         {"Data/end[6x6].bmp", 309, 73, false},
    {"Data/end[10x10].bmp", 297, 100, false},      {"Data/Menu/Youloose.bmp", 512, 512, false},
    {"Data/Menu/YLMask.bmp", 512, 512, false},     {"Data/Menu/Ja.bmp", 77, 42, false},
    {"Data/Menu/Nein.bmp", 166, 50, false},        {"Data/Congratulaions.bmp", 800, 600, false},
    {"Data/Menu/authors().bmp", 800, 600, false},
};

bool exactLevels(Rgb c) { return (c.r & 7) == 0 && (c.g & 3) == 0 && (c.b & 7) == 0; }

TEST(PictureContract, PathsWithExactCaseHeadersSizesFiveSixFiveValuesAndKeys) {
    for (const Expected& e : expected) {
        SCOPED_TRACE(e.path);
        const std::filesystem::path p = runDir() / e.path;
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(p.parent_path()))
            names.insert(entry.path().filename().string());
        EXPECT_TRUE(names.count(p.filename().string())) << "exact case";
        const BmpFile f = readBmp(p);
        ASSERT_EQ(f.problem, "");
        EXPECT_EQ(f.picture.width, e.width);
        EXPECT_EQ(f.picture.height, e.height);
        std::size_t inexact = 0, key = 0, nearKey = 0;
        for (const Rgb& c : f.picture.pixels) {
            inexact += !exactLevels(c);
            key += c == Rgb{0, 0, 0};
            nearKey += assetgen::isKeyBlack(c) && !(c == Rgb{0, 0, 0});
        }
        EXPECT_EQ(inexact, 0u) << "pixels that the 16-bit display would change";
        // Keyed sprites: transparent surroundings, something to show, and no near-black pixel that
        // would turn transparent. Opaque screens keep pure black out, so nothing shows as a hole if
        // drawn keyed (the lost panel and its mask are black outside by design).
        if (e.keyed) {
            EXPECT_EQ(nearKey, 0u);
            EXPECT_GT(key, 0u);
            EXPECT_LT(key, f.picture.pixels.size() * 19 / 20);
        } else if (std::string(e.path).find("Youloose") == std::string::npos &&
                   std::string(e.path).find("YLMask") == std::string::npos) {
            EXPECT_EQ(key, 0u);
        }
    }
}

TEST(PictureContract, PieceStripFramesAreFilledAndStandingFramesAgree) {
    const Picture strip = readBmp(runDir() / "Data/horse.bmp").picture;
    for (int f = 0; f < 18; ++f) {
        const Picture frame = strip.crop(Box::at(35 * f, 0, 35, 35));
        std::size_t opaque = 0;
        for (const Rgb& c : frame.pixels) opaque += !(c == Rgb{0, 0, 0});
        EXPECT_GT(opaque, 40u) << "frame " << f;
    }
    EXPECT_FALSE(firstDifference(strip.crop(Box::at(35 * 16, 0, 35, 35)), strip.crop(Box::at(35 * 17, 0, 35, 35))));
    // Leaving ends on the visited mark; arriving ends on the standing piece.
    const Picture mark = readBmp(runDir() / "Data/no.bmp").picture;
    std::size_t sameAsMark = 0;
    const Picture last = strip.crop(Box::at(35 * 7, 0, 35, 35));
    for (std::size_t i = 0; i < mark.pixels.size(); ++i) sameAsMark += last.pixels[i] == mark.pixels[i];
    EXPECT_GT(sameAsMark, mark.pixels.size() * 8 / 10);
}

} // namespace
