// The process-wide game state; constant-initialised, so it exists before any other global.
#include "game/GameState.h"

constinit GameState gameState{};
