// The shared steps of the screen loops.
#include "game/ScreenFrame.h"

#include "game/EndSignals.h"
#include "game/GameState.h"
#include "game/Globals.h"
#include "game/MusicLog.h"
#include "game/Screenshot.h"

void readFrameInput()
{
    writeMusicLog();
    input.poll();
    gameState.mouseX = input.x;
    gameState.mouseY = input.y;
    gameState.mouseClicked = input.leftPressed;
}

bool pumpGameWindow()
{
    // Closed as the player closes it: every screen loop then ends and the menu saves the score.
    if (endSignalled() && plat::isWindow(window.handle))
        plat::destroyWindow(window.handle);
    return window.pumpMessage();
}

bool mouseIn(const ScreenRect& rect)
{
    const int32_t x = gameState.mouseX;
    const int32_t y = gameState.mouseY;
    return x >= rect.left && x <= rect.right && y >= rect.top && y <= rect.bottom;
}

void drawPicture(Surface& picture, int x, int y)
{
    Rect whole;
    (void)picture.blit(backBuffer(), x, y, makeRect(whole, 0, 0, picture.width, picture.height));
}

void presentFrame()
{
    saveScreenshotOnKey();
    (void)display.flip(0);
}

void showBackgroundUntilClick()
{
    runScreenLoop([] {
        readFrameInput();
        drawPicture(background, 0, 0);
        if (gameState.mouseClicked)
            gameState.leaveScreen = true;
        presentFrame();
    });
}
