// The hints on every square the piece can jump to next, and the lost dialog when none is left.
#pragma once

#include "game/Board.h"

// Once per board frame, right after the board's squares are drawn.
void showJumpHints(Board board);
void showJumpHints6x6();
void showJumpHints8x8();
void showJumpHints10x10();
