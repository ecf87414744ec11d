// The shared frame pieces, over the global window, display and input.
#include "game/ScreenFrame.h"

#include "framework/Display.h"
#include "framework/Input.h"
#include "framework/Rect.h"
#include "framework/Surface.h"
#include "game/GameState.h"
#include "game/Globals.h"

void pollFrameInput()
{
    input.poll();
    gameState.mouseX = input.x;
    gameState.mouseY = input.y;
    gameState.mouseClicked = input.leftPressed;
}

void drawPicture(Surface& picture, int32_t x, int32_t y)
{
    Rect whole;
    static_cast<void>(picture.blit(backBuffer(), x, y, makeRect(whole, 0, 0, picture.width, picture.height)));
}

bool mouseIn(const ButtonArea& area)
{
    return area.contains(gameState.mouseX, gameState.mouseY);
}
