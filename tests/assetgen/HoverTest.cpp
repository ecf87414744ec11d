// Hover pictures and badges are crops of full renders: they must sit exactly on their background.
#include <gtest/gtest.h>

#include <vector>

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
            if (reacts) {
                ASSERT_TRUE(reacts->contains(x, y)) << "highlight outside what reacts at " << x << "," << y;
            }
            ++inside;
        }
    EXPECT_GT(inside, 100u) << "the highlight must be visible";
    if (reacts) {
        EXPECT_GE(crop.x1, reacts->x1);
        EXPECT_GE(crop.y1, reacts->y1);
    }
}

// The plaques' wooden frame: dark and red-brown, unlike the navy ground, the parchment and shadows.
bool isPlaqueFrame(Rgb c) { return c.r >= 2 * c.b && c.r > 24 && 0.3 * c.r + 0.59 * c.g + 0.11 * c.b < 130; }

// What looks clickable is what reacts: across the middle of each edge the plaque's frame starts
// exactly on the rectangle, and outside it there is no plaque unless another button reacts there.
void expectPlaquesFillTheirRectangles(const Picture& render, const std::vector<Box>& reacts) {
    for (const Box& r : reacts) {
        const int mx = (r.x0 + r.x1) / 2, my = (r.y0 + r.y1) / 2;
        const std::pair<int, int> inside[] = {{r.x0, my}, {r.x1 - 1, my}, {mx, r.y0}, {mx, r.y1 - 1}};
        const std::pair<int, int> outside[] = {{r.x0 - 2, my}, {r.x1 + 1, my}, {mx, r.y0 - 2}, {mx, r.y1 + 1}};
        for (int i = 0; i < 4; ++i) {
            const auto [ix, iy] = inside[i];
            const auto [ox, oy] = outside[i];
            EXPECT_TRUE(isPlaqueFrame(render.at(ix, iy))) << "no plaque at " << ix << "," << iy;
            if (ox < 0 || oy < 0 || ox >= render.width || oy >= render.height) continue;
            bool neighbour = false;
            for (const Box& other : reacts) neighbour |= other.contains(ox, oy);
            EXPECT_EQ(isPlaqueFrame(render.at(ox, oy)), neighbour) << "outside at " << ox << "," << oy;
        }
    }
}

TEST(HoverPictures, EveryPlaqueFillsExactlyItsReactiveRectangle) {
    std::vector<Box> menu;
    for (const MenuButton& b : menuButtons) menu.push_back(b.reacts);
    expectPlaquesFillTheirRectangles(renderMenu(MenuElement::None, true), menu);
    for (const BoardLayout& b : boards) expectPlaquesFillTheirRectangles(renderBoard(b), {b.endReacts});
    expectPlaquesFillTheirRectangles(renderLostPanel(), {yesReacts, noReacts});
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
