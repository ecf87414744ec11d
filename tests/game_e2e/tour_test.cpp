// A whole 6x6 board played by clicks to the won screen, back to the menu with the new rank.
#include "BoardTest.h"

#include "game/GameState.h"
#include "game/Globals.h"
#include "game/RankFile.h"

namespace {
constexpr Cell2 TourStart{0, 0};
}

using TourTest = BoardTest;

TEST_F(TourTest, FullTourOf6x6ByClicksWinsRankOne)
{
    const std::vector<Cell2> tour = knightsTour(6, TourStart);
    ASSERT_EQ(tour.size(), 36u);
    ASSERT_NO_FATAL_FAILURE(enter6x6());
    EXPECT_EQ(checkBoardFrame(), "ok") << "a fresh board shows no piece, mark or hint";

    for (std::size_t i = 0; i + 1 < tour.size(); ++i) {
        SCOPED_TRACE("click " + std::to_string(i + 1));
        ASSERT_NO_FATAL_FAILURE(playSquare(tour[i]));
        EXPECT_EQ(gameState.score, static_cast<int>(i + 1));
        EXPECT_EQ(soundPlays(clickSound), static_cast<int>(i + 1));
        ASSERT_TRUE(gameState.animating);
        EXPECT_EQ(checkBoardFrame(), "ok");
        // Every frame of the first jumps, the first frame and the rest of the others.
        if (i < 3) {
            while (gameState.animating) {
                ASSERT_TRUE(game->advance(1));
                ASSERT_EQ(checkBoardFrame(), "ok") << "jump step " << gameState.jumpStep;
            }
        }
        ASSERT_NO_FATAL_FAILURE(waitForRest());
        EXPECT_EQ(checkBoardFrame(), "ok");
        if (i == 1) {
            // The hint under the mouse is the highlighted one.
            const Cell2 over = model.layout.centre(tour[i + 1]);
            ASSERT_NO_FATAL_FAILURE(moveTo(over.x, over.y));
            ASSERT_EQ(gameState.hoverX, tour[i + 1].x);
            EXPECT_EQ(checkBoardFrame(), "ok");
        }
    }
    EXPECT_EQ(gameState.bestScore, 0) << "nothing raised the best score on the way";

    // The last square: the won screen comes in the same frame, without cursor.
    const Cell2 last = model.layout.centre(tour.back());
    plat::headless::clickAt(last.x, last.y);
    ASSERT_TRUE(game->advance(1));
    EXPECT_EQ(gameState.score, 36);
    EXPECT_EQ(soundPlays(clickSound), 36);
    EXPECT_EQ(gameState.bestScore, 36) << "a full board raises the best score";
    EXPECT_EQ(describe(comparePicture(game->frame(), picture("Data/Congratulaions.bmp"), 0, 0)), "equal");
    ASSERT_TRUE(game->advance(20));
    EXPECT_EQ(describe(comparePicture(game->frame(), picture("Data/Congratulaions.bmp"), 0, 0)), "equal")
        << "the picture stays until a click";
    EXPECT_FALSE(std::filesystem::exists(dir() / "Data/results.dat"));

    ASSERT_NO_FATAL_FAILURE(clickAt(400, 300));
    EXPECT_EQ(fileBytes("Data/results.dat"), "1\r\n");
    EXPECT_EQ(gameState.rankLevel, 1);
    // Fade-out, fade-in, then the menu with the rank-1 badge and the new best score.
    ASSERT_TRUE(game->advance(51 + 64 + 2));
    ASSERT_NO_FATAL_FAILURE(moveTo(700, 550));
    EXPECT_EQ(describe(comparePicture(game->frame(), picture("Data/Menu/man.bmp"), 420, 97)), "equal");
    EXPECT_EQ(compareScoreLine("Highscore:36"), "equal");
    EXPECT_EQ(quitWithQ(), 0);
    EXPECT_EQ(fileBytes("Data/scores.dat"), scoresFileBytes(36));
}

TEST_F(TourTest, Winning6x6AfterRankThreeLeavesRankOne)
{
    writeFile("Data/results.dat", "3\r\n");
    const std::vector<Cell2> tour = knightsTour(6, Cell2{2, 3});
    ASSERT_EQ(tour.size(), 36u);
    ASSERT_NO_FATAL_FAILURE(enter6x6());
    EXPECT_EQ(gameState.rankLevel, 3);
    for (Cell2 s : tour)
        ASSERT_NO_FATAL_FAILURE(clickSquare(s));
    EXPECT_EQ(describe(comparePicture(game->frame(), picture("Data/Congratulaions.bmp"), 0, 0)), "equal");
    ASSERT_NO_FATAL_FAILURE(clickAt(400, 300));
    EXPECT_EQ(gameState.rankLevel, 1);
    EXPECT_EQ(fileBytes("Data/results.dat"), "1\r\n");
    ASSERT_TRUE(game->advance(51 + 64 + 2));
    ASSERT_NO_FATAL_FAILURE(moveTo(700, 550));
    EXPECT_EQ(describe(comparePicture(game->frame(), picture("Data/Menu/man.bmp"), 420, 97)), "equal");
    EXPECT_EQ(quitWithQ(), 0);
}
