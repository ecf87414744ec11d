// Test helpers: an integer model of the board layouts and one play-loop frame of rule calls.
#pragma once

#include "game/Board.h"
#include "game/GameState.h"
#include "game/Jumps.h"
#include "game/Rules.h"
#include "game/SquareGeometry.h"

#include <array>
#include <cstdint>
#include <cstdlib>

// The layouts with each square side as an exact fraction num / den, so that columns and pixel
// positions come from integer division rather than from the code under test.
struct LayoutModel {
    Board board;
    int32_t n;
    int32_t num;
    int32_t den;
    int32_t originX;
    int32_t originY;
    int32_t extent;
};

inline constexpr std::array<LayoutModel, 3> Layouts{{
    {Board::Size6x6, 6, 443, 10, 165, 181, 266},
    {Board::Size8x8, 8, 177, 4, 86, 83, 354},
    {Board::Size10x10, 10, 221, 5, 98, 50, 442},
}};

// Column (or row) of a pixel offset inside the board area.
[[nodiscard]] inline int32_t modelColumn(const LayoutModel& m, int32_t offset) { return offset * m.den / m.num; }

// A pixel well inside column (or row) c: the middle of the square.
[[nodiscard]] inline int32_t modelCentreOffset(const LayoutModel& m, int32_t c)
{
    return (2 * c + 1) * m.num / (2 * m.den);
}

[[nodiscard]] inline ScreenPoint modelSquareCentre(const LayoutModel& m, Square s)
{
    return {m.originX + modelCentreOffset(m, s.x), m.originY + modelCentreOffset(m, s.y)};
}

// A knight's move, independent of the game's jump table.
[[nodiscard]] inline bool knightMove(int32_t dx, int32_t dy) { return std::abs(dx) * std::abs(dy) == 2; }

struct FrameResult {
    bool accepted = false;
    FreeJumps free;
};

// The rule calls of one play-loop frame, in the loop's order; the won screen is stood in for
// by setting leaveScreen, as it returns with it set. The clock moves 16 ms per frame.
class PlayLoop {
public:
    explicit PlayLoop(GameState& state, Board board) : state_(state), board_(board) {}

    FrameResult frame(int32_t mouseX, int32_t mouseY, bool click)
    {
        state_.mouseX = mouseX;
        state_.mouseY = mouseY;
        state_.mouseClicked = click ? 1 : 0;
        updateHoverSquare(state_, mouseX, mouseY);
        FrameResult result;
        result.accepted = tryJump(state_, mouseX, mouseY, state_.mouseClicked);
        checkBoardComplete(state_, board_);
        if (state_.won)
            state_.leaveScreen = true;
        if (state_.pieceX != -1 && !state_.leaveScreen) {
            ++frames_;
            advanceJumpAnimation(state_, frames_ * 0.016);
        }
        result.free = countFreeJumps(state_, board_);
        return result;
    }

    FrameResult click(const LayoutModel& m, Square s)
    {
        const ScreenPoint p = modelSquareCentre(m, s);
        return frame(p.x, p.y, true);
    }

private:
    GameState& state_;
    Board board_;
    int64_t frames_ = 0;
};
