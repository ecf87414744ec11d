// The lost dialog's own loop: panel through its mask, the "Ja" and "Nein" buttons.
#include "game/LostDialog.h"

#include "framework/AlphaBlit.h"
#include "framework/Display.h"
#include "framework/Rect.h"
#include "framework/Surface.h"
#include "framework/Window.h"
#include "game/GameState.h"
#include "game/Globals.h"
#include "game/PlayLoop.h"
#include "game/Rules.h"
#include "game/ScreenFrame.h"
#include "game/Screenshot.h"
#include "platform/clock.h"

namespace {

constexpr ScreenRect yesButton{251, 329, 391, 439};
constexpr ScreenRect noButton{411, 585, 401, 443};
constexpr int32_t YesPictureX = 253, YesPictureY = 398;
constexpr int32_t NoPictureX = 420, NoPictureY = 394;

void drawPanel()
{
    Surface* back = backBuffer();
    if (!back)
        return;
    Rect whole;
    makeRect(whole, 0, 0, lostPicture.width, lostPicture.height);
    static_cast<void>(back->lock());
    blitAlphaMasked(&lostPicture, back, LostPanelX, LostPanelY, whole);
    static_cast<void>(back->unlock());
}

} // namespace

void runLostDialog(Board board)
{
    while (window.pumpMessage()) {
        if (gameState.leaveScreen || gameState.lostDialogDone)
            break;
        if (!window.active) {
            plat::sleep(1);
            continue;
        }
        readFrameInput();
        drawPicture(background, 0, 0);
        drawPanel();

        if (gameState.mouseClicked) {
            if (mouseIn(yesButton)) {
                gameState.leaveScreen = false;
                gameState.won = false;
                setupBoardScreen(board);
                gameState.lostDialogDone = true;
            } else if (mouseIn(noButton)) {
                gameState.leaveScreen = true;
            }
        }
        if (mouseIn(yesButton))
            drawPicture(yesButtonPicture, YesPictureX, YesPictureY);
        if (mouseIn(noButton))
            drawPicture(noButtonPicture, NoPictureX, NoPictureY);

        raiseBestScore(gameState);
        // Before the cursor: a screenshot of the dialog shows none.
        saveScreenshotOnKey();
        drawPicture(cursorPicture, gameState.mouseX, gameState.mouseY);
        static_cast<void>(display.flip(0));
    }
    gameState.lostDialogDone = false;
    gameState.previousFreeJumps = gameState.freeJumps;
}
