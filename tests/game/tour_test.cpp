// Whole boards played by clicks: a complete tour on every size, and a run into a dead end.
#include "play_frame.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

// The test's own knight moves and board model, so that a tour is found without the game.
constexpr int32_t Moves[8][2] = {{1, 2}, {2, 1}, {2, -1}, {1, -2}, {-1, -2}, {-2, -1}, {-2, 1}, {-1, 2}};

class TourFinder {
public:
    explicit TourFinder(int32_t n) : n_(n), seen_(static_cast<size_t>(n * n), false) {}

    // Warnsdorff's rule (fewest onward moves first), backtracking when it runs into a dead end.
    std::vector<Square> from(Square start)
    {
        path_.assign(1, start);
        mark(start, true);
        if (!extend())
            path_.clear();
        return path_;
    }

    [[nodiscard]] int32_t onward(Square s) const
    {
        int32_t count = 0;
        for (const auto& m : Moves)
            count += free({s.x + m[0], s.y + m[1]}) ? 1 : 0;
        return count;
    }

    [[nodiscard]] bool free(Square s) const
    {
        return s.x >= 0 && s.x < n_ && s.y >= 0 && s.y < n_ && !seen_[index(s)];
    }

    void mark(Square s, bool on) { seen_[index(s)] = on; }

    [[nodiscard]] std::vector<Square> nextSquares(Square s) const
    {
        std::vector<Square> next;
        for (const auto& m : Moves)
            if (free({s.x + m[0], s.y + m[1]}))
                next.push_back({s.x + m[0], s.y + m[1]});
        std::stable_sort(next.begin(), next.end(),
                         [&](Square a, Square b) { return onward(a) < onward(b); });
        return next;
    }

private:
    bool extend()
    {
        if (static_cast<int32_t>(path_.size()) == n_ * n_)
            return true;
        for (const Square next : nextSquares(path_.back())) {
            path_.push_back(next);
            mark(next, true);
            if (extend())
                return true;
            mark(next, false);
            path_.pop_back();
        }
        return false;
    }

    [[nodiscard]] size_t index(Square s) const { return static_cast<size_t>(s.x * n_ + s.y); }

    int32_t n_;
    std::vector<bool> seen_;
    std::vector<Square> path_;
};

// Walks against Warnsdorff's rule (most onward moves first) until no way is left: a run that
// strands the piece long before the board is full.
std::vector<Square> deadEndFrom(int32_t n, Square start)
{
    TourFinder board(n);
    std::vector<Square> path{start};
    board.mark(start, true);
    while (true) {
        const std::vector<Square> next = board.nextSquares(path.back());
        if (next.empty())
            return path;
        path.push_back(next.back());
        board.mark(next.back(), true);
    }
}

std::string nameOf(const LayoutModel& m) { return std::to_string(m.n) + "x" + std::to_string(m.n); }

TEST(CompleteTour, EveryBoardIsWonOnTheLastClickOnly)
{
    for (const LayoutModel& m : Layouts)
        for (const Square start : {Square{0, 0}, Square{m.n / 2, 1}}) {
            SCOPED_TRACE(nameOf(m) + " from " + std::to_string(start.x) + "," + std::to_string(start.y));
            const std::vector<Square> tour = TourFinder(m.n).from(start);
            ASSERT_EQ(static_cast<int32_t>(tour.size()), m.n * m.n) << "the test found no tour";

            GameState s;
            setupBoard(s, m.board);
            PlayLoop loop(s, m.board);
            // A frame with the mouse resting on the board before the first click.
            EXPECT_FALSE(loop.frame(m.originX + 20, m.originY + 20, false).accepted);
            for (size_t i = 0; i < tour.size(); ++i) {
                const bool last = i + 1 == tour.size();
                const FrameResult r = loop.click(m, tour[i]);
                ASSERT_TRUE(r.accepted) << "click " << i;
                ASSERT_EQ(s.score, static_cast<int32_t>(i + 1));
                ASSERT_EQ(s.won, last) << "click " << i;
                ASSERT_EQ(s.pieceX, tour[i].x);
                ASSERT_EQ(s.pieceY, tour[i].y);
                if (i > 0) {
                    ASSERT_EQ(s.previousX, tour[i - 1].x);
                    ASSERT_EQ(s.cell(tour[i - 1].x, tour[i - 1].y), Cell::Visited);
                }
                if (!last) {
                    // The next square of the tour is always among the hints.
                    ASSERT_GE(r.free.count, 1) << "click " << i;
                    ASSERT_NE(std::find(r.free.targets.begin(), r.free.targets.begin() + r.free.count, tour[i + 1]),
                              r.free.targets.begin() + r.free.count);
                    // Clicking anywhere that is not a jump in between changes nothing.
                    ASSERT_FALSE(loop.click(m, tour[i]).accepted);
                }
            }
            EXPECT_EQ(s.score, m.n * m.n);
            EXPECT_TRUE(s.leaveScreen);
            EXPECT_EQ(s.freeJumps, 0) << "no count is taken once the won screen ran";
            EXPECT_EQ(std::count(s.cells.begin(), s.cells.end(), Cell::Piece), 1);
            EXPECT_EQ(std::count(s.cells.begin(), s.cells.end(), Cell::Visited), m.n * m.n - 1);
        }
}

TEST(DeadEnd, TheFreeJumpCountFallsToZeroExactlyOnTheClickThatTrapsThePiece)
{
    for (const LayoutModel& m : Layouts)
        for (const Square start : {Square{0, 0}, Square{m.n - 1, 2}}) {
            SCOPED_TRACE(nameOf(m) + " from " + std::to_string(start.x) + "," + std::to_string(start.y));
            const std::vector<Square> path = deadEndFrom(m.n, start);
            ASSERT_LT(static_cast<int32_t>(path.size()), m.n * m.n) << "the walk filled the board";
            ASSERT_GE(path.size(), 2u);

            GameState s;
            setupBoard(s, m.board);
            PlayLoop loop(s, m.board);
            for (size_t i = 0; i < path.size(); ++i) {
                const bool last = i + 1 == path.size();
                const FrameResult r = loop.click(m, path[i]);
                ASSERT_TRUE(r.accepted) << "click " << i;
                ASSERT_FALSE(s.won);
                ASSERT_EQ(r.free.count == 0, last) << "click " << i;
                ASSERT_EQ(r.free.fellToZero, last) << "click " << i;
                ASSERT_EQ(s.freeJumps, r.free.count);
            }
            EXPECT_EQ(s.score, static_cast<int32_t>(path.size()));
            // The frames after the fall do not report it again.
            EXPECT_FALSE(loop.frame(m.originX + 5, m.originY + 5, true).free.fellToZero);
            EXPECT_FALSE(loop.frame(0, 0, false).free.fellToZero);

            // "Ja": the same board again; the first placement brings the hints back.
            setupBoard(s, m.board);
            EXPECT_FALSE(loop.frame(0, 0, false).free.fellToZero) << "a board not yet begun";
            const FrameResult r = loop.click(m, start);
            EXPECT_TRUE(r.accepted);
            EXPECT_GE(r.free.count, 2);
            EXPECT_EQ(s.score, m.n == 6 ? 1 : static_cast<int32_t>(path.size()) + 1);
        }
}

} // namespace
