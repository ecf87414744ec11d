// The headless script runner's entry points for the window and the display.
#pragma once

namespace plat::headless {

struct PresentedFrame;

// Reads VELMOOR_SCRIPT (when set) and runs its commands up to the first wait.
void startScript();
// Runs after every present: writes a requested dump, counts waits down, runs commands.
void scriptAfterPresent(const PresentedFrame& frame);
// The window closed: the script stops, and says how many lines it could not run beyond those it
// named.
void endScript();
// Forgets the script and its position.
void resetScript();

} // namespace plat::headless
