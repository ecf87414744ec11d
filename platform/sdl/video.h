// The SDL video objects shared by the SDL window and display.
#pragma once

#include <SDL2/SDL_video.h>

namespace plat::sdl {

// The game window while it is open, else null.
[[nodiscard]] SDL_Window* nativeWindow();

// Initialises SDL's video subsystem once; false with SDL's reason when no display opens.
[[nodiscard]] bool initVideo(const char*& error);

// Called right before the window is destroyed, so the display can let go of its renderer.
void setWindowCloseListener(void (*listener)());

} // namespace plat::sdl
