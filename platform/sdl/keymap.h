// Tables from SDL scancodes to the two key numberings the framework uses.
#pragma once

#include <SDL2/SDL_scancode.h>

namespace plat::sdl {

// Virtual-key code (window key messages, asynchronous key state); 0 when unmapped.
[[nodiscard]] int virtualKeyFromScancode(SDL_Scancode code);

// Keyboard scan code of the 256-byte keyboard state (DIK numbering); 0 when unmapped.
[[nodiscard]] int scanCodeFromScancode(SDL_Scancode code);

} // namespace plat::sdl
