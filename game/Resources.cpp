// Start-up loading: pictures in their fixed order with those the screens load later checked too,
// keyed sprites, the piece strip, the lost dialog's mask, the fade copy, rank, best score, badge
// and the timer's restart; the rank badges.
#include "game/Resources.h"

#include "framework/AlphaMask.h"
#include "framework/Rect.h"
#include "game/BestScoreFile.h"
#include "game/GameLog.h"
#include "game/GameState.h"
#include "game/Globals.h"
#include "game/RankFile.h"

#include <filesystem>
#include <iterator>

namespace {
// Black packed into the display's format.
uint32_t black() { return display.pixelFormat ? display.pixelFormat->pixelFromRgb(0, 0, 0) : 0; }

// Keyed blits skip black pixels.
void keyOnBlack(Surface& surface)
{
    surface.setColorKey(black());
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

// The framework's result. A picture that cannot be loaded leaves the surface empty, never with
// the picture it held before (another screen's); the screen's background is black instead, as
// nothing drawn there would leave the last frame's pixels under the rest.
int loadOrEmpty(Surface& surface, const char* path)
{
    const int result = surface.loadBitmap(&display, SurfaceKind::System, path, true);
    if (result == FrameworkResult::Ok) {
        warnIfDamaged(path);
        return result;
    }
    surface.release();
    surface.width = surface.height = 0;
    if (&surface == &background && surface.create(&display, SurfaceKind::System, 800, 600) == FrameworkResult::Ok)
        (void)surface.fill(black());
    return result;
}

// The pictures the screens load when they open: the boards and their end buttons, the won and
// the authors screen, and the badges of every rank. A screen that lost its picture would show
// another's or none, so they are checked at start with the rest.
constexpr const char* laterPictures[] = {
    "Data/Field[6x6].bmp", "Data/Field[8x8].bmp", "Data/Field[10x10].bmp", "Data/end[6x6].bmp",
    "Data/end[8x8].bmp",   "Data/end[10x10].bmp", "Data/Congratulaions.bmp", "Data/Menu/authors().bmp",
};

// The start's pictures as they are loaded: the first failure, said after "in <folder>", and how
// many failed.
struct StartPictures {
    std::string firstFailure;
    int failed = 0;

    bool load(Surface& surface, const char* path)
    {
        const int result = loadOrEmpty(surface, path);
        if (result == FrameworkResult::Ok)
            return true;
        warnLoadFailed(path, result);
        if (failed++ == 0) {
            std::error_code ignored;
            firstFailure = std::string(path) + " in " + std::filesystem::current_path(ignored).string() + " " +
                           loadFailure(result);
        }
        return false;
    }
    void loadKeyed(Surface& surface, const char* path)
    {
        if (load(surface, path))
            keyOnBlack(surface);
    }
};
} // namespace

void loadPicture(Surface& surface, const char* path)
{
    // Checked at start, the picture was taken away since: the screen is drawn without it.
    if (const int result = loadOrEmpty(surface, path); result != FrameworkResult::Ok)
        warnLoadFailed(path, result, true);
}

std::string loadResources()
{
    (void)input.attach(window);

    StartPictures pictures;
    pictures.load(background, "Data/Menu/Menu.bmp");
    pictures.load(menu6x6Picture, "Data/Menu/6x6.bmp");
    pictures.load(menu8x8Picture, "Data/Menu/8x8.bmp");
    pictures.load(menu10x10Picture, "Data/Menu/10x10.bmp");
    pictures.load(musicPicture, "Data/Menu/music.bmp");
    pictures.load(authorsPicture, "Data/Menu/authors.bmp");
    pictures.load(exitPicture, "Data/Menu/exit.bmp");
    pictures.load(musicTickPicture, "Data/Menu/galka.bmp");
    pictures.loadKeyed(cursorPicture, "Data/cursor.bmp");
    pictures.loadKeyed(hintHoverPicture, "Data/yes.bmp");
    pictures.loadKeyed(hintPicture, "Data/here.bmp");
    pictures.loadKeyed(pieceStrip, "Data/horse.bmp");
    pictures.loadKeyed(visitedPicture, "Data/no.bmp");
    pictures.load(lostPicture, "Data/Menu/Youloose.bmp");
    pictures.load(lostMaskPicture, "Data/Menu/YLMask.bmp");
    pictures.load(yesButtonPicture, "Data/Menu/Ja.bmp");
    pictures.load(noButtonPicture, "Data/Menu/Nein.bmp");
    Surface later;
    for (const char* path : laterPictures)
        pictures.load(later, path);
    for (const Badge& badge : badges)
        pictures.load(later, badge.path);
    later.release();
    if (pictures.failed > 1)
        pictures.firstFailure += "; " + std::to_string(pictures.failed - 1) + " more " +
                                 (pictures.failed == 2 ? "picture" : "pictures") + " cannot be loaded either";
    if (pictures.failed > 0)
        return pictures.firstFailure;

    pieceAnimation.setup(&pieceStrip, 0, 0, 35, 35, 18, 1);
    (void)lostPicture.createAlphaMask();
    lostPicture.alphaMask->allocate(&lostMaskPicture);
    Rect maskRect;
    (void)lostPicture.alphaMask->fillFromSurface(
        makeRect(maskRect, 0, 0, lostMaskPicture.width, lostMaskPicture.height));

    loadSound(clickSound, "Data/Sounds/Click.wav");
    loadSound(startSound, "Data/Sounds/Imp1.wav");
    if (const int result = music.setFile(MusicPath); result != FrameworkResult::Ok)
        warnLoadFailed(MusicPath, result);

    (void)screenCopy.create(&display, SurfaceKind::System, 800, 600);

    readRankFile();
    readBestScoreFile();
    loadRankBadge();
    timer.restart();
    return {};
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
