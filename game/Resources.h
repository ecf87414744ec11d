// Loading every picture, sound and the music file, and reading the rank and best score.
#pragma once

class Surface;

// The menu's music.
inline constexpr const char* MusicPath = "Data/Sounds/music.mid";

// Once, after the window and display exist. Missing files are not fatal: their pictures stay
// empty and the game runs on; each file that fails is logged once, with the reason.
void loadResources();

// Surface::loadBitmap as every picture of the game is loaded (system memory, palette mapped);
// a failure is logged.
void loadPicture(Surface& surface, const char* path);

// Loads the badge of gameState.rankLevel and its position; without a rank nothing changes.
void loadRankBadge();
