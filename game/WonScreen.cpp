// The won screen's loop and the rank update after it.
#include "game/WonScreen.h"

#include "framework/Display.h"
#include "framework/Surface.h"
#include "framework/Window.h"
#include "game/GameState.h"
#include "game/Globals.h"
#include "game/RankFile.h"
#include "game/Resources.h"
#include "game/ScreenFrame.h"

void runWonScreen(int32_t level)
{
    // Stored at once: an end signal during the screen must not lose it.
    storeRank(level);
    loadPicture(background, "Data/Congratulaions.bmp");
    showBackgroundUntilClick();
    loadRankBadge();
    gameState.won = false;
}
