// The board fixture's steps and its square-by-square frame check.
#include "BoardTest.h"

#include "game/GameState.h"

#include <algorithm>
#include <sstream>

void BoardTest::enterBoard(const BoardLayout& layout, int buttonX, int buttonY)
{
    model = Model{layout, std::vector<bool>(static_cast<std::size_t>(layout.n * layout.n)), {}, {}};
    ASSERT_NO_FATAL_FAILURE(startAtMenu());
    ASSERT_NO_FATAL_FAILURE(clickAt(buttonX, buttonY));
    // The menu fades out, then the board is set up and its loop presents.
    const int extent = layout.n == 6 ? 266 : layout.n == 8 ? 354 : 442;
    ASSERT_TRUE(game->waitUntil([&](const auto&) { return gameState.extent == extent; }, 200))
        << "the board did not start";
    ASSERT_EQ(gameState.pieceX, -1);
}

void BoardTest::clickSquare(Cell2 square)
{
    const Cell2 c = model.layout.centre(square);
    ASSERT_NO_FATAL_FAILURE(clickAt(c.x, c.y));
}

void BoardTest::playSquare(Cell2 square)
{
    if (model.piece) {
        ASSERT_TRUE(knightStep(*model.piece, square));
        model.previous = model.piece;
    }
    model.piece = square;
    model.visited[static_cast<std::size_t>(square.y * model.layout.n + square.x)] = true;
    ASSERT_NO_FATAL_FAILURE(clickSquare(square));
}

void BoardTest::waitForRest()
{
    ASSERT_TRUE(game->waitUntil([](const auto&) { return !gameState.animating; }, 100)) << "the jump never ended";
}

Area BoardTest::cursorArea() const
{
    const Picture& cursor = const_cast<BoardTest*>(this)->picture("Data/cursor.bmp");
    return Area{gameState.mouseX, gameState.mouseY, gameState.mouseX + cursor.width, gameState.mouseY + cursor.height};
}

std::string BoardTest::boardPicturePath() const
{
    const int n = model.layout.n;
    return "Data/Field[" + std::to_string(n) + "x" + std::to_string(n) + "].bmp";
}

Picture BoardTest::pieceFrame(int frame) { return crop(picture("Data/horse.bmp"), 35 * frame, 0, 35, 35); }

std::string BoardTest::checkBoardFrame()
{
    const int n = model.layout.n;
    const Picture& board = picture(boardPicturePath());
    const Picture& visitedMark = picture("Data/no.bmp");
    const Picture& hint = picture("Data/here.bmp");
    const Picture& hoverHint = picture("Data/yes.bmp");

    std::vector<Cell2> targets;
    if (model.piece)
        targets = freeTargets(n, model.visited, *model.piece);
    const Cell2 hover{gameState.hoverX, gameState.hoverY};
    const bool animating = gameState.animating;

    for (int x = 0; x < n; ++x) {
        for (int y = 0; y < n; ++y) {
            const Cell2 s{x, y};
            const Cell2 at = model.layout.corner(s);
            const bool visited = model.visited[static_cast<std::size_t>(y * n + x)];
            Picture expected;
            CompareOptions options = CompareOptions().skipping(cursorArea());
            std::string what;
            if (model.piece && s == *model.piece) {
                const int frame = animating ? gameState.jumpStep + 8 : 17;
                expected = pieceFrame(frame);
                what = "piece frame " + std::to_string(frame);
                options.keyedOnBlack();
            } else if (animating && model.previous && s == *model.previous) {
                expected = pieceFrame(gameState.jumpStep);
                what = "leaving frame " + std::to_string(gameState.jumpStep);
                options.keyedOnBlack();
            } else if (visited) {
                expected = visitedMark;
                what = "visited mark";
                options.keyedOnBlack();
            } else if (std::find(targets.begin(), targets.end(), s) != targets.end()) {
                expected = s == hover ? hoverHint : hint;
                what = s == hover ? "highlighted hint" : "hint";
                options.keyedOnBlack();
            } else {
                expected = crop(board, at.x, at.y, 35, 35);
                what = "bare board";
            }
            const auto mismatch = comparePicture(game->frame(), expected, at.x, at.y, options);
            if (mismatch) {
                std::ostringstream out;
                out << "square " << x << "," << y << " should show the " << what << ": " << describe(mismatch);
                return out.str();
            }
        }
    }
    return "ok";
}
