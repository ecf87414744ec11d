// Start-up of the game: the message box for the support library's reports, window, display,
// resources, a first frame, then the main menu until the player leaves.
#include "game/Program.h"

#include "framework/Mmx.h"
#include "game/BestScoreFile.h"
#include "game/EndSignals.h"
#include "game/GameState.h"
#include "game/Globals.h"
#include "game/MainMenu.h"
#include "game/MusicLog.h"
#include "game/Resources.h"
#include "game/ScreenFrame.h"
#include "platform/dialog.h"
#include "platform/display.h"
#include "platform/window.h"
#include "talvo/assertion.h"
#include "talvo/log_file.h"

#include <cstdio>
#include <filesystem>
#include <string>

namespace {
int showPlatformMessageBox(void*, const char* text, const char* title, std::uint32_t flags)
{
    plat::DialogButtons buttons = plat::DialogButtons::Ok;
    switch (flags & 0xF) {
    case talvo::box::abortRetryIgnore: buttons = plat::DialogButtons::AbortRetryIgnore; break;
    case talvo::box::retryCancel: buttons = plat::DialogButtons::RetryCancel; break;
    default: break;
    }
    // The platform numbers its answers as the support library does.
    return static_cast<int>(plat::showMessageBox(title ? title : "", text ? text : "", buttons));
}

// What the first screen needs: a Data/ without it is someone else's folder, not the game's data.
constexpr const char* firstScreenPicture = "Data/Menu/Menu.bmp";

bool hasDataFolder(const std::filesystem::path& folder)
{
    std::error_code ignored;
    return std::filesystem::is_regular_file(folder / firstScreenPicture, ignored);
}

// A desktop launcher starts the game from anywhere: the data beside the executable is taken
// when the working folder holds none. False, with the reason on stderr, when neither has it.
bool enterDataFolder()
{
    std::error_code ignored;
    const std::filesystem::path here = std::filesystem::current_path(ignored);
    if (hasDataFolder("."))
        return true;
    const std::filesystem::path beside = std::filesystem::path(talvo::executablePath()).parent_path();
    if (!beside.empty() && hasDataFolder(beside)) {
        std::error_code error;
        std::filesystem::current_path(beside, error);
        if (!error)
            return true;
    }
    std::fprintf(stderr,
                 "Velmoor: cannot find the game's data (%s is neither in the working folder %s"
                 " nor beside the executable in %s)\n",
                 firstScreenPicture, here.empty() ? "?" : here.c_str(), beside.empty() ? "?" : beside.c_str());
    return false;
}

int startFailed(const char* what, const std::string& reason)
{
    std::fprintf(stderr, "Velmoor: %s: %s\n", what, reason.empty() ? "no reason given" : reason.c_str());
    return 1;
}
} // namespace

int runVelmoor()
{
    talvo::DialogHooks hooks;
    hooks.messageBox = showPlatformMessageBox;
    (void)talvo::setDialogHooks(hooks);
    const EndSignals endSignals;
    catchMusicLog();

    if (!enterDataFolder())
        return 1;

    if (!window.create("Velmoor", nullptr, nullptr, WindowStylePopup, 0, 0, plat::screenWidth(),
                       plat::screenHeight()))
        return startFailed("cannot open the game window", plat::lastWindowError());
    if (display.create() != 0)
        return startFailed("cannot open the display", plat::lastDisplayError());
    if (display.setMode(DisplayMode::OwnMemoryBack, window.handle, 800, 600, 16) != 0)
        return startFailed("cannot set the 800 x 600 display mode", plat::lastDisplayError());
    mmxEnabled = 0;
    // Without an audio device the game runs silent.
    (void)soundDevice.create(window.handle);

    loadResources();
    // From here on the best score read at start-up is ours to keep, even if the display dies.
    plat::setDisplayLostHook([](const char*) { (void)writeBestScoreFile(); });
    loadPicture(background, "Data/Menu/Menu.bmp");
    presentFrame();

    gameState.leaveScreen = false;
    runMainMenu();
    writeMusicLog();
    return 0;
}
