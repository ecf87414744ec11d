// A whole 6x6 board played by clicks to the won screen, back to the menu with the new rank.
#include "BoardTest.h"

#include "game/GameState.h"
#include "game/Globals.h"

using TourTest = BoardTest;

TEST_F(TourTest, FullTourOf6x6ByClicksWinsRankOne)
{
    const std::vector<Square> tour = knightsTour(6, Square{0, 0});
    ASSERT_EQ(tour.size(), 36u);
    ASSERT_NO_FATAL_FAILURE(enterBoard(Layout6x6));
    EXPECT_EQ(soundPlays(startSound), 1) << "the board button plays the start sound";
    EXPECT_EQ(checkBoardFrame(), "ok") << "a fresh board shows no piece, mark or hint";

    for (size_t i = 0; i + 1 < tour.size(); ++i) {
        SCOPED_TRACE("click " + std::to_string(i + 1));
        ASSERT_NO_FATAL_FAILURE(playSquare(tour[i]));
        EXPECT_EQ(gameState.score, static_cast<int>(i + 1));
        EXPECT_EQ(soundPlays(clickSound), static_cast<int>(i + 1));
        ASSERT_TRUE(gameState.animating);
        EXPECT_EQ(checkBoardFrame(), "ok");
        // Every frame of the first jumps; the first frame and the rest of the others.
        while (i < 3 && gameState.animating) {
            ASSERT_TRUE(game->advance(1));
            ASSERT_EQ(checkBoardFrame(), "ok") << "jump step " << gameState.jumpStep;
        }
        ASSERT_NO_FATAL_FAILURE(waitForRest());
        EXPECT_EQ(checkBoardFrame(), "ok");
        if (i == 1) { // the hint under the mouse is the highlighted one
            const ScreenPoint over = model.layout.centre(tour[i + 1]);
            ASSERT_NO_FATAL_FAILURE(moveTo(over.x, over.y));
            EXPECT_EQ(checkBoardFrame(), "ok");
        }
    }
    EXPECT_EQ(gameState.bestScore, 0) << "nothing raised the best score on the way";

    // The last square: the won screen comes in the same frame, without cursor, until a click.
    ASSERT_NO_FATAL_FAILURE(playSquare(tour.back(), 1));
    EXPECT_EQ(gameState.score, 36);
    EXPECT_EQ(soundPlays(clickSound), 36);
    EXPECT_EQ(gameState.bestScore, 36) << "a full board raises the best score";
    EXPECT_EQ(comparePicture(game->frame(), picture("Data/Congratulaions.bmp"), 0, 0), "equal");
    ASSERT_TRUE(game->advance(20));
    EXPECT_EQ(comparePicture(game->frame(), picture("Data/Congratulaions.bmp"), 0, 0), "equal");
    // Stored as the board is won, so an end on the won screen cannot lose it.
    EXPECT_EQ(fileBytes("Data/results.dat"), "1\r\n");

    ASSERT_NO_FATAL_FAILURE(clickAt(400, 300));
    // Fade-out, fade-in, then the menu with the rank-1 badge and the new best score.
    ASSERT_TRUE(game->advance(51 + 64 + 2));
    ASSERT_NO_FATAL_FAILURE(moveTo(700, 550));
    EXPECT_EQ(shows("Data/Menu/man.bmp", 420, 97), "equal");
    EXPECT_EQ(compareScoreLine("Highscore:36"), "equal");
    EXPECT_EQ(quitWithQ(), 0);
    EXPECT_EQ(fileBytes("Data/scores.dat"), scoresFileBytes(36));
}

TEST_F(TourTest, Winning6x6AfterRankThreeLeavesRankOne)
{
    writeFile("Data/results.dat", "3\r\n");
    const std::vector<Square> tour = knightsTour(6, Square{2, 3});
    ASSERT_EQ(tour.size(), 36u);
    ASSERT_NO_FATAL_FAILURE(enterBoard(Layout6x6));
    EXPECT_EQ(gameState.rankLevel, 3);
    for (const Square s : tour)
        ASSERT_NO_FATAL_FAILURE(clickSquare(s));
    ASSERT_NO_FATAL_FAILURE(clickAt(400, 300));
    EXPECT_EQ(gameState.rankLevel, 1);
    EXPECT_EQ(fileBytes("Data/results.dat"), "1\r\n");
    EXPECT_EQ(game->finish(), 0);
}
