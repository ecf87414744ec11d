// The lost dialog end to end: it opens in the frame of the jump that leaves no free target,
// draws its panel through the mask, and "Ja" / "Nein" do what they say on each board.
#include "BoardTest.h"

#include "game/GameState.h"
#include "game/Globals.h"
#include "game/LostDialog.h"

namespace {
constexpr int PanelX = 144;
constexpr int PanelY = 44;
} // namespace

class LostDialogTest : public BoardTest {
protected:
    // Plays the path up to its last jump, then that jump with one frame: the dialog's first.
    void playIntoDeadEnd(const std::vector<Cell2>& path)
    {
        ASSERT_GE(path.size(), 2u);
        for (std::size_t i = 0; i + 1 < path.size(); ++i)
            ASSERT_NO_FATAL_FAILURE(playSquare(path[i]));
        const Cell2 last = model.layout.centre(path.back());
        model.previous = model.piece;
        model.piece = path.back();
        model.visited[static_cast<std::size_t>(path.back().y * model.layout.n + path.back().x)] = true;
        plat::headless::clickAt(last.x, last.y);
        ASSERT_TRUE(game->advance(1));
    }

    // The panel against the board picture and the panel picture through the mask: where the
    // mask is opaque the panel shows, where it is clear the bare board.
    void expectPanelOverBoard()
    {
        const Picture& board = picture(boardPicturePath());
        const Picture& panel = picture("Data/Menu/Youloose.bmp");
        const Picture& mask = picture("Data/Menu/YLMask.bmp");
        ASSERT_EQ(panel.width, mask.width);
        ASSERT_EQ(panel.height, mask.height);
        const Area cursor = cursorArea();
        int opaque = 0, clear = 0, bad = 0;
        for (int y = 0; y < panel.height; ++y) {
            for (int x = 0; x < panel.width; ++x) {
                const int sx = PanelX + x, sy = PanelY + y;
                if (sx >= 800 || sy >= 600 || cursor.contains(sx, sy))
                    continue;
                // The mask's grey level: its three channels agree, green has the finest steps.
                const uint16_t m = mask.at(x, y);
                const uint32_t got = game->frame().pixel(sx, sy);
                if (m == 0xFFFF) {
                    ++opaque;
                    bad += got != panel.at(x, y);
                } else if (m == 0) {
                    ++clear;
                    bad += got != board.at(sx, sy);
                }
            }
        }
        EXPECT_GT(opaque, 1000);
        EXPECT_GT(clear, 1000);
        EXPECT_EQ(bad, 0);
        // Outside the panel only the board picture: no piece, marks or hints.
        EXPECT_EQ(describe(comparePicture(game->frame(), crop(board, 0, 0, PanelX, 600), 0, 0,
                                          CompareOptions().skipping(cursor))),
                  "equal");
    }
};

TEST_F(LostDialogTest, DeadEndOn6x6OpensInThatFrameAndJaStartsAFreshBoard)
{
    const std::vector<Cell2> path = deadEndPath(6, Cell2{0, 0});
    ASSERT_FALSE(path.empty());
    ASSERT_NO_FATAL_FAILURE(enter6x6());
    ASSERT_NO_FATAL_FAILURE(playIntoDeadEnd(path));
    EXPECT_EQ(gameState.score, static_cast<int>(path.size()));
    EXPECT_EQ(gameState.pieceX, path.back().x);
    EXPECT_EQ(gameState.pieceY, path.back().y);
    ASSERT_NO_FATAL_FAILURE(expectPanelOverBoard());
    EXPECT_EQ(gameState.bestScore, static_cast<int>(path.size())) << "the dialog raises the best score";

    // Hovering "Ja" shows its picture; a click outside both buttons does nothing.
    ASSERT_NO_FATAL_FAILURE(moveTo(JaButton.x, JaButton.y));
    EXPECT_EQ(describe(comparePicture(game->frame(), picture("Data/Menu/Ja.bmp"), 253, 398,
                                      CompareOptions().skipping(cursorArea()))),
              "equal");
    ASSERT_NO_FATAL_FAILURE(clickAt(200, 200));
    ASSERT_NO_FATAL_FAILURE(expectPanelOverBoard());
    EXPECT_EQ(gameState.pieceX, path.back().x);

    // "Ja" pressed and held: the button lies over a square of the 6x6 board, yet the fresh
    // board takes no click from it.
    ASSERT_NO_FATAL_FAILURE(moveTo(JaButton.x, JaButton.y));
    plat::headless::pressButton(plat::headless::MouseButton::Left);
    ASSERT_TRUE(game->advance(6));
    EXPECT_EQ(gameState.pieceX, -1);
    EXPECT_EQ(gameState.score, 0);
    EXPECT_FALSE(gameState.leaveScreen);
    model = Model{Layout6x6, std::vector<bool>(36), {}, {}};
    EXPECT_EQ(checkBoardFrame(), "ok");
    plat::headless::releaseButton(plat::headless::MouseButton::Left);
    ASSERT_TRUE(game->advance(3));
    EXPECT_EQ(gameState.pieceX, -1);

    // The same board plays on, and the dialog comes again at the next dead end.
    ASSERT_NO_FATAL_FAILURE(playIntoDeadEnd(path));
    ASSERT_NO_FATAL_FAILURE(expectPanelOverBoard());
    EXPECT_EQ(gameState.score, static_cast<int>(path.size()));
    holdKey("Q");
    ASSERT_TRUE(game->advance(3));
    EXPECT_FALSE(gameState.leaveScreen) << "Q does nothing in the dialog";
    releaseKey("Q");
    EXPECT_EQ(game->finish(), 0) << "the window's end closes the dialog, the board and the menu";
}

TEST_F(LostDialogTest, NeinFadesBackToTheMenu)
{
    const std::vector<Cell2> path = deadEndPath(6, Cell2{5, 5});
    ASSERT_FALSE(path.empty());
    ASSERT_NO_FATAL_FAILURE(enter6x6());
    ASSERT_NO_FATAL_FAILURE(playIntoDeadEnd(path));
    ASSERT_NO_FATAL_FAILURE(moveTo(NeinButton.x, NeinButton.y));
    EXPECT_EQ(describe(comparePicture(game->frame(), picture("Data/Menu/Nein.bmp"), 420, 394,
                                      CompareOptions().skipping(cursorArea()))),
              "equal");
    ASSERT_NO_FATAL_FAILURE(clickAt(NeinButton.x, NeinButton.y));
    EXPECT_TRUE(gameState.leaveScreen);
    // The board's frame is finished, then it fades out (51 frames) and the menu fades in (64).
    const uint64_t clicked = game->frameNumber();
    const Picture& menu = picture("Data/Menu/Menu.bmp");
    ASSERT_TRUE(game->waitUntil(
        [&](const auto& f) {
            return !comparePicture(f, menu, 0, 0, CompareOptions().within(Area{0, 0, 200, 150}));
        },
        200));
    EXPECT_GE(game->frameNumber() - clicked, 51u + 64u);
    EXPECT_EQ(gameState.bestScore, static_cast<int>(path.size()));
    EXPECT_EQ(quitWithQ(), 0);
    EXPECT_EQ(fileBytes("Data/scores.dat"), scoresFileBytes(static_cast<int>(path.size())));
}

TEST_F(LostDialogTest, JaOn8x8KeepsTheScore)
{
    const std::vector<Cell2> path = deadEndPath(8, Cell2{0, 0});
    ASSERT_FALSE(path.empty());
    ASSERT_NO_FATAL_FAILURE(enter8x8());
    ASSERT_NO_FATAL_FAILURE(playIntoDeadEnd(path));
    ASSERT_NO_FATAL_FAILURE(expectPanelOverBoard());
    const int points = static_cast<int>(path.size());
    EXPECT_EQ(gameState.score, points);
    ASSERT_NO_FATAL_FAILURE(clickAt(JaButton.x, JaButton.y));
    ASSERT_TRUE(game->advance(2));
    EXPECT_EQ(gameState.pieceX, -1);
    EXPECT_EQ(gameState.score, points) << "a restart of the 8x8 board keeps the points";
    model = Model{Layout8x8, std::vector<bool>(64), {}, {}};
    EXPECT_EQ(checkBoardFrame(), "ok");
    ASSERT_NO_FATAL_FAILURE(playSquare(Cell2{3, 3}));
    EXPECT_EQ(gameState.score, points + 1);
    EXPECT_EQ(game->finish(), 0);
}
