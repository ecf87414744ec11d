// The won screen: the new rank, and the congratulations picture until a click.
#pragma once

#include <cstdint>

// Stores the rank of the board's level, shows the picture until the player clicks, then reloads
// the menu's badge. Returns with leaveScreen set, so the board ends too.
void runWonScreen(int32_t level);
