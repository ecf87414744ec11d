// The board screens: each board's full setup (input, pictures, fresh state) and its play loop.
#pragma once

#include "game/Board.h"

#include <cstdint>

// Attaches the input, loads the board's end button and board pictures, then sets up a fresh
// board. The menu calls it before the loop; the lost dialog's "Ja" calls it to play again.
void setupBoardScreen(Board board);
void setupBoard6x6();
void setupBoard8x8();
void setupBoard10x10();

// Each runs until the board is left, won or the window is gone, then fades out.
void runGame(Board board);
void runGame6x6();
void runGame8x8();
void runGame10x10();

// Steps the jump animation on the timer and draws the visited squares and the piece of an
// n x n board into the back buffer; nothing while the piece is off the board or the screen
// is being left.
void drawBoardCells(int32_t n);
