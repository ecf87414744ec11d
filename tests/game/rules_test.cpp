// The click rule, the jump animation's clock, the free-jump count and the best score.
#include "play_frame.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>
#include <vector>

namespace {

const LayoutModel& layout(Board board) { return Layouts[static_cast<size_t>(board)]; }

// What a click may change.
auto snapshot(const GameState& s)
{
    return std::make_tuple(s.cells, s.pieceX, s.pieceY, s.previousX, s.previousY, s.score, s.animating,
                           s.jumpStep);
}

bool click(GameState& s, const LayoutModel& m, Square square)
{
    const ScreenPoint p = modelSquareCentre(m, square);
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
                EXPECT_EQ(s.pieceX, x);
                EXPECT_EQ(s.pieceY, y);
                EXPECT_EQ(s.previousX, -1);
                EXPECT_EQ(s.previousY, -1);
                EXPECT_EQ(s.score, 1);
                EXPECT_TRUE(s.animating);
                EXPECT_EQ(s.jumpStep, 0);
                EXPECT_EQ(std::count(s.cells.begin(), s.cells.end(), Cell::Piece), 1);
                EXPECT_EQ(std::count(s.cells.begin(), s.cells.end(), Cell::Visited), 0);
            }
}

TEST(ClickRule, OnlyKnightMovesToEmptySquaresAreTaken)
{
    const LayoutModel& m = layout(Board::Size10x10);
    for (const Square from : {Square{4, 4}, Square{0, 0}, Square{9, 5}, Square{1, 8}})
        for (int32_t x = 0; x < m.n; ++x)
            for (int32_t y = 0; y < m.n; ++y) {
                GameState s;
                setupBoard(s, m.board);
                ASSERT_TRUE(click(s, m, from));
                const auto before = snapshot(s);
                const bool taken = click(s, m, {x, y});
                EXPECT_EQ(taken, knightMove(x - from.x, y - from.y)) << x << "," << y;
                if (!taken) {
                    EXPECT_EQ(snapshot(s), before) << "an ignored click changed the board";
                    continue;
                }
                EXPECT_EQ(s.cell(from.x, from.y), Cell::Visited);
                EXPECT_EQ(s.cell(x, y), Cell::Piece);
                EXPECT_EQ(s.previousX, from.x);
                EXPECT_EQ(s.previousY, from.y);
                EXPECT_EQ(s.score, 2);
            }
}

TEST(ClickRule, VisitedSquaresThePiecesOwnSquareAndUnclickedFramesAreIgnored)
{
    const LayoutModel& m = layout(Board::Size8x8);
    GameState s;
    setupBoard(s, m.board);
    ASSERT_TRUE(click(s, m, {0, 0}));
    ASSERT_TRUE(click(s, m, {2, 1}));
    ASSERT_TRUE(click(s, m, {4, 2}));
    auto before = snapshot(s);
    EXPECT_FALSE(click(s, m, {4, 2})) << "the piece's own square";
    EXPECT_FALSE(click(s, m, {2, 1})) << "a visited square one jump away";
    EXPECT_EQ(snapshot(s), before);

    // The mouse over a free jump target without a click.
    const ScreenPoint p = modelSquareCentre(m, {6, 3});
    updateHoverSquare(s, p.x, p.y);
    EXPECT_FALSE(tryJump(s, p.x, p.y, 0));
    EXPECT_EQ(snapshot(s), before);
    EXPECT_TRUE(tryJump(s, p.x, p.y, 1));
}

TEST(ClickRule, ClicksOnTheBorderLinesAreNotTaken)
{
    for (const LayoutModel& m : Layouts) {
        GameState s;
        setupBoard(s, m.board);
        // The hover square is a legal first placement, so only the border test can refuse it.
        const int32_t mid = m.originY + m.extent / 2;
        for (const int32_t x : {m.originX, m.originX + m.extent}) {
            updateHoverSquare(s, x, mid);
            EXPECT_FALSE(tryJump(s, x, mid, 1)) << m.n << ": x " << x;
        }
        const int32_t centre = m.originX + m.extent / 2;
        for (const int32_t y : {m.originY, m.originY + m.extent}) {
            updateHoverSquare(s, centre, y);
            EXPECT_FALSE(tryJump(s, centre, y, 1)) << m.n << ": y " << y;
        }
        EXPECT_EQ(s.pieceX, -1);
        EXPECT_EQ(s.score, 0);
        // One pixel inside the corner is the corner square.
        EXPECT_TRUE(tryJump(s, m.originX + 1, m.originY + 1, 1));
        EXPECT_EQ(s.pieceX, 0);
        EXPECT_EQ(s.pieceY, 0);
    }
}

TEST(ClickRule, TheSquareUnderTheClickIsUsedNotAStaleHover)
{
    // Hover left on a square of the 10x10 board, then the 6x6 board set up: (9, 9) does not
    // belong to it and must never receive the piece.
    const LayoutModel& m = layout(Board::Size6x6);
    GameState s;
    setupBoard10x10(s);
    updateHoverSquare(s, 98 + 441, 50 + 441);
    ASSERT_EQ(s.hoverX, 9);
    setupBoard6x6(s);
    const ScreenPoint p = modelSquareCentre(m, {2, 3});
    EXPECT_TRUE(tryJump(s, p.x, p.y, 1));
    EXPECT_EQ(s.pieceX, 2);
    EXPECT_EQ(s.pieceY, 3);
    EXPECT_EQ(s.cell(9, 9), Cell::Empty);
}

TEST(ClickRule, AClickWhileAnimatingRestartsTheAnimation)
{
    const LayoutModel& m = layout(Board::Size6x6);
    GameState s;
    setupBoard(s, m.board);
    ASSERT_TRUE(click(s, m, {0, 0}));
    advanceJumpAnimation(s, 0.06);
    advanceJumpAnimation(s, 0.12);
    ASSERT_TRUE(s.animating);
    ASSERT_EQ(s.jumpStep, 2);
    EXPECT_TRUE(click(s, m, {1, 2}));
    EXPECT_TRUE(s.animating);
    EXPECT_EQ(s.jumpStep, 0);
    EXPECT_EQ(s.score, 2);
}

TEST(ClickRule, RestartKeepsThePointsOnTheBigBoardsOnly)
{
    for (const LayoutModel& m : Layouts) {
        GameState s;
        setupBoard(s, m.board);
        ASSERT_TRUE(click(s, m, {0, 0}));
        ASSERT_TRUE(click(s, m, {1, 2}));
        ASSERT_TRUE(click(s, m, {2, 4}));
        setupBoard(s, m.board); // the lost dialog's "Ja"
        EXPECT_EQ(s.score, m.n == 6 ? 0 : 3) << m.n;
        ASSERT_TRUE(click(s, m, {3, 3}));
        EXPECT_EQ(s.score, m.n == 6 ? 1 : 4) << m.n;
    }
}

TEST(JumpAnimation, StepsOnlyAfterMoreThanFiftyMilliseconds)
{
    GameState s;
    setupBoard8x8(s);
    s.pieceX = s.pieceY = 3;
    s.animating = true;
    advanceJumpAnimation(s, 0.05); // exactly 0.05 after the last step at 0: not more
    EXPECT_EQ(s.jumpStep, 0);
    EXPECT_EQ(s.time, 0.05);
    EXPECT_EQ(s.lastStepTime, 0.0);
    advanceJumpAnimation(s, 0.0501);
    EXPECT_EQ(s.jumpStep, 1);
    EXPECT_EQ(s.lastStepTime, 0.0501);
    advanceJumpAnimation(s, 0.09);
    EXPECT_EQ(s.jumpStep, 1);
    EXPECT_EQ(s.lastStepTime, 0.0501);
}

TEST(JumpAnimation, EightStepsAtSixteenMillisecondFramesThenStops)
{
    GameState s;
    setupBoard6x6(s);
    const LayoutModel& m = layout(Board::Size6x6);
    ASSERT_TRUE(click(s, m, {2, 2}));
    // Integer model: a step in the frame at which more than 50 ms passed since the last one.
    int32_t modelStep = 0;
    int64_t modelLast = 0;
    for (int64_t frame = 1; frame <= 40; ++frame) {
        advanceJumpAnimation(s, frame * 0.016);
        if (frame * 16 - modelLast > 50) {
            modelStep = std::min(modelStep + 1, 8);
            modelLast = frame * 16;
        }
        ASSERT_EQ(s.jumpStep, modelStep) << "frame " << frame;
        ASSERT_EQ(s.animating, modelStep < 8) << "frame " << frame;
    }
    EXPECT_EQ(s.jumpStep, 8);
    // Steps every 4 frames: the animation ends at frame 32, 0.512 s, not before 0.4 s.
    GameState t;
    setupBoard6x6(t);
    ASSERT_TRUE(click(t, m, {2, 2}));
    int64_t frame = 0;
    while (t.animating && frame < 100)
        advanceJumpAnimation(t, ++frame * 0.016);
    EXPECT_EQ(frame, 32);
}

TEST(JumpAnimation, TheFirstStepMayComeInTheClicksOwnFrame)
{
    GameState s;
    setupBoard6x6(s);
    const LayoutModel& m = layout(Board::Size6x6);
    ASSERT_TRUE(click(s, m, {0, 0}));
    advanceJumpAnimation(s, 10.0);
    for (int i = 0; i < 8; ++i)
        advanceJumpAnimation(s, 10.0 + 0.1 * (i + 1));
    ASSERT_FALSE(s.animating);
    ASSERT_EQ(s.jumpStep, 8);
    // Step 8 keeps the clock moving without going further.
    advanceJumpAnimation(s, 20.0);
    EXPECT_EQ(s.jumpStep, 8);
    EXPECT_EQ(s.lastStepTime, 20.0);
    // The click long after the last step: step 1 at once.
    ASSERT_TRUE(click(s, m, {1, 2}));
    advanceJumpAnimation(s, 20.06);
    EXPECT_EQ(s.jumpStep, 1);
    EXPECT_TRUE(s.animating);
}

TEST(JumpAnimation, NothingMovesWhileThePieceIsOffOrTheScreenEnds)
{
    GameState s;
    setupBoard6x6(s);
    advanceJumpAnimation(s, 5.0);
    EXPECT_EQ(s.time, 0.0);
    EXPECT_EQ(s.jumpStep, 0);
    s.pieceX = s.pieceY = 1;
    s.animating = true;
    s.leaveScreen = true;
    advanceJumpAnimation(s, 5.0);
    EXPECT_EQ(s.time, 0.0);
    EXPECT_EQ(s.jumpStep, 0);
    EXPECT_TRUE(s.animating);
}

TEST(FreeJumps, ScanOrderFromTheMiddleOfAnEmptyBoard)
{
    GameState s;
    setupBoard10x10(s);
    ASSERT_TRUE(click(s, layout(Board::Size10x10), {4, 4}));
    const FreeJumps free = countFreeJumps(s, Board::Size10x10);
    ASSERT_EQ(free.count, 8);
    const std::vector<Square> expected{{6, 5}, {2, 5}, {6, 3}, {2, 3}, {5, 2}, {3, 6}, {3, 2}, {5, 6}};
    EXPECT_EQ(std::vector<Square>(free.targets.begin(), free.targets.end()), expected);
    EXPECT_EQ(s.freeJumps, 8);
    EXPECT_EQ(s.previousFreeJumps, 8);
}

TEST(FreeJumps, OnlyEmptySquaresOfThisBoardCount)
{
    for (const LayoutModel& m : Layouts) {
        // Every square, with a few visited ones, against a count from the knight-move model.
        for (int32_t px = 0; px < m.n; ++px)
            for (int32_t py = 0; py < m.n; ++py) {
                GameState s;
                setupBoard(s, m.board);
                for (size_t i = 0; i < s.cells.size(); i += 7)
                    s.cells[i] = Cell::Visited;
                s.cell(px, py) = Cell::Piece;
                s.pieceX = px;
                s.pieceY = py;
                const FreeJumps free = countFreeJumps(s, m.board);
                std::vector<Square> model;
                for (int32_t x = 0; x < m.n; ++x)
                    for (int32_t y = 0; y < m.n; ++y)
                        if (knightMove(x - px, y - py) && s.cell(x, y) == Cell::Empty)
                            model.push_back({x, y});
                ASSERT_EQ(free.count, static_cast<int32_t>(model.size())) << m.n << ": " << px << "," << py;
                for (const Square& target : model)
                    EXPECT_NE(std::find(free.targets.begin(), free.targets.begin() + free.count, target),
                              free.targets.begin() + free.count);
            }
    }
}

TEST(FreeJumps, TheFallToZeroIsReportedOnceAndOnlyWhileOnTheBoard)
{
    GameState s;
    setupBoard6x6(s);
    // Not begun: zero free jumps is no loss.
    EXPECT_FALSE(countFreeJumps(s, Board::Size6x6).fellToZero);
    // A corner whose two targets are visited.
    s.cell(0, 0) = Cell::Piece;
    s.pieceX = s.pieceY = 0;
    s.cell(1, 2) = Cell::Visited;
    s.previousFreeJumps = 1;
    s.lostDialogDone = true;
    FreeJumps free = countFreeJumps(s, Board::Size6x6);
    EXPECT_EQ(free.count, 1);
    EXPECT_FALSE(free.fellToZero);
    EXPECT_FALSE(s.lostDialogDone);
    s.cell(2, 1) = Cell::Visited;
    free = countFreeJumps(s, Board::Size6x6);
    EXPECT_EQ(free.count, 0);
    EXPECT_TRUE(free.fellToZero);
    EXPECT_EQ(s.previousFreeJumps, 0);
    EXPECT_FALSE(countFreeJumps(s, Board::Size6x6).fellToZero) << "only the frame of the fall";

    // With a screen change pending nothing is counted.
    s.cell(2, 1) = Cell::Empty;
    EXPECT_EQ(countFreeJumps(s, Board::Size6x6).count, 1);
    s.leaveScreen = true;
    free = countFreeJumps(s, Board::Size6x6);
    EXPECT_EQ(free.count, 0);
    EXPECT_EQ(s.freeJumps, 0);
}

TEST(BestScore, RaisedOnlyByAHigherScore)
{
    GameState s;
    s.bestScore = 40;
    s.score = 39;
    raiseBestScore(s);
    EXPECT_EQ(s.bestScore, 40);
    s.score = 40;
    raiseBestScore(s);
    EXPECT_EQ(s.bestScore, 40);
    s.score = 41;
    raiseBestScore(s);
    EXPECT_EQ(s.bestScore, 41);
    EXPECT_EQ(s.score, 41);
}

} // namespace
