// Loading every picture, sound and the music file, and reading the rank and best score.
#pragma once

class Surface;

// Once, after the window and display exist. Missing files are not fatal: their pictures stay
// empty and the game runs on; each file that fails is logged once, with the reason.
void loadResources();

// Surface::loadBitmap as every picture of the game is loaded (system memory, palette mapped);
// a failure is logged.
void loadPicture(Surface& surface, const char* path);
