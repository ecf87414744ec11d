// Board setup, the geometry between pixels and squares, the full-board test and rank levels.
#include "tests/game/BoardModel.h"

#include "game/Rules.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <tuple>

namespace {

void (*const namedSetups[])(GameState&) = {setupBoard6x6, setupBoard8x8, setupBoard10x10};
void (*const namedChecks[])(GameState&) = {checkBoardComplete6x6, checkBoardComplete8x8, checkBoardComplete10x10};

TEST(BoardSetup, ClearsTheTableAndSetsTheLayoutButLeavesHoverAnimationAndCounts)
{
    for (size_t i = 0; i < Layouts.size(); ++i) {
        const LayoutModel& m = Layouts[i];
        SCOPED_TRACE(m.n);
        GameState s;
        s.cells.fill(Cell::Visited);
        s.pieceX = s.pieceY = s.previousX = s.previousY = 3;
        s.score = 17;
        s.hoverX = 4;
        s.jumpStep = 5;
        s.animating = true;
        s.previousFreeJumps = 3;
        namedSetups[i](s);
        EXPECT_TRUE(std::all_of(s.cells.begin(), s.cells.end(), [](Cell c) { return c == Cell::Empty; }));
        EXPECT_EQ(std::tie(s.pieceX, s.pieceY, s.previousX, s.previousY), std::make_tuple(-1, -1, -1, -1));
        EXPECT_DOUBLE_EQ(s.cellSize, static_cast<double>(m.num) / m.den);
        EXPECT_EQ(std::tie(s.originX, s.originY, s.extent), std::tie(m.originX, m.originY, m.extent));
        // Only the 6x6 setup clears the score: a restart of the bigger boards keeps the points.
        EXPECT_EQ(s.score, m.n == 6 ? 0 : 17);
        EXPECT_EQ(std::tie(s.hoverX, s.jumpStep, s.animating, s.previousFreeJumps), std::make_tuple(4, 5, true, 3));
        EXPECT_EQ(rankLevelOf(m.board), static_cast<int32_t>(i) + 1);
    }
    EXPECT_THROW((void)boardGeometry(static_cast<Board>(3)), std::out_of_range);
}

TEST(HoverSquare, EveryPixelInsideFindsTheModelSquare)
{
    for (const LayoutModel& m : Layouts) {
        GameState s;
        setupBoard(s, m.board);
        const int32_t mid = m.extent / 2;
        for (int32_t offset = 1; offset < m.extent; ++offset) {
            updateHoverSquare(s, m.originX + offset, m.originY + mid);
            ASSERT_EQ(std::tie(s.hoverX, s.hoverY), std::make_tuple(m.column(offset), m.column(mid)))
                << m.n << ": x offset " << offset;
            updateHoverSquare(s, m.originX + mid, m.originY + offset);
            ASSERT_EQ(std::tie(s.hoverX, s.hoverY), std::make_tuple(m.column(mid), m.column(offset)))
                << m.n << ": y offset " << offset;
        }
    }
    // The border offsets: 265 is the 6x6 board's last pixel inside; 177 / 44.25 is exactly 4,
    // so on 8x8 that pixel starts column 4 rather than ending column 3.
    GameState s;
    setupBoard6x6(s);
    updateHoverSquare(s, 165 + 265, 181 + 265);
    EXPECT_EQ(std::tie(s.hoverX, s.hoverY), std::make_tuple(5, 5));
    setupBoard8x8(s);
    updateHoverSquare(s, 86 + 177, 83 + 176);
    EXPECT_EQ(std::tie(s.hoverX, s.hoverY), std::make_tuple(4, 3));
}

// The border lines belong to no square: the hover square stays, and a click there is refused
// although the hover square would be a legal first placement.
TEST(HoverSquare, BorderLinesOutsideAndNoBoardKeepTheOldSquareAndRefuseClicks)
{
    GameState none; // no board set up: no board area at all
    none.hoverX = 1;
    updateHoverSquare(none, 0, 0);
    EXPECT_EQ(none.hoverX, 1);
    EXPECT_FALSE(isOverBoard(none, 0, 0));
    for (const LayoutModel& m : Layouts) {
        GameState s;
        setupBoard(s, m.board);
        s.hoverX = 2;
        s.hoverY = 3;
        const int32_t left = m.originX, top = m.originY, right = left + m.extent, bottom = top + m.extent;
        const int32_t midX = left + m.extent / 2, midY = top + m.extent / 2;
        const int32_t points[][2] = {{left, midY}, {right, midY}, {midX, top},     {midX, bottom},
                                     {left - 1, midY}, {0, 0},   {800, 600},       {right + 1, top - 1},
                                     {-2147483647 - 1, 2147483647}};
        for (const auto& p : points) {
            updateHoverSquare(s, p[0], p[1]);
            EXPECT_EQ(std::tie(s.hoverX, s.hoverY), std::make_tuple(2, 3)) << m.n << ": " << p[0] << "," << p[1];
            EXPECT_FALSE(isOverBoard(s, p[0], p[1]));
            EXPECT_FALSE(tryJump(s, p[0], p[1], 1));
        }
        EXPECT_EQ(std::tie(s.pieceX, s.score), std::make_tuple(-1, 0));
        // One pixel inside the corner is the corner square.
        EXPECT_TRUE(tryJump(s, left + 1, top + 1, 1));
        EXPECT_EQ(std::tie(s.pieceX, s.pieceY), std::make_tuple(0, 0));
    }
}

TEST(SquarePixelPosition, TruncatesLikeTheIntegerModelOnEverySquare)
{
    for (const LayoutModel& m : Layouts) {
        GameState s;
        setupBoard(s, m.board);
        for (int32_t x = 0; x < m.n; ++x)
            for (int32_t y = 0; y < m.n; ++y)
                EXPECT_EQ(squarePixelPosition(s, x, y), m.corner({x, y})) << m.n << ": " << x << "," << y;
    }
}

// The won test of a whole tour is in TourTest.cpp; here the named tests of each size, with
// the squares beyond the smaller boards left empty.
TEST(FullBoardTest, NamedTestsNeedEverySquareOfTheirBoardOnly)
{
    for (size_t i = 0; i < Layouts.size(); ++i) {
        const LayoutModel& m = Layouts[i];
        GameState s;
        setupBoard(s, m.board);
        for (int32_t x = 0; x < m.n; ++x)
            for (int32_t y = 0; y < m.n; ++y)
                s.cell(x, y) = Cell::Visited;
        namedChecks[i](s);
        EXPECT_TRUE(s.won) << m.n;
        s.cell(m.n - 1, 0) = Cell::Empty;
        namedChecks[i](s);
        EXPECT_FALSE(s.won) << m.n;
    }
}

} // namespace
