// Placeholder tables: nothing mapped yet.
#include "platform/sdl/keymap.h"

namespace plat::sdl {

int virtualKeyFromScancode(SDL_Scancode) { return 0; }
int scanCodeFromScancode(SDL_Scancode) { return 0; }

} // namespace plat::sdl
