// The game's one top-level window: creation, the one-message pump and destruction.
#pragma once

#include "platform/messages.h"

#include <cstdint>
#include <string>

namespace plat {

// 0 means "no window".
using WindowId = uint32_t;

// Receives every message dispatched to the window, and Destroy when the window ends.
using WindowProc = void (*)(void* context, const Message& message);

struct WindowDesc {
    const char* title = "";
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    WindowProc proc = nullptr;
    void* context = nullptr;
};

// Opens and shows the window (on SDL borderless, full-screen on the desktop).
// Returns 0 on failure; lastWindowError() then says why. One window at a time.
[[nodiscard]] WindowId createWindow(const WindowDesc& desc);

// True while the window lives: from creation until it is destroyed.
[[nodiscard]] bool isWindow(WindowId window);

// Takes at most one pending message of the window and dispatches it to its procedure;
// a Close message then destroys the window. Returns false when nothing was pending.
bool dispatchOneMessage(WindowId window);

// Returns once a message of the window is pending, or after ms milliseconds: the pause of a loop
// whose window is not active, which the focus coming back ends at once. On the headless backend
// it returns at once, and only moves the virtual clock ms on when no message is pending.
void waitForMessage(WindowId window, uint32_t ms);

// Sends Destroy to the procedure and ends the window; messages still queued are never taken.
void destroyWindow(WindowId window);

// Why the last createWindow failed, for the caller to show the user.
[[nodiscard]] std::string lastWindowError();

// Size of the screen in pixels: the display mode's once one is set (the screen then has
// that size to the game), else the desktop's (the headless desktop is 800 x 600).
[[nodiscard]] int screenWidth();
[[nodiscard]] int screenHeight();

// Losing the display for good (the X connection broken, the X server gone, the window
// destroyed by another program) ends the process: the hook runs once (the owner's last chance
// to save), one line with the reason goes to the standard error stream, and the process exits
// with status 1 at once, running no destructor, for none may touch a display that is gone.
using DisplayLostHook = void (*)(const char* reason);
void setDisplayLostHook(DisplayLostHook hook);
[[noreturn]] void endOnDisplayLost(const char* reason);

} // namespace plat
