// The steps every screen loop shares: taking the frame's input, drawing whole pictures,
// testing the mouse against a button, and presenting.
#pragma once

#include <cstdint>

class Surface;

// A screen rectangle with inclusive edges, as the buttons are given.
struct ScreenRect {
    int32_t left;
    int32_t right;
    int32_t top;
    int32_t bottom;
};

// Input::poll, then the cursor and the newly-pressed left button into gameState.
void readFrameInput();

// True when gameState's mouse lies in the rectangle.
[[nodiscard]] bool mouseIn(const ScreenRect& rect);

// Draws the whole picture into the back buffer at (x, y); an empty picture draws nothing.
void drawPicture(Surface& picture, int x, int y);

// The screenshot key test and the present: the end of every frame.
void presentFrame();
