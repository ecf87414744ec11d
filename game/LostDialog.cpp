// The lost dialog's own loop: panel through its mask, the "Ja" and "Nein" buttons.
#include "game/LostDialog.h"

#include "framework/AlphaBlit.h"
#include "framework/Display.h"
#include "framework/Rect.h"
#include "framework/Surface.h"
#include "framework/Window.h"
#include "game/BestScoreFile.h"
#include "game/GameState.h"
#include "game/Globals.h"
#include "game/PlayLoop.h"
#include "game/ScreenFrame.h"
#include "game/Screenshot.h"

namespace {

constexpr ScreenRect yesButton{251, 329, 391, 439};
constexpr ScreenRect noButton{411, 585, 401, 443};
constexpr int32_t YesPictureX = 253, YesPictureY = 398;
constexpr int32_t NoPictureX = 420, NoPictureY = 394;

void drawPanel(Surface& target)
{
    Rect whole;
    makeRect(whole, 0, 0, lostPicture.width, lostPicture.height);
    static_cast<void>(target.lock());
    blitAlphaMasked(&lostPicture, &target, LostPanelX, LostPanelY, whole);
    static_cast<void>(target.unlock());
}

// The board picture with the panel over it. Neither changes while the dialog is open, and
// blending the panel through its mask costs as much as dozens of frame copies, so the pair is
// drawn once per opening and copied in each frame. Built on first use, after the display, so
// it is released before it.
Surface& backdrop()
{
    static Surface surface;
    return surface;
}

// Made only when the board picture covers the whole frame; otherwise each frame draws the
// two pictures itself.
bool prepareBackdrop()
{
    Surface* back = backBuffer();
    Surface& b = backdrop();
    if (!back || background.width < back->width || background.height < back->height ||
        b.create(&display, SurfaceKind::System, back->width, back->height) != 0) {
        b.release();
        return false;
    }
    Rect whole;
    if (background.blit(&b, 0, 0, makeRect(whole, 0, 0, back->width, back->height)) != plat::result::Ok) {
        b.release();
        return false;
    }
    drawPanel(b);
    return true;
}

void drawBackdrop(bool prepared)
{
    Surface* back = backBuffer();
    Rect whole;
    if (prepared && back &&
        backdrop().blit(back, 0, 0, makeRect(whole, 0, 0, back->width, back->height)) == plat::result::Ok)
        return;
    drawPicture(background, 0, 0);
    if (back)
        drawPanel(*back);
}

} // namespace

void runLostDialog(Board board)
{
    bool prepared = false;
    bool first = true;
    runScreenLoop([] { return gameState.leaveScreen || gameState.lostDialogDone; }, [&] {
        readFrameInput();
        if (first)
            prepared = prepareBackdrop();
        first = false;
        drawBackdrop(prepared);

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

        raiseBestScore();
        // Before the cursor: a screenshot of the dialog shows none.
        saveScreenshotOnKey();
        drawPicture(cursorPicture, gameState.mouseX, gameState.mouseY);
        static_cast<void>(display.flip(0));
    });
    backdrop().release();
    gameState.lostDialogDone = false;
    gameState.previousFreeJumps = gameState.freeJumps;
}
