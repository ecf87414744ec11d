// The platform's music lines (a soundfont it cannot use, the synthesiser's own messages) in the
// game's log, whichever thread said them.
#pragma once

// Sends the platform's music lines here from now on.
void catchMusicLog();

// Writes the lines said since the last call into the log; on the game's thread only (each frame
// and at the end).
void writeMusicLog();
