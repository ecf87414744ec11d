// The SDL video objects shared by the SDL window and display.
#pragma once

#include <SDL2/SDL_events.h>
#include <SDL2/SDL_video.h>

#include <string>

namespace plat::sdl {

// The game window while it is open, else null.
[[nodiscard]] SDL_Window* nativeWindow();

// Takes a reference on SDL's video subsystem; false with the reason when no display
// opens. SDL's own fallback to an invisible driver counts as no display unless the
// environment asked for that driver (SDL_VIDEODRIVER=dummy in CI). Unasked, SDL does not try
// Wayland where no Wayland display can be reached.
[[nodiscard]] bool acquireVideo(std::string& error);
// Gives back one reference; the last one shuts the subsystem down.
void releaseVideo();

// Why the X display named `display` does not take a connection (the server's own words when it
// refuses one), or "" when it does. libxcb's words on stderr are kept from reaching it.
[[nodiscard]] std::string x11DisplayRefusal(const char* display);
// The display's name as a line shows it (textInLine): a name longer than any person sets cut,
// with its length.
[[nodiscard]] std::string displayInLine(const char* display);

// Routes the fatal X errors (connection lost, requests on a destroyed window) to
// endOnDisplayLost; called each time before the video subsystem comes up, so the connection it
// makes is guarded from its start. settleLostX11Display, once it is up, keeps that on X11 and
// gives the handlers back on any other driver.
void catchLostX11Display();
void settleLostX11Display();
// True when the event tells that another program destroyed the window (SDL_SYSWMEVENT).
[[nodiscard]] bool destroysWindow(const SDL_Event& e, SDL_Window* window);

// Called right before the window is destroyed, so the display can let go of its renderer.
void setWindowCloseListener(void (*listener)());
// Called when the window must be drawn again although the frame did not change (shown,
// exposed, resized); contentsLost when the renderer lost its textures as well.
void setRepaintListener(void (*listener)(bool contentsLost));

} // namespace plat::sdl
