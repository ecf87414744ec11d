// The piece's eight jumps in their scan order, and the count of free jumps from its square.
#pragma once

#include "game/Board.h"
#include "game/GameState.h"

#include <array>
#include <cstdint>

struct Jump {
    int32_t dx;
    int32_t dy;
};

// The scan order decides the order of the hints; keep it.
inline constexpr std::array<Jump, 8> Jumps{{
    {+2, +1},
    {-2, +1},
    {+2, -1},
    {-2, -1},
    {+1, -2},
    {-1, +2},
    {-1, -2},
    {+1, +2},
}};

[[nodiscard]] bool isJump(int32_t dx, int32_t dy);

struct FreeJumps {
    int32_t count = 0;
    std::array<Square, 8> targets{}; // the first count entries, in scan order
    // The count fell from at least one to zero: the lost dialog is to run now (its loop ends
    // at once when leaveScreen is set, so a won or left board never shows it).
    bool fellToZero = false;
};

// freeJumps := the number of empty board squares one jump away from the piece (0 while the
// piece is off the board or leaveScreen is set). Settles previousFreeJumps and lostDialogDone
// for the next frame; the lost dialog, when it runs, clears lostDialogDone again at its end.
[[nodiscard]] FreeJumps countFreeJumps(GameState& state, Board board);
