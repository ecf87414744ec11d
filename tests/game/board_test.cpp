// The state record's start values, the board table and setup, the geometry between pixels and
// squares, the full-board test and the rank levels.
#include "play_frame.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>

namespace {

std::string nameOf(const LayoutModel& m) { return std::to_string(m.n) + "x" + std::to_string(m.n); }

TEST(GameStateStart, EveryFieldHasItsStartValue)
{
    const GameState s;
    EXPECT_TRUE(std::all_of(s.cells.begin(), s.cells.end(), [](Cell c) { return c == Cell::Empty; }));
    EXPECT_EQ(s.cells.size(), 100u);
    EXPECT_EQ(s.pieceX, -1);
    EXPECT_EQ(s.pieceY, -1);
    EXPECT_EQ(s.previousX, -1);
    EXPECT_EQ(s.previousY, -1);
    EXPECT_EQ(s.hoverX, 0);
    EXPECT_EQ(s.hoverY, 0);
    EXPECT_EQ(s.cellSize, 0.0);
    EXPECT_EQ(s.originX, 0);
    EXPECT_EQ(s.originY, 0);
    EXPECT_EQ(s.extent, 0);
    EXPECT_EQ(s.drawOffset, 6);
    EXPECT_EQ(s.score, 0);
    EXPECT_EQ(s.bestScore, 0);
    EXPECT_EQ(s.rankLevel, 0);
    EXPECT_FALSE(s.won);
    EXPECT_FALSE(s.leaveScreen);
    EXPECT_FALSE(s.animating);
    EXPECT_EQ(s.jumpStep, 0);
    EXPECT_EQ(s.time, 0.0);
    EXPECT_EQ(s.lastStepTime, 0.0);
    EXPECT_EQ(s.freeJumps, 0);
    EXPECT_EQ(s.previousFreeJumps, 0);
    EXPECT_FALSE(s.lostDialogDone);
    EXPECT_EQ(s.mouseX, 0);
    EXPECT_EQ(s.mouseY, 0);
    EXPECT_EQ(s.mouseClicked, 0);
    EXPECT_TRUE(s.musicOn);
    EXPECT_EQ(s.badgeX, 0);
    EXPECT_EQ(s.badgeY, 0);
    // The process-wide record starts the same way.
    EXPECT_EQ(gameState.pieceX, -1);
    EXPECT_EQ(gameState.drawOffset, 6);
    EXPECT_TRUE(gameState.musicOn);
}

TEST(GameStateStart, StorageIsColumnMajorWithSideTen)
{
    EXPECT_EQ(cellIndex(0, 0), 0);
    EXPECT_EQ(cellIndex(0, 9), 9);
    EXPECT_EQ(cellIndex(1, 0), 10);
    EXPECT_EQ(cellIndex(9, 9), 99);
    GameState s;
    s.cell(3, 7) = Cell::Visited;
    EXPECT_EQ(s.cells[37], Cell::Visited);
    EXPECT_EQ(static_cast<int32_t>(Cell::Piece), 2);
}

TEST(BoardSetup, FillsTheTableAndLeavesHoverAnimationAndCountsAlone)
{
    for (const LayoutModel& m : Layouts) {
        SCOPED_TRACE(nameOf(m));
        GameState s;
        s.cells.fill(Cell::Visited);
        s.pieceX = s.pieceY = 3;
        s.previousX = s.previousY = 1;
        s.score = 17;
        s.hoverX = 4;
        s.hoverY = 2;
        s.jumpStep = 5;
        s.animating = true;
        s.freeJumps = 2;
        s.previousFreeJumps = 3;
        s.won = true;
        setupBoard(s, m.board);

        EXPECT_TRUE(std::all_of(s.cells.begin(), s.cells.end(), [](Cell c) { return c == Cell::Empty; }));
        EXPECT_EQ(s.pieceX, -1);
        EXPECT_EQ(s.pieceY, -1);
        EXPECT_EQ(s.previousX, -1);
        EXPECT_EQ(s.previousY, -1);
        EXPECT_DOUBLE_EQ(s.cellSize, static_cast<double>(m.num) / m.den);
        EXPECT_EQ(s.originX, m.originX);
        EXPECT_EQ(s.originY, m.originY);
        EXPECT_EQ(s.extent, m.extent);
        // Only the 6x6 setup clears the score: a restart of the bigger boards keeps the points.
        EXPECT_EQ(s.score, m.n == 6 ? 0 : 17);
        EXPECT_EQ(s.hoverX, 4);
        EXPECT_EQ(s.hoverY, 2);
        EXPECT_EQ(s.jumpStep, 5);
        EXPECT_TRUE(s.animating);
        EXPECT_EQ(s.freeJumps, 2);
        EXPECT_EQ(s.previousFreeJumps, 3);
        EXPECT_TRUE(s.won);

        const BoardGeometry& g = boardGeometry(m.board);
        EXPECT_EQ(g.size, m.n);
        // The area holds exactly N squares, rounded up to whole pixels.
        EXPECT_EQ(m.extent, (m.n * m.num + m.den - 1) / m.den);
    }
}

TEST(BoardSetup, NamedSetupsMatchTheirSizes)
{
    GameState a, b, c;
    a.score = b.score = c.score = 9;
    setupBoard6x6(a);
    setupBoard8x8(b);
    setupBoard10x10(c);
    EXPECT_EQ(a.extent, 266);
    EXPECT_EQ(a.score, 0);
    EXPECT_EQ(b.extent, 354);
    EXPECT_EQ(b.score, 9);
    EXPECT_EQ(c.extent, 442);
    EXPECT_EQ(c.score, 9);
}

TEST(HoverSquare, EveryPixelOfTheAreaFindsTheModelSquare)
{
    for (const LayoutModel& m : Layouts) {
        SCOPED_TRACE(nameOf(m));
        GameState s;
        setupBoard(s, m.board);
        const int32_t inside = m.extent / 2;
        for (int32_t offset = 1; offset < m.extent; ++offset) {
            updateHoverSquare(s, m.originX + offset, m.originY + inside);
            ASSERT_EQ(s.hoverX, modelColumn(m, offset)) << "x offset " << offset;
            ASSERT_EQ(s.hoverY, modelColumn(m, inside));
            updateHoverSquare(s, m.originX + inside, m.originY + offset);
            ASSERT_EQ(s.hoverY, modelColumn(m, offset)) << "y offset " << offset;
            ASSERT_EQ(s.hoverX, modelColumn(m, inside));
        }
        // The last pixel inside still lies on the board.
        updateHoverSquare(s, m.originX + m.extent - 1, m.originY + m.extent - 1);
        EXPECT_EQ(s.hoverX, m.n - 1);
        EXPECT_EQ(s.hoverY, m.n - 1);
    }
}

TEST(HoverSquare, BorderOffsetsNamedForTheBoards)
{
    GameState s;
    setupBoard6x6(s);
    updateHoverSquare(s, 165 + 265, 181 + 265);
    EXPECT_EQ(s.hoverX, 5);
    EXPECT_EQ(s.hoverY, 5);

    setupBoard8x8(s);
    // 177 / 44.25 is exactly 4: the pixel starts column 4, it does not end column 3.
    updateHoverSquare(s, 86 + 177, 83 + 176);
    EXPECT_EQ(s.hoverX, 4);
    EXPECT_EQ(s.hoverY, 3);

    setupBoard10x10(s);
    updateHoverSquare(s, 98 + 221, 50 + 220);
    EXPECT_EQ(s.hoverX, 5);
    EXPECT_EQ(s.hoverY, 4);
}

TEST(HoverSquare, BorderLinesAndOutsideKeepTheOldSquare)
{
    for (const LayoutModel& m : Layouts) {
        SCOPED_TRACE(nameOf(m));
        GameState s;
        setupBoard(s, m.board);
        s.hoverX = 2;
        s.hoverY = 3;
        const int32_t mid = m.extent / 2;
        const int32_t edges[][2] = {
            {m.originX, m.originY + mid},            {m.originX + m.extent, m.originY + mid},
            {m.originX + mid, m.originY},            {m.originX + mid, m.originY + m.extent},
            {m.originX - 1, m.originY + mid},        {0, 0},
            {800, 600},                              {-2147483647 - 1, 2147483647},
            {m.originX + m.extent + 1, m.originY - 1},
        };
        for (const auto& e : edges) {
            updateHoverSquare(s, e[0], e[1]);
            EXPECT_EQ(s.hoverX, 2) << e[0] << "," << e[1];
            EXPECT_EQ(s.hoverY, 3) << e[0] << "," << e[1];
            EXPECT_FALSE(isOverBoard(s, e[0], e[1]));
        }
    }
}

TEST(HoverSquare, NoBoardSetUpMeansNoBoardArea)
{
    GameState s;
    s.hoverX = 1;
    updateHoverSquare(s, 0, 0);
    updateHoverSquare(s, 1, 1);
    EXPECT_EQ(s.hoverX, 1);
    EXPECT_FALSE(isOverBoard(s, 0, 0));
}

TEST(SquarePixelPosition, MatchesTheIntegerModelOnEverySquare)
{
    for (const LayoutModel& m : Layouts) {
        SCOPED_TRACE(nameOf(m));
        GameState s;
        setupBoard(s, m.board);
        for (int32_t x = 0; x < m.n; ++x)
            for (int32_t y = 0; y < m.n; ++y) {
                const ScreenPoint p = squarePixelPosition(s, x, y);
                EXPECT_EQ(p.x, (x * m.num + (m.originX + 6) * m.den) / m.den) << x << "," << y;
                EXPECT_EQ(p.y, (y * m.num + (m.originY + 6) * m.den) / m.den) << x << "," << y;
            }
    }
    GameState s;
    setupBoard6x6(s);
    // 5 x 44.3 + 165 + 6 = 392.5: truncated, not rounded.
    EXPECT_EQ(squarePixelPosition(s, 5, 5), (ScreenPoint{392, 408}));
    setupBoard10x10(s);
    EXPECT_EQ(squarePixelPosition(s, 0, 0), (ScreenPoint{104, 56}));
    EXPECT_EQ(squarePixelPosition(s, 9, 9), (ScreenPoint{501, 453}));
}

TEST(FullBoardTest, NeedsEverySquareOfThisBoardOnly)
{
    for (const LayoutModel& m : Layouts) {
        SCOPED_TRACE(nameOf(m));
        GameState s;
        setupBoard(s, m.board);
        checkBoardComplete(s, m.board);
        EXPECT_FALSE(s.won);
        for (int32_t x = 0; x < m.n; ++x)
            for (int32_t y = 0; y < m.n; ++y)
                s.cell(x, y) = Cell::Visited;
        s.cell(m.n - 1, m.n - 1) = Cell::Piece; // the piece's square counts
        checkBoardComplete(s, m.board);
        EXPECT_TRUE(s.won) << "squares outside the board must not matter";
        // Any one empty square, the last ones included, keeps the board unfinished.
        for (const Square hole : {Square{0, 0}, Square{m.n - 1, 0}, Square{0, m.n - 1}, Square{m.n - 2, m.n - 1}}) {
            const Cell before = s.cell(hole.x, hole.y);
            s.cell(hole.x, hole.y) = Cell::Empty;
            checkBoardComplete(s, m.board);
            EXPECT_FALSE(s.won) << hole.x << "," << hole.y;
            s.cell(hole.x, hole.y) = before;
        }
    }
    GameState s;
    s.cells.fill(Cell::Visited);
    s.cell(6, 6) = Cell::Empty;
    checkBoardComplete6x6(s);
    EXPECT_TRUE(s.won);
    checkBoardComplete8x8(s);
    EXPECT_FALSE(s.won);
    s.cell(6, 6) = Cell::Visited;
    s.cell(9, 0) = Cell::Empty;
    checkBoardComplete8x8(s);
    EXPECT_TRUE(s.won);
    checkBoardComplete10x10(s);
    EXPECT_FALSE(s.won);
}

TEST(RankLevel, OneTwoThreeBySize)
{
    EXPECT_EQ(rankLevelOf(Board::Size6x6), 1);
    EXPECT_EQ(rankLevelOf(Board::Size8x8), 2);
    EXPECT_EQ(rankLevelOf(Board::Size10x10), 3);
}

TEST(BoardTable, AValueOutsideTheBoardsIsRefused)
{
    EXPECT_THROW((void)boardGeometry(static_cast<Board>(3)), std::out_of_range);
}

} // namespace
