// The board fixture's steps and its frame checks.
#include "BoardTest.h"

#include "game/GameState.h"
#include "platform/headless/input.h"

#include <algorithm>
#include <sstream>

namespace {
constexpr int PanelX = 144;
constexpr int PanelY = 44;
constexpr ScreenPoint MenuButtons[] = {{300, 200}, {300, 260}, {300, 320}};
} // namespace

void BoardTest::enterBoard(const LayoutModel& layout)
{
    model.reset(layout);
    ASSERT_NO_FATAL_FAILURE(startAtMenu());
    const ScreenPoint button = MenuButtons[static_cast<int>(layout.board)];
    ASSERT_NO_FATAL_FAILURE(clickAt(button.x, button.y));
    // The menu fades out, then the board is set up and its loop presents.
    ASSERT_TRUE(game->waitUntil([&](const auto&) { return gameState.extent == layout.extent; }, 200))
        << "the board did not start";
    ASSERT_EQ(gameState.pieceX, -1);
}

void BoardTest::clickSquare(Square square)
{
    const ScreenPoint c = model.layout.centre(square);
    ASSERT_NO_FATAL_FAILURE(clickAt(c.x, c.y));
}

void BoardTest::playSquare(Square square, int frames)
{
    if (model.piece) {
        ASSERT_TRUE(knightMove(*model.piece, square));
        model.previous = model.piece;
    }
    model.piece = square;
    model.visited[static_cast<size_t>(square.y * model.layout.n + square.x)] = true;
    const ScreenPoint c = model.layout.centre(square);
    plat::headless::clickAt(c.x, c.y);
    ASSERT_TRUE(game->advance(frames));
}

void BoardTest::waitForRest()
{
    ASSERT_TRUE(game->waitUntil([](const auto&) { return !gameState.animating; }, 100)) << "the jump never ended";
}

std::string BoardTest::boardPicturePath() const
{
    const std::string n = std::to_string(model.layout.n);
    return "Data/Field[" + n + "x" + n + "].bmp";
}

std::string BoardTest::checkBoardFrame()
{
    const int n = model.layout.n;
    const Picture& board = picture(boardPicturePath());
    std::vector<Square> targets;
    if (model.piece)
        targets = freeTargets(n, model.visited, *model.piece);
    const bool animating = gameState.animating;
    for (int x = 0; x < n; ++x)
        for (int y = 0; y < n; ++y) {
            const Square s{x, y};
            const ScreenPoint at = model.layout.corner(s);
            Picture expected;
            std::string what;
            if (model.piece && s == *model.piece) {
                const int frame = animating ? gameState.jumpStep + 8 : 17;
                expected = crop(picture("Data/horse.bmp"), 35 * frame, 0, 35, 35);
                what = "piece frame " + std::to_string(frame);
            } else if (animating && model.previous && s == *model.previous) {
                expected = crop(picture("Data/horse.bmp"), 35 * gameState.jumpStep, 0, 35, 35);
                what = "leaving frame " + std::to_string(gameState.jumpStep);
            } else if (model.visited[static_cast<size_t>(y * n + x)]) {
                expected = picture("Data/no.bmp");
                what = "visited mark";
            } else if (std::find(targets.begin(), targets.end(), s) != targets.end()) {
                const bool hover = s == Square{gameState.hoverX, gameState.hoverY};
                expected = picture(hover ? "Data/yes.bmp" : "Data/here.bmp");
                what = hover ? "highlighted hint" : "hint";
            }
            const bool bare = what.empty();
            if (bare)
                expected = crop(board, at.x, at.y, 35, 35);
            const std::string compared =
                comparePicture(game->frame(), expected, at.x, at.y, !bare, cursorArea());
            if (compared != "equal")
                return "square " + std::to_string(x) + "," + std::to_string(y) + " should show the " +
                       (bare ? "bare board" : what) + ": " + compared;
        }
    return "ok";
}

std::string BoardTest::checkLostDialog(const Picture& board, const Picture& panel, const Picture& mask,
                                       int minPanelPixels)
{
    const Area cursor = cursorArea();
    int opaque = 0, bad = 0;
    std::string first;
    for (int y = 0; y < std::min(board.height, 600); ++y)
        for (int x = 0; x < std::min(board.width, 800); ++x) {
            const int px = x - PanelX, py = y - PanelY;
            const bool inMask = px >= 0 && py >= 0 && px < mask.width && py < mask.height;
            const bool inPanel = px >= 0 && py >= 0 && px < panel.width && py < panel.height;
            const uint16_t m = inMask ? mask.at(px, py) : 0;
            if (cursor.contains(x, y) || (m != 0 && m != 0xFFFF))
                continue;
            const bool showsPanel = m == 0xFFFF && inPanel;
            opaque += showsPanel;
            const uint32_t want = showsPanel ? panel.at(px, py) : board.at(x, y);
            if (game->frame().pixel(x, y) != want && bad++ == 0) {
                std::ostringstream where;
                where << '(' << x << ", " << y << ") should show the " << (showsPanel ? "panel" : "board");
                first = where.str();
            }
        }
    if (bad)
        return first + "; " + std::to_string(bad) + " pixels differ";
    return opaque < minPanelPixels ? "only " + std::to_string(opaque) + " panel pixels" : "ok";
}
