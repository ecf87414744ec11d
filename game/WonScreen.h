// The won screen: the congratulations picture until a click, then the new rank.
#pragma once

#include <cstdint>

// Shows the picture until the player clicks, then stores the rank of the board's level (which
// also reloads the menu's badge). Returns with leaveScreen set, so the board ends too.
void runWonScreen(int32_t level);
