// Hover pictures and badges are crops of full renders: they must sit exactly on their background.
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>

#include "tests/assetgen/DataFiles.h"
#include "tools/assetgen/Layout.h"
#include "tools/assetgen/Render.h"

using namespace assetgen_test;
using namespace assetgen;

namespace {

Picture load(const std::string& path) {
    BmpFile f = readBmp(runDir() / path);
    EXPECT_EQ(f.problem, "") << path;
    return f.picture;
}

// The highlighted render may differ from the plain one only where the crop is drawn,
// or the game would show a cut-off highlight.
void expectChangesOnlyInside(const Picture& plain, const Picture& lit, const Box& crop, const std::string& what) {
    ASSERT_EQ(plain.width, lit.width);
    std::size_t inside = 0;
    for (int y = 0; y < plain.height; ++y)
        for (int x = 0; x < plain.width; ++x) {
            if (plain.at(x, y) == lit.at(x, y)) continue;
            if (!crop.contains(x, y)) {
                ADD_FAILURE() << what << ": highlight leaks out of its picture at " << x << "," << y;
                return;
            }
            ++inside;
        }
    EXPECT_GT(inside, 100u) << what << ": the highlight must be visible";
}

void expectPictureCoversReactingEdges(const Box& picture, const Box& reacts, const std::string& what) {
    // The game draws the picture while the mouse is inside the rectangle: the picture has to
    // reach the rectangle's right and bottom edges.
    EXPECT_GE(picture.x1, reacts.x1) << what;
    EXPECT_GE(picture.y1, reacts.y1) << what;
}

TEST(HoverPictures, MenuBackgroundIsThePlainRender) {
    EXPECT_FALSE(firstDifference(load("Data/Menu/Menu.bmp"), renderMenu()));
}

TEST(HoverPictures, MenuButtonsAreCropsOfTheirHighlightedRender) {
    const Picture plain = renderMenu();
    for (const MenuButton& b : menuButtons) {
        SCOPED_TRACE(b.path);
        const Picture lit = renderMenu(b.element);
        const Picture file = load(b.path);
        EXPECT_EQ(file.width, b.picture.width());
        EXPECT_EQ(file.height, b.picture.height());
        const auto diff = firstDifference(file, lit.crop(b.picture));
        EXPECT_FALSE(diff) << "first difference at " << diff->first << "," << diff->second;
        expectChangesOnlyInside(plain, lit, b.picture, b.path);
        expectPictureCoversReactingEdges(b.picture, b.reacts, b.path);
    }
}

TEST(HoverPictures, TickAndBadgesSitOnTheMenu) {
    const Picture plain = renderMenu();
    const Picture ticked = renderMenu(MenuElement::None, true);
    EXPECT_FALSE(firstDifference(load("Data/Menu/galka.bmp"), ticked.crop(musicTick)));
    expectChangesOnlyInside(plain, ticked, musicTick, "tick");
    for (int rank = 0; rank < 4; ++rank) {
        const Badge& b = badges.at(static_cast<std::size_t>(rank));
        const Picture withBadge = renderMenu(MenuElement::None, false, rank);
        EXPECT_FALSE(firstDifference(load(b.path), withBadge.crop(b.picture))) << b.path;
        expectChangesOnlyInside(plain, withBadge, b.picture, b.path);
        EXPECT_LE(b.picture.height(), 72) << b.path;
    }
}

TEST(HoverPictures, EndButtonsAreCropsOfTheHighlightedBoard) {
    for (const BoardLayout& b : boards) {
        SCOPED_TRACE(b.endPath);
        const Picture plain = renderBoard(b);
        const Picture lit = renderBoard(b, true);
        EXPECT_FALSE(firstDifference(load(b.fieldPath), plain));
        EXPECT_FALSE(firstDifference(load(b.endPath), lit.crop(b.endPicture)));
        expectChangesOnlyInside(plain, lit, b.endPicture, b.endPath);
        expectPictureCoversReactingEdges(b.endPicture, b.endReacts, b.endPath);
    }
}

TEST(HoverPictures, YesAndNoAreCropsOfTheHighlightedPanel) {
    const Picture plain = renderLostPanel();
    EXPECT_FALSE(firstDifference(load("Data/Menu/Youloose.bmp"), plain));
    const struct {
        LostElement element;
        const char* path;
        Box picture, reacts;
    } buttons[] = {{LostElement::Yes, "Data/Menu/Ja.bmp", yesPicture, yesReacts},
                   {LostElement::No, "Data/Menu/Nein.bmp", noPicture, noReacts}};
    for (const auto& b : buttons) {
        const Picture lit = renderLostPanel(b.element);
        EXPECT_FALSE(firstDifference(load(b.path), lit.crop(b.picture))) << b.path;
        expectChangesOnlyInside(plain, lit, b.picture, b.path);
        expectPictureCoversReactingEdges(b.picture, b.reacts, b.path);
    }
}

// The mask's opacity as the game derives it from a 5-6-5 pixel: each full channel counts 255.
int opacity(Rgb c) {
    auto level = [](int field, int max) { return field == max ? 255 : field * 255 / max; };
    return (level(c.r >> 3, 31) + level(c.g >> 2, 63) + level(c.b >> 3, 31)) / 3;
}

TEST(LostMask, OpaqueUnderBothButtonsClearOutsideSoftBetween) {
    const Picture mask = load("Data/Menu/YLMask.bmp");
    ASSERT_EQ(mask.width, 512);
    ASSERT_EQ(mask.height, 512);
    // Both the picture and the reacting rectangle of each button: the opaque hover picture must
    // match what the masked panel shows there.
    for (const Box& box : {yesPicture, yesReacts, noPicture, noReacts})
        for (int y = box.y0; y < box.y1; ++y)
            for (int x = box.x0; x < box.x1; ++x)
                ASSERT_EQ(opacity(mask.at(x, y)), 255) << x << "," << y;
    for (const auto& [x, y] : {std::pair{0, 0}, {511, 0}, {0, 511}, {511, 511}, {256, 2}, {2, 256}})
        EXPECT_EQ(opacity(mask.at(x, y)), 0) << x << "," << y;
    // Between outside and the opaque middle there are intermediate levels (shadow and rim).
    std::set<int> levels;
    for (int x = 0; x < 256; ++x) levels.insert(opacity(mask.at(x, 256)));
    EXPECT_GT(levels.size(), 10u);
    EXPECT_TRUE(levels.count(0));
    EXPECT_TRUE(levels.count(255));
    // Grey only: a coloured mask would give different opacities than it shows.
    for (const Rgb& c : mask.pixels) ASSERT_LE(std::abs(c.r - c.b), 8);
}

} // namespace
