// Pictures that are short, missing or broken: the boards, the menu and the lost dialog draw
// less, never read outside what was loaded, and play on.
#include "BoardTest.h"

#include "game/GameState.h"

#include <filesystem>

class BrokenDataTest : public BoardTest {
protected:
    // Replaces a generated picture by its top-left part; returns the part.
    Picture shorten(const std::string& path, int width, int height)
    {
        const Picture part = crop(picture(path), 0, 0, width, height);
        EXPECT_TRUE(plat::headless::writeFrameBmp((dir() / path).string(), frameOf(part)));
        return part;
    }

    // The 6x6 board into the lost dialog at the end of a path, the cursor away from the panel.
    void openLostDialog(Square start)
    {
        for (const Square s : deadEndPath(6, start))
            ASSERT_NO_FATAL_FAILURE(clickSquare(s));
        ASSERT_EQ(gameState.freeJumps, 0);
        ASSERT_NO_FATAL_FAILURE(moveTo(700, 580));
    }

    // "Ja" still starts a fresh board.
    void expectJaRestarts()
    {
        ASSERT_NO_FATAL_FAILURE(clickAt(JaButton.x, JaButton.y));
        ASSERT_TRUE(game->advance(2));
        EXPECT_EQ(std::tie(gameState.pieceX, gameState.score, gameState.leaveScreen), std::make_tuple(-1, 0, false));
        EXPECT_EQ(game->finish(), 0);
    }
};

TEST_F(BrokenDataTest, ShortPiecePanelMaskAndBoardPicturesDrawOnlyWhatTheyHold)
{
    // Nine frames of the piece instead of eighteen: the resting frame 17 is not there. The panel
    // ends inside the mask on the right, the mask inside the panel below. A board picture
    // smaller than the screen leaves part of the frame to what was there, so the dialog cannot
    // keep a ready-made copy of board and panel: it draws both in every frame.
    (void)shorten("Data/horse.bmp", 9 * 35, 35);
    const Picture panel = shorten("Data/Menu/Youloose.bmp", 300, 200);
    const Picture mask = shorten("Data/Menu/YLMask.bmp", 256, 256);
    const Picture board = shorten("Data/Field[6x6].bmp", 640, 480);
    ASSERT_NO_FATAL_FAILURE(enterBoard(Layout6x6));
    ASSERT_NO_FATAL_FAILURE(clickSquare(Square{0, 0}));
    ASSERT_NO_FATAL_FAILURE(waitForRest());
    const ScreenPoint at = Layout6x6.corner(Square{0, 0});
    EXPECT_EQ(comparePicture(game->frame(), crop(board, at.x, at.y, 35, 35), at.x, at.y, false, cursorArea()), "equal")
        << "the piece at rest";
    ASSERT_NO_FATAL_FAILURE(openLostDialog(Square{0, 0}));
    EXPECT_EQ(checkLostDialog(board, panel, mask), "ok");
    ASSERT_NO_FATAL_FAILURE(expectJaRestarts());
}

TEST_F(BrokenDataTest, MissingPanelBrokenMaskTruncatedStripAndMissingMenuPictureStillPlay)
{
    std::filesystem::remove(dir() / "Data/Menu/Youloose.bmp");
    std::filesystem::remove(dir() / "Data/Menu/6x6.bmp");
    writeFile("Data/Menu/YLMask.bmp", "BM this is no picture");
    const std::string strip = fileBytes("Data/horse.bmp");
    writeFile("Data/horse.bmp", strip.substr(0, strip.size() / 3));

    ASSERT_NO_FATAL_FAILURE(enterBoard(Layout6x6));
    ASSERT_NO_FATAL_FAILURE(openLostDialog(Square{0, 0}));
    // Without a panel the dialog shows the bare board; its buttons still answer.
    EXPECT_EQ(checkLostDialog(picture("Data/Field[6x6].bmp"), Picture{}, Picture{}, 0), "ok");
    ASSERT_NO_FATAL_FAILURE(clickAt(JaButton.x, JaButton.y));
    ASSERT_TRUE(game->advance(2));
    EXPECT_EQ(gameState.pieceX, -1);
    ASSERT_NO_FATAL_FAILURE(openLostDialog(Square{5, 0}));
    ASSERT_NO_FATAL_FAILURE(clickAt(NeinButton.x, NeinButton.y));
    EXPECT_TRUE(gameState.leaveScreen);
    EXPECT_EQ(game->finish(), 0);
}
