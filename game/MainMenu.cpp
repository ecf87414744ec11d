// The main menu loop: background, badge, the six buttons with their hover pictures, the music
// tick, the best score and the cursor; the boards and the authors screen run inside it.
#include "game/MainMenu.h"

#include "framework/Font.h"
#include "framework/Result.h"
#include "game/AuthorsScreen.h"
#include "game/BestScoreFile.h"
#include "game/Fades.h"
#include "game/GameLog.h"
#include "game/GameState.h"
#include "game/Globals.h"
#include "game/PlayLoop.h"
#include "game/Resources.h"
#include "game/ScreenFont.h"
#include "game/ScreenFrame.h"
#include "platform/keycodes.h"
#include "platform/music.h"

namespace {
constexpr ScreenRect exitButton{182, 528, 474, 538};
constexpr ScreenRect authorsButton{241, 492, 410, 467};
constexpr ScreenRect musicButton{240, 435, 350, 402};
constexpr ScreenRect board6x6Button{256, 367, 184, 235};
constexpr ScreenRect board8x8Button{260, 359, 236, 285};
constexpr ScreenRect board10x10Button{240, 376, 286, 343};

// The framework plays the piece once; the menu makes it loop. A file that cannot be played is
// logged with the reason (once); no audio output is no fault of the file.
void startMusic()
{
    if (music.play() != FrameworkResult::Ok) {
        if (plat::lastMusicResult() == plat::MusicResult::NotMidi)
            warnDamaged(MusicPath, plat::lastMusicError());
        else if (plat::lastMusicResult() != plat::MusicResult::NoDevice)
            warnNotLoaded(MusicPath, plat::lastMusicError());
        return;
    }
    (void)plat::sendMusicCommand("play MUSIC repeat");
}

void showMenuPictureAgain()
{
    loadPicture(background, "Data/Menu/Menu.bmp");
    fadeInSurface(background, 0, 0);
}

void openAuthorsScreen()
{
    copyFrameToScreenCopy();
    fadeOutSurface(screenCopy, 0, 0);
    runAuthorsScreen();
    gameState.leaveScreen = false;
    // The click that closed the authors screen must not press a menu button in this frame.
    gameState.mouseClicked = 0;
    showMenuPictureAgain();
}

void playBoard(void (*setup)(), void (*play)())
{
    (void)startSound.play(0, nullptr);
    copyFrameToScreenCopy();
    fadeOutSurface(screenCopy, 0, 0);
    setup();
    play();
    gameState.leaveScreen = false;
    gameState.won = false;
    gameState.mouseClicked = 0;
    showMenuPictureAgain();
}

void toggleMusic()
{
    gameState.musicOn = !gameState.musicOn;
    if (gameState.musicOn)
        startMusic();
    else
        (void)music.stop();
}

// A button: its action on a click while the mouse is over it, then its hover picture.
void button(const ScreenRect& rect, Surface& hoverPicture, int x, int y, void (*action)())
{
    if (!mouseIn(rect))
        return;
    if (gameState.mouseClicked)
        action();
    drawPicture(hoverPicture, x, y);
}

bool keyHeld(int scanCode) { return input.keys[static_cast<std::size_t>(scanCode)] != 0; }

void menuFrame(Font& font)
{
    readFrameInput();
    drawPicture(background, 0, 0);
    drawPicture(badgePicture, gameState.badgeX, gameState.badgeY);
    if (keyHeld(plat::dik::Q))
        gameState.leaveScreen = true;

    if (mouseIn(exitButton)) {
        if (gameState.mouseClicked || keyHeld(plat::dik::F1))
            gameState.leaveScreen = true;
        drawPicture(exitPicture, 186, 466);
    }
    button(authorsButton, authorsPicture, 264, 397, openAuthorsScreen);
    button(musicButton, musicPicture, 218, 344, toggleMusic);
    button(board6x6Button, menu6x6Picture, 246, 169, [] { playBoard(setupBoard6x6, runGame6x6); });
    button(board8x8Button, menu8x8Picture, 249, 227, [] { playBoard(setupBoard8x8, runGame8x8); });
    button(board10x10Button, menu10x10Picture, 232, 276, [] { playBoard(setupBoard10x10, runGame10x10); });

    if (gameState.musicOn)
        drawPicture(musicTickPicture, 472, 339);
    drawTextF(font, backBuffer(), ScreenTextX, ScreenTextY, screenTextColour(), "Highscore:%i", gameState.bestScore);
    drawPicture(cursorPicture, gameState.mouseX, gameState.mouseY);
    presentFrame();
}
} // namespace

void runMainMenu()
{
    Font font;
    buildScreenFont(font);
    if (gameState.musicOn)
        startMusic();
    else
        (void)music.stop();
    runScreenLoop([&font] { menuFrame(font); });
    (void)writeBestScoreFile();
}
