// The SDL audio device's early opening: begun while the display starts, so its driver probing
// (tens of milliseconds, more without a device) does not hold up the first frame.
#pragma once

namespace plat::sdl {

// Starts opening the device on a thread of its own, unless it is open or opening already. Only
// SDL calls that leave SDL's subsystems alone may run until finishAudioStart.
void startAudioEarly();
// Waits for the early opening; the first sound or music user then takes its result.
void finishAudioStart();
// Gives back an early opening that no user took (the display closes).
void dropEarlyAudio();

} // namespace plat::sdl
