// What a click does to the board, the jump animation's clock, and the best score.
#pragma once

#include "game/GameState.h"

#include <cstdint>

// The click rule: a click strictly inside the board area on an empty square is taken when the
// piece is not yet on the board or the square is one jump away. A taken click moves the piece
// there, marks the square it left as visited, scores a point and restarts the jump animation.
// Anything else changes nothing. Returns whether the click was taken (the caller then plays
// the click sound).
[[nodiscard]] bool tryJump(GameState& state, int32_t mouseX, int32_t mouseY, int32_t clicked);

// One tick of the jump animation's clock at the timer's time in seconds: a step every
// 0.05 s and more, 8 steps per jump. Does nothing while the piece is off the board or
// leaveScreen is set.
void advanceJumpAnimation(GameState& state, double seconds);

// The best score after the play so far: the score when it is higher. BestScoreFile.h's
// raiseBestScore takes it.
[[nodiscard]] int32_t raisedBestScore(const GameState& state);
