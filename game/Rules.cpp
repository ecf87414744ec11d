// The puzzle's click rule and the bookkeeping that follows a jump.
#include "game/Rules.h"

#include "game/Jumps.h"
#include "game/SquareGeometry.h"

bool tryJump(GameState& state, int32_t mouseX, int32_t mouseY, int32_t clicked)
{
    if (clicked == 0 || !isOverBoard(state, mouseX, mouseY))
        return false;
    // The play loop has already found this square in the frame; finding it again here keeps
    // the rule right for a caller that has not, instead of acting on a stale square.
    updateHoverSquare(state, mouseX, mouseY);
    const int32_t x = state.hoverX, y = state.hoverY;
    if (!inStorage(x, y) || state.cell(x, y) != Cell::Empty)
        return false;
    const bool placing = state.pieceX == -1;
    if (!placing && (!inStorage(state.pieceX, state.pieceY) || !isJump(x - state.pieceX, y - state.pieceY)))
        return false;

    state.cell(x, y) = Cell::Piece;
    state.previousX = state.pieceX;
    state.previousY = state.pieceY;
    state.pieceX = x;
    state.pieceY = y;
    // The first placement leaves no square behind.
    if (state.previousX != -1)
        state.cell(state.previousX, state.previousY) = Cell::Visited;
    state.animating = true;
    state.jumpStep = 0;
    ++state.score;
    return true;
}

void advanceJumpAnimation(GameState& state, double seconds)
{
    if (state.pieceX == -1 || state.leaveScreen)
        return;
    state.time = seconds;
    // A click does not restart this clock, so the first step may come in the click's own frame.
    if (state.lastStepTime + 0.05 < state.time) {
        if (state.jumpStep < 8)
            ++state.jumpStep;
        state.lastStepTime = state.time;
    }
    if (state.jumpStep == 8)
        state.animating = false;
}

int32_t raisedBestScore(const GameState& state)
{
    return state.score > state.bestScore ? state.score : state.bestScore;
}
