// The board screens: each board's full setup (input, pictures, fresh state) and its play loop.
#pragma once

void setupBoard6x6();
void setupBoard8x8();
void setupBoard10x10();

// Each runs until the board is left, won or the window is gone, then fades out.
void runGame6x6();
void runGame8x8();
void runGame10x10();
