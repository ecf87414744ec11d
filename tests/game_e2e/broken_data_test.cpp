// Pictures that are short, missing or broken: the boards and the lost dialog draw less, never
// read outside what was loaded, and play on.
#include "BoardTest.h"

#include "game/GameState.h"

#include <filesystem>

namespace {
constexpr int PanelX = 144;
constexpr int PanelY = 44;
} // namespace

class BrokenDataTest : public BoardTest {
protected:
    // The lost dialog's first frame on the 6x6 board after the path's jumps.
    void openLostDialog(const std::vector<Cell2>& path)
    {
        ASSERT_FALSE(path.empty());
        for (Cell2 s : path)
            ASSERT_NO_FATAL_FAILURE(clickSquare(s));
        ASSERT_EQ(gameState.freeJumps, 0);
        ASSERT_EQ(gameState.pieceX, path.back().x);
    }

    // "Ja" still starts a fresh board.
    void expectJaRestarts()
    {
        ASSERT_NO_FATAL_FAILURE(clickAt(JaButton.x, JaButton.y));
        ASSERT_TRUE(game->advance(2));
        EXPECT_EQ(gameState.pieceX, -1);
        EXPECT_EQ(gameState.score, 0);
        EXPECT_FALSE(gameState.leaveScreen);
    }

    // Pixels of the panel's area that show the bare board / the panel picture.
    struct PanelCount {
        int board = 0;
        int panel = 0;
        int other = 0;
    };
    PanelCount countPanel(const Area& area, const Picture& panel)
    {
        const Picture& board = picture("Data/Field[6x6].bmp");
        const Area cursor = cursorArea();
        PanelCount c;
        for (int y = area.top; y < area.bottom && y < 600; ++y)
            for (int x = area.left; x < area.right && x < 800; ++x) {
                if (cursor.contains(x, y))
                    continue;
                const uint32_t got = game->frame().pixel(x, y);
                const int px = x - PanelX, py = y - PanelY;
                if (got == board.at(x, y))
                    ++c.board;
                else if (px < panel.width && py < panel.height && got == panel.at(px, py))
                    ++c.panel;
                else
                    ++c.other;
            }
        return c;
    }
};

TEST_F(BrokenDataTest, ShortPieceStripDrawsOnlyTheFramesItHolds)
{
    // Nine frames of the piece instead of eighteen: the arriving frames from 9 and the resting
    // frame 17 are not there.
    const Picture strip = crop(picture("Data/horse.bmp"), 0, 0, 9 * 35, 35);
    writePictureBmp((dir() / "Data/horse.bmp").string(), strip);

    ASSERT_NO_FATAL_FAILURE(enter6x6());
    ASSERT_NO_FATAL_FAILURE(playSquare(Cell2{0, 0}));
    ASSERT_NO_FATAL_FAILURE(waitForRest());
    // At rest the piece's square shows the bare board: frame 17 is missing.
    const Cell2 at = model.layout.corner(Cell2{0, 0});
    EXPECT_EQ(describe(comparePicture(game->frame(), crop(picture("Data/Field[6x6].bmp"), at.x, at.y, 35, 35), at.x,
                                      at.y, CompareOptions().skipping(cursorArea()))),
              "equal");

    ASSERT_NO_FATAL_FAILURE(game->finish());
}

TEST_F(BrokenDataTest, SmallPanelOverFullMaskIsDrawnWithinItsOwnSize)
{
    const Picture panel = crop(picture("Data/Menu/Youloose.bmp"), 0, 0, 300, 200);
    writePictureBmp((dir() / "Data/Menu/Youloose.bmp").string(), panel);
    ASSERT_NO_FATAL_FAILURE(enter6x6());
    ASSERT_NO_FATAL_FAILURE(openLostDialog(deadEndPath(6, Cell2{0, 0})));
    ASSERT_NO_FATAL_FAILURE(moveTo(700, 580));
    const PanelCount inside = countPanel(Area{PanelX, PanelY, PanelX + 300, PanelY + 200}, panel);
    EXPECT_GT(inside.panel, 1000) << "the panel shows where it has pixels";
    const PanelCount below = countPanel(Area{PanelX, PanelY + 200, PanelX + 512, 600}, panel);
    EXPECT_EQ(below.panel + below.other, 0) << "nothing of the panel below its own height";
    ASSERT_NO_FATAL_FAILURE(expectJaRestarts());
    ASSERT_NO_FATAL_FAILURE(game->finish());
}

TEST_F(BrokenDataTest, SmallMaskUnderFullPanelShowsThePanelOnlyWhereTheMaskReaches)
{
    const Picture mask = crop(picture("Data/Menu/YLMask.bmp"), 0, 0, 256, 256);
    writePictureBmp((dir() / "Data/Menu/YLMask.bmp").string(), mask);
    ASSERT_NO_FATAL_FAILURE(enter6x6());
    ASSERT_NO_FATAL_FAILURE(openLostDialog(deadEndPath(6, Cell2{0, 0})));
    ASSERT_NO_FATAL_FAILURE(moveTo(700, 580));
    const Picture& panel = picture("Data/Menu/Youloose.bmp");
    const PanelCount right = countPanel(Area{PanelX + 256, PanelY, PanelX + 512, PanelY + 512}, panel);
    const PanelCount below = countPanel(Area{PanelX, PanelY + 256, PanelX + 256, PanelY + 512}, panel);
    EXPECT_EQ(right.panel + right.other + below.panel + below.other, 0) << "no opacity beyond the mask";
    ASSERT_NO_FATAL_FAILURE(expectJaRestarts());
    ASSERT_NO_FATAL_FAILURE(game->finish());
}

TEST_F(BrokenDataTest, MissingPanelAndBrokenMaskAndTruncatedStripStillPlay)
{
    std::filesystem::remove(dir() / "Data/Menu/Youloose.bmp");
    writeFile("Data/Menu/YLMask.bmp", "BM this is no picture");
    const std::string strip = fileBytes("Data/horse.bmp");
    writeFile("Data/horse.bmp", strip.substr(0, strip.size() / 3));

    ASSERT_NO_FATAL_FAILURE(enter6x6());
    ASSERT_NO_FATAL_FAILURE(openLostDialog(deadEndPath(6, Cell2{0, 0})));
    ASSERT_NO_FATAL_FAILURE(moveTo(700, 580));
    // Without a panel the dialog shows the bare board; its buttons still answer.
    const PanelCount all = countPanel(Area{0, 0, 800, 600}, Picture{});
    EXPECT_EQ(all.other, 0);
    ASSERT_NO_FATAL_FAILURE(expectJaRestarts());
    ASSERT_NO_FATAL_FAILURE(openLostDialog(deadEndPath(6, Cell2{5, 0})));
    ASSERT_NO_FATAL_FAILURE(clickAt(NeinButton.x, NeinButton.y));
    EXPECT_TRUE(gameState.leaveScreen);
    ASSERT_NO_FATAL_FAILURE(game->finish());
}

TEST_F(BrokenDataTest, BoardPictureSmallerThanTheScreenStillShowsThePanelOverIt)
{
    // The dialog cannot keep a ready-made copy of board and panel here (the picture leaves part
    // of the frame to what was there): it draws both in every frame.
    const Picture board = crop(picture("Data/Field[6x6].bmp"), 0, 0, 640, 480);
    writePictureBmp((dir() / "Data/Field[6x6].bmp").string(), board);
    ASSERT_NO_FATAL_FAILURE(enter6x6());
    ASSERT_NO_FATAL_FAILURE(openLostDialog(deadEndPath(6, Cell2{0, 0})));
    ASSERT_NO_FATAL_FAILURE(moveTo(700, 580));
    const Picture& panel = picture("Data/Menu/Youloose.bmp");
    const Picture& mask = picture("Data/Menu/YLMask.bmp");
    int opaque = 0, clear = 0, bad = 0;
    for (int y = 0; y < mask.height && PanelY + y < 480; ++y)
        for (int x = 0; x < mask.width && PanelX + x < 640; ++x) {
            const uint32_t got = game->frame().pixel(PanelX + x, PanelY + y);
            if (mask.at(x, y) == 0xFFFF) {
                ++opaque;
                bad += got != panel.at(x, y);
            } else if (mask.at(x, y) == 0) {
                ++clear;
                bad += got != board.at(PanelX + x, PanelY + y);
            }
        }
    EXPECT_GT(opaque, 1000);
    EXPECT_GT(clear, 100);
    EXPECT_EQ(bad, 0);
    ASSERT_NO_FATAL_FAILURE(expectJaRestarts());
    ASSERT_NO_FATAL_FAILURE(game->finish());
}
