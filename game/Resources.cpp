// Start-up loading: pictures in their fixed order, keyed sprites, the piece strip, the lost
// dialog's mask, the fade copy, rank, best score, badge and the timer's restart; the rank badges.
#include "game/Resources.h"

#include "framework/AlphaMask.h"
#include "framework/Rect.h"
#include "game/BestScoreFile.h"
#include "game/GameLog.h"
#include "game/GameState.h"
#include "game/Globals.h"
#include "game/RankFile.h"

#include <iterator>

namespace {
// Black packed into the display's format, so keyed blits skip black pixels.
void keyOnBlack(Surface& surface)
{
    const uint32_t black = display.pixelFormat ? display.pixelFormat->pixelFromRgb(0, 0, 0) : 0;
    surface.setColorKey(black);
    surface.flags |= SurfaceFlag::keyed;
}

struct Badge {
    const char* path;
    int32_t x;
    int32_t y;
};
// One badge per rank, 0 to 3.
constexpr Badge badges[] = {
    {"Data/0.bmp", 119, 92},
    {"Data/Menu/man.bmp", 420, 97},
    {"Data/Menu/profy.bmp", 414, 97},
    {"Data/Menu/boss.bmp", 414, 97},
};

void loadSound(Sound& sound, const char* path)
{
    const int result = sound.load(&soundDevice, path, 10);
    // Without a device no sound is loaded at all: that is silence, not a broken file.
    if (result == FrameworkResult::Ok)
        warnIfDamaged(path);
    else if (result != FrameworkResult::NoSoundDevice)
        warnLoadFailed(path, result);
}

void loadKeyedPicture(Surface& surface, const char* path)
{
    loadPicture(surface, path);
    keyOnBlack(surface);
}
} // namespace

void loadPicture(Surface& surface, const char* path)
{
    // A missing picture leaves the surface empty; the game runs on without it.
    if (const int result = surface.loadBitmap(&display, SurfaceKind::System, path, true); result != FrameworkResult::Ok)
        warnLoadFailed(path, result);
    else
        warnIfDamaged(path);
}

void loadResources()
{
    (void)input.attach(window);

    loadPicture(background, "Data/Menu/Menu.bmp");
    loadPicture(menu6x6Picture, "Data/Menu/6x6.bmp");
    loadPicture(menu8x8Picture, "Data/Menu/8x8.bmp");
    loadPicture(menu10x10Picture, "Data/Menu/10x10.bmp");
    loadPicture(musicPicture, "Data/Menu/music.bmp");
    loadPicture(authorsPicture, "Data/Menu/authors.bmp");
    loadPicture(exitPicture, "Data/Menu/exit.bmp");
    loadPicture(musicTickPicture, "Data/Menu/galka.bmp");
    loadKeyedPicture(cursorPicture, "Data/cursor.bmp");
    loadKeyedPicture(hintHoverPicture, "Data/yes.bmp");
    loadKeyedPicture(hintPicture, "Data/here.bmp");
    loadKeyedPicture(pieceStrip, "Data/horse.bmp");
    pieceAnimation.setup(&pieceStrip, 0, 0, 35, 35, 18, 1);
    loadKeyedPicture(visitedPicture, "Data/no.bmp");
    loadPicture(lostPicture, "Data/Menu/Youloose.bmp");
    loadPicture(lostMaskPicture, "Data/Menu/YLMask.bmp");
    (void)lostPicture.createAlphaMask();
    lostPicture.alphaMask->allocate(&lostMaskPicture);
    Rect maskRect;
    (void)lostPicture.alphaMask->fillFromSurface(
        makeRect(maskRect, 0, 0, lostMaskPicture.width, lostMaskPicture.height));
    loadPicture(yesButtonPicture, "Data/Menu/Ja.bmp");
    loadPicture(noButtonPicture, "Data/Menu/Nein.bmp");

    loadSound(clickSound, "Data/Sounds/Click.wav");
    loadSound(startSound, "Data/Sounds/Imp1.wav");
    if (const int result = music.setFile(MusicPath); result != FrameworkResult::Ok)
        warnLoadFailed(MusicPath, result);

    (void)screenCopy.create(&display, SurfaceKind::System, 800, 600);

    readRankFile();
    readBestScoreFile();
    loadRankBadge();
    timer.restart();
}

void loadRankBadge()
{
    const auto rank = static_cast<uint32_t>(gameState.rankLevel);
    if (rank >= std::size(badges))
        return;
    const Badge& badge = badges[rank];
    loadPicture(badgePicture, badge.path);
    gameState.badgeX = badge.x;
    gameState.badgeY = badge.y;
}
