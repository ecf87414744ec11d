// Jump table lookups and the free-jump count behind the hints and the lost dialog.
#include "game/Jumps.h"

#include <algorithm>
#include <cstddef>

bool isJump(int32_t dx, int32_t dy)
{
    return std::any_of(Jumps.begin(), Jumps.end(),
                       [&](const Jump& jump) { return jump.dx == dx && jump.dy == dy; });
}

FreeJumps countFreeJumps(GameState& state, Board board)
{
    const int32_t n = boardGeometry(board).size;
    FreeJumps result;
    state.freeJumps = 0;
    if (state.pieceX != -1 && !state.leaveScreen) {
        for (const Jump& jump : Jumps) {
            // 64-bit: a corrupted piece position must not overflow on the way to "off the board".
            const int64_t x = int64_t{state.pieceX} + jump.dx;
            const int64_t y = int64_t{state.pieceY} + jump.dy;
            if (x < 0 || x >= n || y < 0 || y >= n)
                continue;
            const auto tx = static_cast<int32_t>(x), ty = static_cast<int32_t>(y);
            if (state.cell(tx, ty) != Cell::Empty)
                continue;
            result.targets[static_cast<size_t>(result.count++)] = {tx, ty};
        }
        state.freeJumps = result.count;
    }
    result.fellToZero = state.freeJumps == 0 && state.previousFreeJumps >= 1;
    // Whether or not the dialog runs, the next frame compares against this frame's count.
    state.lostDialogDone = false;
    state.previousFreeJumps = state.freeJumps;
    return result;
}
