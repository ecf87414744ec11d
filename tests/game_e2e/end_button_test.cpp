// The end button of the boards: its picture under the mouse, the best score following the
// score there, a click or F1 over it leaving the board, F1 elsewhere doing nothing.
#include "BoardTest.h"

#include "game/GameState.h"

namespace {
constexpr Point EndButton10x10{500, 560};
constexpr int EndPictureX = 314, EndPictureY = 500;
} // namespace

using EndButtonTest = BoardTest;

TEST_F(EndButtonTest, On10x10TheButtonHighlightsAndF1OverItLeaves)
{
    ASSERT_NO_FATAL_FAILURE(enter10x10());
    const Picture& endPicture = picture("Data/end[10x10].bmp");
    const Picture& board = picture("Data/Field[10x10].bmp");

    // Not under the mouse: the board picture's own button.
    ASSERT_NO_FATAL_FAILURE(moveTo(700, 300));
    EXPECT_EQ(describe(comparePicture(game->frame(), crop(board, EndPictureX, EndPictureY, endPicture.width, endPicture.height),
                                      EndPictureX, EndPictureY)),
              "equal");

    // Points on the board, then F1 away from the button: nothing happens.
    ASSERT_NO_FATAL_FAILURE(playSquare(Cell2{4, 4}));
    ASSERT_NO_FATAL_FAILURE(playSquare(Cell2{6, 5}));
    EXPECT_EQ(gameState.score, 2);
    EXPECT_EQ(gameState.bestScore, 0);
    holdKey("F1");
    ASSERT_TRUE(game->advance(5));
    EXPECT_FALSE(gameState.leaveScreen);
    EXPECT_EQ(gameState.pieceX, 6);
    releaseKey("F1");

    // Over the button: its picture, and the best score follows the score before any click.
    ASSERT_NO_FATAL_FAILURE(moveTo(EndButton10x10.x, EndButton10x10.y));
    EXPECT_EQ(describe(comparePicture(game->frame(), endPicture, EndPictureX, EndPictureY,
                                      CompareOptions().skipping(cursorArea()))),
              "equal");
    EXPECT_EQ(gameState.bestScore, 2);
    EXPECT_FALSE(gameState.leaveScreen);

    holdKey("F1");
    ASSERT_TRUE(game->waitUntil([](const auto&) { return gameState.leaveScreen; }, 5)) << "F1 over the button leaves";
    releaseKey("F1");
    const Picture& menu = picture("Data/Menu/Menu.bmp");
    ASSERT_TRUE(game->waitUntil(
        [&](const auto& f) { return !comparePicture(f, menu, 0, 0, CompareOptions().within(Area{0, 0, 200, 150})); },
        200));
    EXPECT_EQ(quitWithQ(), 0);
    EXPECT_EQ(fileBytes("Data/scores.dat"), scoresFileBytes(2));
}

TEST_F(EndButtonTest, ClickOnThe6x6EndButtonLeavesTheBoardUnchanged)
{
    ASSERT_NO_FATAL_FAILURE(enter6x6());
    const Picture& endPicture = picture("Data/end[8x8].bmp");
    ASSERT_NO_FATAL_FAILURE(playSquare(Cell2{1, 1}));
    ASSERT_NO_FATAL_FAILURE(moveTo(380, 530));
    EXPECT_EQ(describe(comparePicture(game->frame(), endPicture, 236, 497, CompareOptions().skipping(cursorArea()))),
              "equal");
    ASSERT_NO_FATAL_FAILURE(clickAt(380, 530));
    EXPECT_TRUE(gameState.leaveScreen);
    EXPECT_EQ(gameState.pieceX, 1);
    EXPECT_EQ(gameState.score, 1);
    EXPECT_EQ(game->finish(), 0);
}

TEST_F(EndButtonTest, The8x8BoardShowsTheEndPictureNamedFor6x6)
{
    ASSERT_NO_FATAL_FAILURE(enter8x8());
    ASSERT_NO_FATAL_FAILURE(moveTo(300, 480));
    EXPECT_EQ(describe(comparePicture(game->frame(), picture("Data/end[6x6].bmp"), 166, 445,
                                      CompareOptions().skipping(cursorArea()))),
              "equal");
    EXPECT_EQ(game->finish(), 0);
}
