// The authors screen: one picture until a click, faded in and out.
#pragma once

// Returns with gameState.leaveScreen set (the caller clears it) and the click that ended
// the screen still in gameState.mouseClicked.
void runAuthorsScreen();
