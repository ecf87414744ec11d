// Pieces every board-side screen frame is made of: the input copy, whole-picture draws and
// the inclusive button rectangles.
#pragma once

#include <cstdint>

class Surface;

// Polls the input once and copies the cursor and the newly-pressed left button into the
// game state: the start of every frame.
void pollFrameInput();

// Draws the whole picture with its top-left corner at (x, y) of the back buffer, skipping
// black where the picture is keyed. An empty picture draws nothing.
void drawPicture(Surface& picture, int32_t x, int32_t y);

// A screen rectangle whose right and bottom edges belong to it.
struct ButtonArea {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;

    [[nodiscard]] constexpr bool contains(int32_t x, int32_t y) const
    {
        return x >= left && x <= right && y >= top && y <= bottom;
    }
};

// Whether the cursor of this frame lies in the area.
[[nodiscard]] bool mouseIn(const ButtonArea& area);
