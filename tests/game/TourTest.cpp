// Whole boards played by clicks through the play loop's rule calls: a complete tour on every
// size, and a run into a dead end.
#include "tests/game/BoardModel.h"

#include "game/Jumps.h"
#include "game/Rules.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

struct FrameResult {
    bool accepted = false;
    FreeJumps free;
};

// The rule calls of one play-loop frame, in the loop's order; the won screen is stood in for
// by setting leaveScreen, as it returns with it set. The clock moves 16 ms per frame.
class PlayLoop {
public:
    PlayLoop(GameState& state, const LayoutModel& m) : state_(state), m_(m) {}

    FrameResult frame(int32_t mouseX, int32_t mouseY, bool click)
    {
        state_.mouseX = mouseX;
        state_.mouseY = mouseY;
        state_.mouseClicked = click ? 1 : 0;
        updateHoverSquare(state_, mouseX, mouseY);
        FrameResult result;
        result.accepted = tryJump(state_, mouseX, mouseY, state_.mouseClicked);
        checkBoardComplete(state_, m_.board);
        if (state_.won)
            state_.leaveScreen = true;
        if (state_.pieceX != -1 && !state_.leaveScreen)
            advanceJumpAnimation(state_, ++frames_ * 0.016);
        result.free = countFreeJumps(state_, m_.board);
        return result;
    }

    FrameResult click(Square s)
    {
        const ScreenPoint p = m_.centre(s);
        return frame(p.x, p.y, true);
    }

private:
    GameState& state_;
    const LayoutModel& m_;
    int64_t frames_ = 0;
};

bool among(const FreeJumps& free, Square s)
{
    return std::find(free.targets.begin(), free.targets.begin() + free.count, s) != free.targets.begin() + free.count;
}

TEST(CompleteTour, EveryBoardIsWonOnTheLastClickOnly)
{
    for (const LayoutModel& m : Layouts)
        for (const Square start : {Square{0, 0}, Square{m.n / 2, 1}}) {
            SCOPED_TRACE(std::to_string(m.n) + " from " + std::to_string(start.x) + "," + std::to_string(start.y));
            const std::vector<Square> tour = knightsTour(m.n, start);
            ASSERT_EQ(static_cast<int32_t>(tour.size()), m.n * m.n) << "the test found no tour";

            GameState s;
            setupBoard(s, m.board);
            PlayLoop loop(s, m);
            EXPECT_FALSE(loop.frame(m.originX + 20, m.originY + 20, false).accepted) << "the mouse resting";
            for (size_t i = 0; i < tour.size(); ++i) {
                const bool last = i + 1 == tour.size();
                const FrameResult r = loop.click(tour[i]);
                ASSERT_TRUE(r.accepted) << "click " << i;
                ASSERT_EQ(std::tie(s.score, s.won, s.pieceX, s.pieceY),
                          std::make_tuple(static_cast<int32_t>(i + 1), last, tour[i].x, tour[i].y));
                if (i > 0) {
                    ASSERT_EQ(s.cell(tour[i - 1].x, tour[i - 1].y), Cell::Visited);
                    ASSERT_FALSE(loop.click(tour[i - 1]).accepted) << "a visited square one jump away";
                }
                if (!last) {
                    ASSERT_TRUE(among(r.free, tour[i + 1])) << "the next square is among the hints, click " << i;
                    ASSERT_FALSE(loop.click(tour[i]).accepted) << "a click on the piece itself";
                    const ScreenPoint next = m.centre(tour[i + 1]);
                    ASSERT_FALSE(loop.frame(next.x, next.y, false).accepted) << "the mouse over a target, no click";
                }
            }
            EXPECT_TRUE(s.leaveScreen);
            EXPECT_EQ(s.freeJumps, 0) << "no count is taken once the won screen ran";
            EXPECT_EQ(std::count(s.cells.begin(), s.cells.end(), Cell::Visited), m.n * m.n - 1);
        }
}

TEST(DeadEnd, TheFreeJumpCountFallsToZeroExactlyOnTheClickThatTrapsThePiece)
{
    for (const LayoutModel& m : Layouts)
        for (const Square start : {Square{0, 0}, Square{m.n - 1, 2}}) {
            SCOPED_TRACE(std::to_string(m.n) + " from " + std::to_string(start.x) + "," + std::to_string(start.y));
            const std::vector<Square> path = deadEndPath(m.n, start);
            ASSERT_GE(path.size(), 2u) << "the test found no dead end";

            GameState s;
            setupBoard(s, m.board);
            PlayLoop loop(s, m);
            for (size_t i = 0; i < path.size(); ++i) {
                const bool last = i + 1 == path.size();
                const FrameResult r = loop.click(path[i]);
                ASSERT_TRUE(r.accepted) << "click " << i;
                ASSERT_FALSE(s.won);
                ASSERT_EQ(std::make_tuple(r.free.count == 0, r.free.fellToZero), std::make_tuple(last, last)) << "click " << i;
                ASSERT_EQ(s.freeJumps, r.free.count);
            }
            EXPECT_EQ(s.score, static_cast<int32_t>(path.size()));
            EXPECT_FALSE(loop.frame(m.originX + 5, m.originY + 5, true).free.fellToZero) << "reported once";
            EXPECT_FALSE(loop.frame(0, 0, false).free.fellToZero);

            // "Ja": the dialog is done and the same board set up again, where zero free jumps
            // is no loss; the first placement brings the hints back and clears the dialog's mark.
            s.lostDialogDone = true;
            setupBoard(s, m.board);
            EXPECT_FALSE(loop.frame(0, 0, false).free.fellToZero) << "a board not yet begun";
            const FrameResult r = loop.click(start);
            EXPECT_TRUE(r.accepted);
            EXPECT_GE(r.free.count, 2);
            EXPECT_FALSE(s.lostDialogDone);
            // Only the 6x6 board starts from 0 points again.
            EXPECT_EQ(s.score, m.n == 6 ? 1 : static_cast<int32_t>(path.size()) + 1);
        }
}

} // namespace
