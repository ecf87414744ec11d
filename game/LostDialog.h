// The lost dialog: the board picture under a see-through panel asking to play again.
#pragma once

#include "game/Board.h"

#include <cstdint>

// Where the dialog draws and what reacts to the mouse (rectangles include their edges).
inline constexpr int32_t LostPanelX = 144;
inline constexpr int32_t LostPanelY = 44;

// Runs inside the play loop's frame until "Ja" (a fresh board of the same size; the 6x6 board
// also starts again from 0 points) or "Nein" (the board is left) or the window's end.
void runLostDialog(Board board);
