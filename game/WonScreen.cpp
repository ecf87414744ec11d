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
#include "platform/clock.h"

void runWonScreen(int32_t level)
{
    loadPicture(background, "Data/Congratulaions.bmp");
    while (window.pumpMessage()) {
        if (gameState.leaveScreen)
            break;
        if (!window.active) {
            plat::sleep(1);
            continue;
        }
        // Its own poll: the click that filled the board does not also end this screen.
        readFrameInput();
        drawPicture(background, 0, 0);
        if (gameState.mouseClicked)
            gameState.leaveScreen = true;
        presentFrame();
    }
    storeRank(level);
    gameState.won = false;
}
