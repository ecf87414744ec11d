// Hover pictures and badges are crops of full renders: they must sit exactly on their background.
#include <gtest/gtest.h>

#include "tests/assetgen/DataFiles.h"
#include "tools/assetgen/Layout.h"
#include "tools/assetgen/Render.h"

using namespace assetgen_test;
using namespace assetgen;

namespace {

void expectFileIs(const std::string& path, const Picture& expected) {
    const BmpFile f = readBmp(runDir() / path);
    EXPECT_EQ(f.problem, "") << path;
    const auto diff = firstDifference(f.picture, expected); // (-1,-1): the sizes differ
    EXPECT_FALSE(diff) << path << " differs first at " << diff->first << "," << diff->second;
}

// The file is the crop of the highlighted render, and the highlight changes nothing outside the
// crop (or the game would show it cut off). The game draws a hover picture while the mouse is in
// the reacting rectangle, so the picture has to reach that rectangle's right and bottom edges.
void expectHoverCrop(const Picture& plain, const Picture& lit, const Box& crop, const std::string& path,
                     const Box* reacts = nullptr) {
    SCOPED_TRACE(path);
    expectFileIs(path, lit.crop(crop));
    ASSERT_EQ(plain.width, lit.width);
    std::size_t inside = 0;
    for (int y = 0; y < plain.height; ++y)
        for (int x = 0; x < plain.width; ++x) {
            if (plain.at(x, y) == lit.at(x, y)) continue;
            ASSERT_TRUE(crop.contains(x, y)) << "highlight leaks out of its picture at " << x << "," << y;
            ++inside;
        }
    EXPECT_GT(inside, 100u) << "the highlight must be visible";
    if (reacts) {
        EXPECT_GE(crop.x1, reacts->x1);
        EXPECT_GE(crop.y1, reacts->y1);
    }
}

TEST(HoverPictures, MenuButtonsTickAndBadgesAreCropsOfTheirHighlightedMenu) {
    const Picture plain = renderMenu();
    expectFileIs("Data/Menu/Menu.bmp", plain);
    for (const MenuButton& b : menuButtons) expectHoverCrop(plain, renderMenu(b.element), b.picture, b.path, &b.reacts);
    expectHoverCrop(plain, renderMenu(MenuElement::None, true), musicTick, "Data/Menu/galka.bmp");
    for (int rank = 0; rank < 4; ++rank) {
        const Badge& b = badges.at(static_cast<std::size_t>(rank));
        expectHoverCrop(plain, renderMenu(MenuElement::None, false, rank), b.picture, b.path);
        EXPECT_LE(b.picture.height(), 72) << b.path;
    }
}

TEST(HoverPictures, EndButtonsYesAndNoAreCropsOfTheHighlightedBoardAndPanel) {
    for (const BoardLayout& b : boards) {
        const Picture plain = renderBoard(b);
        expectFileIs(b.fieldPath, plain);
        expectHoverCrop(plain, renderBoard(b, true), b.endPicture, b.endPath, &b.endReacts);
    }
    const Picture plain = renderLostPanel();
    expectFileIs("Data/Menu/Youloose.bmp", plain);
    expectHoverCrop(plain, renderLostPanel(LostElement::Yes), yesPicture, "Data/Menu/Ja.bmp", &yesReacts);
    expectHoverCrop(plain, renderLostPanel(LostElement::No), noPicture, "Data/Menu/Nein.bmp", &noReacts);
}

} // namespace
