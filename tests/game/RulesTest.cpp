// The click rule, the jump animation's clock, the free-jump count and the best score.
#include "tests/game/BoardModel.h"

#include "game/Jumps.h"
#include "game/Rules.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>
#include <vector>

namespace {

// What a click may change.
auto snapshot(const GameState& s)
{
    return std::make_tuple(s.cells, s.pieceX, s.pieceY, s.previousX, s.previousY, s.score, s.animating,
                           s.jumpStep);
}

bool click(GameState& s, const LayoutModel& m, Square square)
{
    const ScreenPoint p = m.centre(square);
    updateHoverSquare(s, p.x, p.y);
    return tryJump(s, p.x, p.y, 1);
}

TEST(ClickRule, OnlyKnightMovesToEmptySquaresAreTaken)
{
    // Walks over the edges and corners; from their second square on, the squares they left lie a
    // jump away, so every click is tried with visited squares in reach.
    const LayoutModel& m = Layout10x10;
    const std::vector<Square> walks[] = {{{4, 4}, {6, 5}, {4, 6}, {2, 5}, {3, 3}},
                                         {{0, 0}, {1, 2}, {2, 0}, {0, 1}},
                                         {{9, 5}, {7, 6}, {9, 7}, {8, 5}},
                                         {{1, 8}, {3, 9}, {2, 7}, {0, 8}}};
    for (const std::vector<Square>& walk : walks) {
        GameState s;
        setupBoard(s, m.board);
        Visited visited(static_cast<size_t>(m.n * m.n));
        for (const Square from : walk) {
            ASSERT_TRUE(click(s, m, from)) << from.x << "," << from.y;
            visited[static_cast<size_t>(from.y * m.n + from.x)] = true;
            for (int32_t x = 0; x < m.n; ++x)
                for (int32_t y = 0; y < m.n; ++y) {
                    GameState t = s;
                    const bool taken = click(t, m, {x, y});
                    const bool free = !visited[static_cast<size_t>(y * m.n + x)];
                    EXPECT_EQ(taken, knightMove(from, {x, y}) && free) << from.x << "," << from.y << " to " << x
                                                                       << "," << y;
                    if (!taken) {
                        EXPECT_EQ(snapshot(t), snapshot(s)) << "an ignored click changed the board";
                        continue;
                    }
                    EXPECT_EQ(t.cell(from.x, from.y), Cell::Visited);
                    EXPECT_EQ(t.cell(x, y), Cell::Piece);
                    EXPECT_EQ(std::tie(t.previousX, t.previousY, t.score), std::make_tuple(from.x, from.y, s.score + 1));
                }
        }
    }
}

TEST(ClickRule, TheSquareUnderTheClickIsUsedNotAStaleHover)
{
    // Hover left on (9, 9) of the 10x10 board, then the 6x6 board set up: that square does
    // not belong to it and must never receive the piece.
    GameState s;
    setupBoard10x10(s);
    updateHoverSquare(s, 98 + 441, 50 + 441);
    ASSERT_EQ(s.hoverX, 9);
    setupBoard6x6(s);
    const ScreenPoint p = Layout6x6.centre({2, 3});
    EXPECT_TRUE(tryJump(s, p.x, p.y, 1));
    EXPECT_EQ(std::tie(s.pieceX, s.pieceY), std::make_tuple(2, 3));
    EXPECT_EQ(s.cell(9, 9), Cell::Empty);
}

TEST(JumpAnimation, StepsOnlyAfterMoreThanFiftyMillisecondsAndOnlyWithThePieceOnTheBoard)
{
    GameState s;
    setupBoard6x6(s);
    advanceJumpAnimation(s, 5.0); // the piece is off the board
    EXPECT_EQ(std::tie(s.time, s.jumpStep), std::make_tuple(0.0, 0));
    ASSERT_TRUE(click(s, Layout6x6, {0, 0}));
    advanceJumpAnimation(s, 0.05); // exactly 0.05 after the last step at 0: not more
    EXPECT_EQ(std::tie(s.jumpStep, s.time, s.lastStepTime), std::make_tuple(0, 0.05, 0.0));
    advanceJumpAnimation(s, 0.0501);
    advanceJumpAnimation(s, 0.09);
    EXPECT_EQ(std::tie(s.jumpStep, s.lastStepTime), std::make_tuple(1, 0.0501));
    // A click while animating starts the jump over.
    ASSERT_TRUE(click(s, Layout6x6, {1, 2}));
    EXPECT_EQ(std::tie(s.animating, s.jumpStep, s.score), std::make_tuple(true, 0, 2));
    // With a screen change pending the clock stands.
    s.leaveScreen = true;
    advanceJumpAnimation(s, 5.0);
    EXPECT_EQ(std::tie(s.time, s.jumpStep, s.animating), std::make_tuple(0.09, 0, true));
}

TEST(JumpAnimation, EightStepsAtSixteenMillisecondFramesThenStops)
{
    GameState s;
    setupBoard6x6(s);
    ASSERT_TRUE(click(s, Layout6x6, {2, 2}));
    // Integer model: a step in the frame at which more than 50 ms passed since the last one.
    int32_t modelStep = 0;
    int64_t modelLast = 0;
    for (int64_t frame = 1; frame <= 40; ++frame) {
        advanceJumpAnimation(s, frame * 0.016);
        if (frame * 16 - modelLast > 50) {
            modelStep = std::min(modelStep + 1, 8);
            modelLast = frame * 16;
        }
        ASSERT_EQ(std::tie(s.jumpStep, s.animating), std::make_tuple(modelStep, modelStep < 8)) << "frame " << frame;
    }
    // Step 8 keeps the clock moving without going further; a click long after it steps at once.
    advanceJumpAnimation(s, 20.0);
    EXPECT_EQ(std::tie(s.jumpStep, s.lastStepTime), std::make_tuple(8, 20.0));
    ASSERT_TRUE(click(s, Layout6x6, {4, 3}));
    advanceJumpAnimation(s, 20.06);
    EXPECT_EQ(std::tie(s.jumpStep, s.animating), std::make_tuple(1, true));
}

TEST(FreeJumps, ScanOrderFromTheMiddleOfAnEmptyBoard)
{
    GameState s;
    setupBoard10x10(s);
    ASSERT_TRUE(click(s, Layout10x10, {4, 4}));
    const FreeJumps free = countFreeJumps(s, Board::Size10x10);
    ASSERT_EQ(free.count, 8);
    const std::vector<Square> expected{{6, 5}, {2, 5}, {6, 3}, {2, 3}, {5, 2}, {3, 6}, {3, 2}, {5, 6}};
    EXPECT_EQ(std::vector<Square>(free.targets.begin(), free.targets.end()), expected);
    EXPECT_EQ(std::tie(s.freeJumps, s.previousFreeJumps), std::make_tuple(8, 8));
}

TEST(FreeJumps, OnlyEmptySquaresOfThisBoardCount)
{
    // Every square, with a few visited ones, against the model's targets; the empty storage
    // beyond the smaller boards must not count.
    for (const LayoutModel& m : Layouts)
        for (int32_t px = 0; px < m.n; ++px)
            for (int32_t py = 0; py < m.n; ++py) {
                GameState s;
                setupBoard(s, m.board);
                Visited visited(static_cast<size_t>(m.n * m.n));
                for (int32_t x = 0; x < m.n; ++x)
                    for (int32_t y = 0; y < m.n; ++y)
                        if ((3 * x + 5 * y) % 7 == 0) {
                            s.cell(x, y) = Cell::Visited;
                            visited[static_cast<size_t>(y * m.n + x)] = true;
                        }
                s.cell(px, py) = Cell::Piece;
                s.pieceX = px;
                s.pieceY = py;
                const FreeJumps free = countFreeJumps(s, m.board);
                std::vector<Square> got(free.targets.begin(), free.targets.begin() + free.count);
                std::vector<Square> model = freeTargets(m.n, visited, {px, py});
                const auto order = [](Square a, Square b) { return std::tie(a.x, a.y) < std::tie(b.x, b.y); };
                std::sort(got.begin(), got.end(), order);
                ASSERT_EQ(got, model) << m.n << ": " << px << "," << py;
            }
}

TEST(BestScore, RaisedOnlyByAHigherScore)
{
    GameState s;
    s.bestScore = 40;
    for (const auto& [score, best] : {std::pair{39, 40}, std::pair{40, 40}, std::pair{41, 41}}) {
        s.score = score;
        EXPECT_EQ(raisedBestScore(s), best) << score;
    }
}

} // namespace
