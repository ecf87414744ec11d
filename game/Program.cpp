// Start-up of the game: the one vector level handed down, the message box for the support library's
// reports, window, display, resources, a first frame, then the main menu until the player leaves.
#include "game/Program.h"

#include "framework/Mmx.h"
#include "framework/VectorLevel.h"
#include "game/BestScoreFile.h"
#include "game/EndSignals.h"
#include "game/GameLog.h"
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
#include "talvo/text_line.h"

#include <cstdio>
#include <filesystem>
#include <new>
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

// What keeps the folder from holding the game's data, said after "is": "" when the first
// screen's picture is a regular file there.
constexpr const char* notThere = "not there";
std::string dataProblem(const std::filesystem::path& folder)
{
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(folder / firstScreenPicture, error);
    switch (status.type()) {
    case std::filesystem::file_type::regular: return "";
    case std::filesystem::file_type::not_found: return notThere;
    case std::filesystem::file_type::none: return "not readable (" + error.message() + ")";
    default: return "not a regular file"; // a device, a pipe, a folder: never the picture
    }
}

// A desktop launcher starts the game from anywhere: the data beside the executable is taken
// when the working folder holds none. False, with the reason on stderr, when neither has it.
bool enterDataFolder()
{
    std::error_code ignored;
    const std::filesystem::path here = std::filesystem::current_path(ignored);
    const std::string hereProblem = dataProblem(".");
    if (hereProblem.empty())
        return true;
    const std::filesystem::path beside = std::filesystem::path(talvo::executablePath()).parent_path();
    std::string besideProblem = beside.empty() ? notThere : dataProblem(beside);
    if (besideProblem.empty()) {
        std::error_code error;
        std::filesystem::current_path(beside, error);
        if (!error)
            return true;
        besideProblem = "in a folder the game cannot enter (" + error.message() + ")";
    }
    const std::string herePath = here.empty() ? "?" : talvo::textInLine(here.native());
    const std::string besidePath = beside.empty() ? "?" : talvo::textInLine(beside.native());
    if (hereProblem == notThere && besideProblem == notThere)
        std::fprintf(stderr,
                     "Velmoor: cannot find the game's data (%s is neither in the working folder %s"
                     " nor beside the executable in %s)\n",
                     firstScreenPicture, herePath.c_str(), besidePath.c_str());
    else
        std::fprintf(stderr,
                     "Velmoor: cannot use the game's data (%s in the working folder %s is %s, and beside the"
                     " executable in %s is %s)\n",
                     firstScreenPicture, herePath.c_str(), hereProblem.c_str(), besidePath.c_str(), besideProblem.c_str());
    return false;
}

int startFailed(const char* what, const std::string& reason)
{
    std::fprintf(stderr, "Velmoor: %s: %s\n", what, reason.empty() ? "no reason given" : reason.c_str());
    return 1;
}

// Set once the best score read at start-up is the game's to keep.
bool keepingBestScore = false;

int startAndPlay()
{
    shareSimdLevel();
    talvo::DialogHooks hooks;
    hooks.messageBox = showPlatformMessageBox;
    (void)talvo::setDialogHooks(hooks);
    const EndSignals endSignals;
    catchMusicLog();

    if (!enterDataFolder())
        return 1;
    std::error_code ignored;
    openGameLog(std::filesystem::current_path(ignored).string());

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

    if (const std::string broken = loadResources(); !broken.empty()) {
        reportError("cannot use the game's data (" + broken + ")");
        return 1;
    }
    // From here on the best score read at start-up is ours to keep, even if the display dies.
    keepingBestScore = true;
    plat::setDisplayLostHook([](const char*) { (void)writeBestScoreFile(); });
    loadPicture(background, "Data/Menu/Menu.bmp");
    presentFrame();

    gameState.leaveScreen = false;
    runMainMenu();
    writeMusicLog();
    return 0;
}
} // namespace

int runVelmoor()
{
    keepingBestScore = false;
    try {
        return startAndPlay();
    } catch (const std::bad_alloc&) {
        // Unwound, the game may have no memory back: the save takes none.
        std::fputs("Velmoor: out of memory\n", stderr);
        if (keepingBestScore)
            writeBestScoreFileWithoutMemory();
        return 1;
    }
}
