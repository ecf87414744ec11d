// Keeps libasound's error reports off the standard error stream.
#pragma once

namespace plat::sdl {

// Without a sound card libasound prints a dozen "ALSA lib ..." lines at every start, while
// the game, which then runs silent, has nothing to say. Call before SDL opens audio.
void silenceAlsa();

} // namespace plat::sdl
