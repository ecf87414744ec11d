// What every board loop shares, per size: the rest while the window is inactive, the end
// button's picture under the mouse, the best score following the score there, F1 elsewhere
// doing nothing, and the way out over the button.
#include "BoardTest.h"

#include "game/GameState.h"
#include "platform/headless/input.h"
#include "platform/headless/window.h"

#include <ostream>

namespace {
struct EndButton {
    LayoutModel layout;
    ScreenPoint over;    // a point inside the button
    const char* picture; // the 6x6 and 8x8 boards show each other's named picture
    int pictureX, pictureY;
    bool leaveByF1; // else by a click
};

void PrintTo(const EndButton& b, std::ostream* out) { *out << b.layout.n << "x" << b.layout.n; }
} // namespace

class BoardsTest : public BoardTest, public ::testing::WithParamInterface<EndButton> {};

TEST_P(BoardsTest, InactiveRestEndButtonAndWayOut)
{
    const EndButton& b = GetParam();
    ASSERT_NO_FATAL_FAILURE(enterBoard(b.layout));
    ASSERT_TRUE(game->advance(1));
    const uint32_t before = game->frame().tick;
    ASSERT_TRUE(game->advance(1));
    EXPECT_EQ(game->frame().tick - before, 16u) << "an active frame costs the present's 16 ms";
    // One pass inactive, then active again: the focus coming back ends that pass's wait at once.
    plat::headless::setWindowActive(false);
    plat::headless::setWindowActive(true);
    const uint32_t active = game->frame().tick;
    ASSERT_TRUE(game->advance(1));
    EXPECT_EQ(game->frame().tick - active, 16u);

    // Not under the mouse: the board picture's own button.
    const Picture& endPicture = picture(b.picture);
    ASSERT_NO_FATAL_FAILURE(moveTo(700, 300));
    EXPECT_EQ(comparePicture(game->frame(),
                             crop(picture(boardPicturePath()), b.pictureX, b.pictureY, endPicture.width,
                                  endPicture.height),
                             b.pictureX, b.pictureY),
              "equal");
    // Points on the board, then F1 away from the button: nothing happens.
    ASSERT_NO_FATAL_FAILURE(playSquare(Square{1, 1}));
    ASSERT_NO_FATAL_FAILURE(playSquare(Square{3, 2}));
    EXPECT_EQ(std::tie(gameState.score, gameState.bestScore), std::make_tuple(2, 0));
    holdKey("F1");
    ASSERT_TRUE(game->advance(5));
    EXPECT_FALSE(gameState.leaveScreen);
    releaseKey("F1");

    // Over the button: its picture, and the best score follows the score before any click.
    ASSERT_NO_FATAL_FAILURE(moveTo(b.over.x, b.over.y));
    EXPECT_EQ(shows(b.picture, b.pictureX, b.pictureY), "equal");
    EXPECT_EQ(std::tie(gameState.bestScore, gameState.leaveScreen), std::make_tuple(2, false));
    if (b.leaveByF1)
        holdKey("F1");
    else
        plat::headless::clickAt(b.over.x, b.over.y);
    ASSERT_TRUE(game->waitUntil([](const auto&) { return gameState.leaveScreen; }, 5)) << "the button leaves";
    EXPECT_EQ(std::tie(gameState.pieceX, gameState.score), std::make_tuple(3, 2)) << "the board is left as it was";
    if (b.leaveByF1)
        releaseKey("F1");
    ASSERT_TRUE(waitForMenu());
    EXPECT_EQ(quitWithQ(), 0);
    EXPECT_EQ(fileBytes("Data/scores.dat"), scoresFileBytes(2));
}

INSTANTIATE_TEST_SUITE_P(Sizes, BoardsTest,
                         ::testing::Values(EndButton{Layout6x6, {380, 530}, "Data/end[8x8].bmp", 236, 497, false},
                                           EndButton{Layout8x8, {300, 480}, "Data/end[6x6].bmp", 166, 445, false},
                                           EndButton{Layout10x10, {500, 560}, "Data/end[10x10].bmp", 314, 500, true}),
                         [](const auto& info) { return "Board" + std::to_string(info.param.layout.n); });
