// Jump hints: one picture per free target, the highlighted one under the mouse.
#include "game/JumpHints.h"

#include "game/GameState.h"
#include "game/Globals.h"
#include "game/Jumps.h"
#include "game/LostDialog.h"
#include "game/ScreenFrame.h"
#include "game/SquareGeometry.h"

#include <cstddef>

void showJumpHints(Board board)
{
    const FreeJumps free = countFreeJumps(gameState, board);
    const Square hover{gameState.hoverX, gameState.hoverY};
    for (int32_t i = 0; i < free.count; ++i) {
        const Square target = free.targets[static_cast<std::size_t>(i)];
        const ScreenPoint at = squarePixelPosition(gameState, target.x, target.y);
        drawPicture(target == hover ? hintHoverPicture : hintPicture, at.x, at.y);
    }
    if (free.fellToZero)
        runLostDialog(board);
}

void showJumpHints6x6() { showJumpHints(Board::Size6x6); }
void showJumpHints8x8() { showJumpHints(Board::Size8x8); }
void showJumpHints10x10() { showJumpHints(Board::Size10x10); }
