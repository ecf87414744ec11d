// Loading every picture, sound and the music file, and reading the rank and best score.
#pragma once

#include <string>

class Surface;

// The menu's music.
inline constexpr const char* MusicPath = "Data/Sounds/music.mid";

// Once, after the window and display exist. Every picture of the game is checked, those the
// screens load later too: when one is missing or refused, nothing else is loaded and the first
// such picture is returned with the folder and the reason ("Data/x.bmp in /folder was not loaded:
// why", and how many more failed); each is logged once. A sound, the music or a damaged picture
// that loaded in part are not fatal: the game plays what it has and logs the file. "" when the game
// can run.
std::string loadResources();

// Surface::loadBitmap as every picture of the game is loaded (system memory, palette mapped). A
// picture that cannot be loaded leaves the surface empty, never with the picture it held before,
// and is named in the log and on stderr.
void loadPicture(Surface& surface, const char* path);

// Loads the badge of gameState.rankLevel and its position; without a rank nothing changes.
void loadRankBadge();
