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

TEST(ClickRule, FirstClickPlacesThePieceAnywhereWithoutVisitingASquare)
{
    for (const LayoutModel& m : Layouts)
        for (int32_t x = 0; x < m.n; ++x)
            for (int32_t y = 0; y < m.n; ++y) {
                GameState s;
                setupBoard(s, m.board);
                ASSERT_TRUE(click(s, m, {x, y})) << m.n << ": " << x << "," << y;
                EXPECT_EQ(std::tie(s.pieceX, s.pieceY, s.previousX, s.previousY, s.score, s.animating, s.jumpStep),
                          std::make_tuple(x, y, -1, -1, 1, true, 0));
                EXPECT_EQ(std::count(s.cells.begin(), s.cells.end(), Cell::Piece), 1);
                EXPECT_EQ(std::count(s.cells.begin(), s.cells.end(), Cell::Visited), 0);
            }
}

TEST(ClickRule, OnlyKnightMovesToEmptySquaresAreTaken)
{
    const LayoutModel& m = Layout10x10;
    for (const Square from : {Square{4, 4}, Square{0, 0}, Square{9, 5}, Square{1, 8}})
        for (int32_t x = 0; x < m.n; ++x)
            for (int32_t y = 0; y < m.n; ++y) {
                GameState s;
                setupBoard(s, m.board);
                ASSERT_TRUE(click(s, m, from));
                const auto before = snapshot(s);
                const bool taken = click(s, m, {x, y});
                EXPECT_EQ(taken, knightMove(from, {x, y})) << x << "," << y;
                if (!taken) {
                    EXPECT_EQ(snapshot(s), before) << "an ignored click changed the board";
                    continue;
                }
                EXPECT_EQ(s.cell(from.x, from.y), Cell::Visited);
                EXPECT_EQ(s.cell(x, y), Cell::Piece);
                EXPECT_EQ(std::tie(s.previousX, s.previousY, s.score), std::make_tuple(from.x, from.y, 2));
            }
}

TEST(ClickRule, VisitedSquaresThePiecesOwnSquareAndUnclickedFramesAreIgnored)
{
    const LayoutModel& m = Layout8x8;
    GameState s;
    setupBoard(s, m.board);
    for (const Square square : {Square{0, 0}, Square{2, 1}, Square{4, 2}})
        ASSERT_TRUE(click(s, m, square));
    const auto before = snapshot(s);
    EXPECT_FALSE(click(s, m, {4, 2})) << "the piece's own square";
    EXPECT_FALSE(click(s, m, {2, 1})) << "a visited square one jump away";
    const ScreenPoint p = m.centre({6, 3});
    EXPECT_FALSE(tryJump(s, p.x, p.y, 0)) << "a free target without a click";
    EXPECT_EQ(snapshot(s), before);
    EXPECT_TRUE(tryJump(s, p.x, p.y, 1));
}

TEST(ClickRule, ClicksOnTheBorderLinesAreNotTaken)
{
    for (const LayoutModel& m : Layouts) {
        GameState s;
        setupBoard(s, m.board);
        // The hover square is a legal first placement, so only the border test can refuse it.
        const int32_t midX = m.originX + m.extent / 2, midY = m.originY + m.extent / 2;
        for (const ScreenPoint p : {ScreenPoint{m.originX, midY}, ScreenPoint{m.originX + m.extent, midY},
                                    ScreenPoint{midX, m.originY}, ScreenPoint{midX, m.originY + m.extent}}) {
            updateHoverSquare(s, p.x, p.y);
            EXPECT_FALSE(tryJump(s, p.x, p.y, 1)) << m.n << ": " << p.x << "," << p.y;
        }
        EXPECT_EQ(std::tie(s.pieceX, s.score), std::make_tuple(-1, 0));
        // One pixel inside the corner is the corner square.
        EXPECT_TRUE(tryJump(s, m.originX + 1, m.originY + 1, 1));
        EXPECT_EQ(std::tie(s.pieceX, s.pieceY), std::make_tuple(0, 0));
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

TEST(JumpAnimation, StepsOnlyAfterMoreThanFiftyMilliseconds)
{
    GameState s;
    setupBoard6x6(s);
    ASSERT_TRUE(click(s, Layout6x6, {0, 0}));
    advanceJumpAnimation(s, 0.05); // exactly 0.05 after the last step at 0: not more
    EXPECT_EQ(std::tie(s.jumpStep, s.time, s.lastStepTime), std::make_tuple(0, 0.05, 0.0));
    advanceJumpAnimation(s, 0.0501);
    advanceJumpAnimation(s, 0.09);
    EXPECT_EQ(std::tie(s.jumpStep, s.lastStepTime), std::make_tuple(1, 0.0501));
    // A click while animating starts the jump over.
    ASSERT_TRUE(click(s, Layout6x6, {1, 2}));
    EXPECT_EQ(std::tie(s.animating, s.jumpStep, s.score), std::make_tuple(true, 0, 2));
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

TEST(JumpAnimation, NothingMovesWhileThePieceIsOffOrTheScreenEnds)
{
    GameState s;
    setupBoard6x6(s);
    advanceJumpAnimation(s, 5.0);
    EXPECT_EQ(std::tie(s.time, s.jumpStep), std::make_tuple(0.0, 0));
    ASSERT_TRUE(click(s, Layout6x6, {1, 1}));
    s.leaveScreen = true;
    advanceJumpAnimation(s, 5.0);
    EXPECT_EQ(std::tie(s.time, s.jumpStep, s.animating), std::make_tuple(0.0, 0, true));
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
    // Every square, with a few visited ones, against the model's targets.
    for (const LayoutModel& m : Layouts)
        for (int32_t px = 0; px < m.n; ++px)
            for (int32_t py = 0; py < m.n; ++py) {
                GameState s;
                setupBoard(s, m.board);
                Visited visited(static_cast<size_t>(m.n * m.n));
                for (size_t i = 0; i < s.cells.size(); i += 7) {
                    s.cells[i] = Cell::Visited; // storage is by x * 10 + y
                    const int32_t x = static_cast<int32_t>(i) / 10, y = static_cast<int32_t>(i) % 10;
                    if (x < m.n && y < m.n)
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

TEST(FreeJumps, TheFallToZeroIsReportedOnceAndOnlyWhileOnTheBoard)
{
    GameState s;
    setupBoard6x6(s);
    EXPECT_FALSE(countFreeJumps(s, Board::Size6x6).fellToZero) << "a board not begun is no loss";
    // A corner whose two targets get visited.
    s.cell(0, 0) = Cell::Piece;
    s.pieceX = s.pieceY = 0;
    s.cell(1, 2) = Cell::Visited;
    s.previousFreeJumps = 1;
    s.lostDialogDone = true;
    FreeJumps free = countFreeJumps(s, Board::Size6x6);
    EXPECT_EQ(std::tie(free.count, free.fellToZero, s.lostDialogDone), std::make_tuple(1, false, false));
    s.cell(2, 1) = Cell::Visited;
    free = countFreeJumps(s, Board::Size6x6);
    EXPECT_EQ(std::tie(free.count, free.fellToZero, s.previousFreeJumps), std::make_tuple(0, true, 0));
    EXPECT_FALSE(countFreeJumps(s, Board::Size6x6).fellToZero) << "only the frame of the fall";
    // With a screen change pending nothing is counted.
    s.cell(2, 1) = Cell::Empty;
    s.leaveScreen = true;
    EXPECT_EQ(countFreeJumps(s, Board::Size6x6).count, 0);
    EXPECT_EQ(s.freeJumps, 0);
}

TEST(BestScore, RaisedOnlyByAHigherScore)
{
    GameState s;
    s.bestScore = 40;
    for (const auto& [score, best] : {std::pair{39, 40}, std::pair{40, 40}, std::pair{41, 41}}) {
        s.score = score;
        raiseBestScore(s);
        EXPECT_EQ(std::tie(s.bestScore, s.score), std::make_tuple(best, score));
    }
}

} // namespace
