// The authors screen: no cursor, every key ignored, a click ends it.
#include "game/AuthorsScreen.h"

#include "game/Fades.h"
#include "game/GameState.h"
#include "game/Globals.h"
#include "game/Resources.h"
#include "game/ScreenFrame.h"
#include "platform/clock.h"

void runAuthorsScreen()
{
    loadPicture(background, "Data/Menu/authors().bmp");
    fadeInSurface(background, 0, 0);
    while (window.pumpMessage()) {
        if (gameState.leaveScreen)
            break;
        if (!window.active) {
            plat::sleep(1);
            continue;
        }
        readFrameInput();
        drawPicture(background, 0, 0);
        if (gameState.mouseClicked)
            gameState.leaveScreen = true;
        presentFrame();
    }
    copyFrameToScreenCopy();
    fadeOutSurface(screenCopy, 0, 0);
}
