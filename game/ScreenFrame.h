// The steps every screen loop shares: taking the frame's input, drawing whole pictures,
// testing the mouse against a button, and presenting.
#pragma once

#include "game/GameState.h"
#include "game/Globals.h"
#include "platform/window.h"

#include <cstdint>

class Surface;

// A screen rectangle with inclusive edges, as the buttons are given.
struct ScreenRect {
    int32_t left;
    int32_t right;
    int32_t top;
    int32_t bottom;
};

// The pause of an inactive window: a 1 ms sleep on the system the game was made for lasted one
// timer tick (about 15.6 ms), so about 64 wake-ups a second, not the thousand of a real 1 ms.
inline constexpr uint32_t inactiveWaitMs = 16;

// Input::poll, then the cursor and the newly-pressed left button into gameState; the music
// lines said since the last frame go into the log.
void readFrameInput();

// Window::pumpMessage, after closing the window when an end signal arrived (EndSignals).
[[nodiscard]] bool pumpGameWindow();

// True when gameState's mouse lies in the rectangle.
[[nodiscard]] bool mouseIn(const ScreenRect& rect);

// Draws the whole picture into the back buffer at (x, y); an empty picture draws nothing.
void drawPicture(Surface& picture, int x, int y);

// The screenshot key test and the present: the end of every frame.
void presentFrame();

// The shape of every screen: one window message per pass; leave when `leave` says so (or the
// window is gone, or an end signal closed it); while the window is inactive, wait for its
// next message up to inactiveWaitMs; otherwise draw one frame.
template <class Leave, class Frame>
void runScreenLoop(Leave leave, Frame frame)
{
    while (pumpGameWindow()) {
        if (leave())
            break;
        if (!window.active) {
            plat::waitForMessage(window.handle, inactiveWaitMs);
            continue;
        }
        frame();
    }
}

template <class Frame>
void runScreenLoop(Frame frame)
{
    runScreenLoop([] { return gameState.leaveScreen; }, frame);
}

// A screen that shows `background` without a cursor until a click, reading its own input so
// the click that opened it does not also close it.
void showBackgroundUntilClick();
