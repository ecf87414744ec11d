// Start-up of the game: the message box for the support library's reports, window, display,
// resources, a first frame, then the main menu until the player leaves.
#include "game/Program.h"

#include "framework/Mmx.h"
#include "game/BestScoreFile.h"
#include "game/GameState.h"
#include "game/Globals.h"
#include "game/MainMenu.h"
#include "game/Resources.h"
#include "game/ScreenFrame.h"
#include "platform/dialog.h"
#include "platform/display.h"
#include "platform/window.h"
#include "talvo/assertion.h"

#include <cstdio>
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
    return 0;
}
