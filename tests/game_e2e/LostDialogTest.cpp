// The lost dialog end to end: it opens in the frame of the jump that leaves no free target,
// draws its panel through the mask, and "Ja" / "Nein" do what they say on each board.
#include "BoardTest.h"

#include "game/GameState.h"
#include "platform/headless/input.h"

class LostDialogTest : public BoardTest {
protected:
    // Plays the path, its last jump with one frame only: the dialog's first.
    void playIntoDeadEnd(const std::vector<Square>& path)
    {
        ASSERT_GE(path.size(), 2u);
        for (size_t i = 0; i < path.size(); ++i)
            ASSERT_NO_FATAL_FAILURE(playSquare(path[i], i + 1 < path.size() ? 2 : 1));
        ASSERT_EQ(gameState.score, static_cast<int>(path.size()));
    }
};

TEST_F(LostDialogTest, DeadEndOn6x6OpensInThatFrameAndJaStartsAFreshBoard)
{
    const std::vector<Square> path = deadEndPath(6, Square{0, 0});
    ASSERT_NO_FATAL_FAILURE(enterBoard(Layout6x6));
    ASSERT_NO_FATAL_FAILURE(playIntoDeadEnd(path));
    EXPECT_EQ(checkLostDialog(), "ok");
    EXPECT_EQ(gameState.bestScore, static_cast<int>(path.size())) << "the dialog raises the best score";

    // Hovering "Ja" shows its picture; a click outside both buttons and Q do nothing.
    ASSERT_NO_FATAL_FAILURE(moveTo(JaButton.x, JaButton.y));
    EXPECT_EQ(shows("Data/Menu/Ja.bmp", 253, 398), "equal");
    ASSERT_NO_FATAL_FAILURE(clickAt(200, 200));
    holdKey("Q");
    ASSERT_TRUE(game->advance(3));
    releaseKey("Q");
    EXPECT_FALSE(gameState.leaveScreen);
    EXPECT_EQ(checkLostDialog(), "ok");

    // "Ja" pressed and held: the button lies over a square of the 6x6 board, yet the fresh
    // board takes no click from it.
    ASSERT_NO_FATAL_FAILURE(moveTo(JaButton.x, JaButton.y));
    plat::headless::pressButton(plat::headless::MouseButton::Left);
    ASSERT_TRUE(game->advance(6));
    EXPECT_EQ(std::tie(gameState.pieceX, gameState.score, gameState.leaveScreen), std::make_tuple(-1, 0, false));
    model.reset(Layout6x6);
    EXPECT_EQ(checkBoardFrame(), "ok");
    plat::headless::releaseButton(plat::headless::MouseButton::Left);
    ASSERT_TRUE(game->advance(3));
    EXPECT_EQ(gameState.pieceX, -1);

    // The same board plays on, and the dialog comes again at the next dead end.
    ASSERT_NO_FATAL_FAILURE(playIntoDeadEnd(path));
    EXPECT_EQ(checkLostDialog(), "ok");
    EXPECT_EQ(game->finish(), 0) << "the window's end closes the dialog, the board and the menu";
    EXPECT_EQ(fileBytes("Data/scores.dat"), scoresFileBytes(static_cast<int>(path.size())));
}

TEST_F(LostDialogTest, NeinFadesBackToTheMenu)
{
    const std::vector<Square> path = deadEndPath(6, Square{5, 5});
    ASSERT_NO_FATAL_FAILURE(enterBoard(Layout6x6));
    ASSERT_NO_FATAL_FAILURE(playIntoDeadEnd(path));
    ASSERT_NO_FATAL_FAILURE(moveTo(NeinButton.x, NeinButton.y));
    EXPECT_EQ(shows("Data/Menu/Nein.bmp", 420, 394), "equal");
    ASSERT_NO_FATAL_FAILURE(clickAt(NeinButton.x, NeinButton.y));
    EXPECT_TRUE(gameState.leaveScreen);
    // The board's frame is finished, then it fades out (51 frames) and the menu fades in (64).
    const uint64_t clicked = game->frameNumber();
    ASSERT_TRUE(waitForMenu());
    EXPECT_GE(game->frameNumber() - clicked, 51u + 64u);
    EXPECT_EQ(quitWithQ(), 0);
}

TEST_F(LostDialogTest, JaOn8x8KeepsTheScore)
{
    const std::vector<Square> path = deadEndPath(8, Square{0, 0});
    ASSERT_NO_FATAL_FAILURE(enterBoard(Layout8x8));
    ASSERT_NO_FATAL_FAILURE(playIntoDeadEnd(path));
    EXPECT_EQ(checkLostDialog(), "ok");
    const int points = static_cast<int>(path.size());
    ASSERT_NO_FATAL_FAILURE(clickAt(JaButton.x, JaButton.y));
    ASSERT_TRUE(game->advance(2));
    EXPECT_EQ(std::tie(gameState.pieceX, gameState.score), std::make_tuple(-1, points)) << "8x8 keeps the points";
    model.reset(Layout8x8);
    EXPECT_EQ(checkBoardFrame(), "ok");
    ASSERT_NO_FATAL_FAILURE(playSquare(Square{3, 3}));
    EXPECT_EQ(gameState.score, points + 1);
    EXPECT_EQ(game->finish(), 0);
}
