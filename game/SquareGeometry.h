// Between screen pixels and board squares: the board area, the square under the mouse, and
// where a square's pictures are drawn.
#pragma once

#include "game/GameState.h"

#include <cstdint>

struct ScreenPoint {
    int32_t x;
    int32_t y;
    friend bool operator==(const ScreenPoint&, const ScreenPoint&) = default;
};

// True when the point lies strictly inside the board area: the border lines belong to no square.
[[nodiscard]] bool isOverBoard(const GameState& state, int32_t mouseX, int32_t mouseY);

// Over the board, hoverX/hoverY := the square under the mouse; elsewhere they keep their value.
void updateHoverSquare(GameState& state, int32_t mouseX, int32_t mouseY);

// Top left corner at which square (x, y)'s pictures are drawn.
[[nodiscard]] ScreenPoint squarePixelPosition(const GameState& state, int32_t x, int32_t y);
