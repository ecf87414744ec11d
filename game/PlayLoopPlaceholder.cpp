// Stand-in until the board screens exist: a board is set up and left at once.
#include "game/PlayLoop.h"

#include "game/Board.h"
#include "game/GameState.h"

void setupBoard6x6() { setupBoard6x6(gameState); }
void setupBoard8x8() { setupBoard8x8(gameState); }
void setupBoard10x10() { setupBoard10x10(gameState); }

void runGame6x6() {}
void runGame8x8() {}
void runGame10x10() {}
