// Hover pictures and badges are crops of full renders: they must sit exactly on their background.
#include <gtest/gtest.h>


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

TEST(HoverPictures, MenuButtonsAreCropsOfTheirHighlightedRender) {
    const Picture plain = renderMenu();
    EXPECT_FALSE(firstDifference(load("Data/Menu/Menu.bmp"), plain));
    for (const MenuButton& b : menuButtons) {
        SCOPED_TRACE(b.path);
        const Picture lit = renderMenu(b.element);
        const auto diff = firstDifference(load(b.path), lit.crop(b.picture)); // (-1,-1): sizes differ
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

} // namespace
