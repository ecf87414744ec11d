// Pixel <-> square arithmetic, in double precision and truncated toward zero, as the board
// pictures were laid out.
#include "game/SquareGeometry.h"

#include <cmath>
#include <limits>

namespace {
// Truncation toward zero; saturates instead of overflowing on values no board produces.
int32_t truncateToInt(double value)
{
    constexpr double low = std::numeric_limits<int32_t>::min();
    constexpr double high = std::numeric_limits<int32_t>::max();
    if (std::isnan(value))
        return 0;
    if (value <= low)
        return std::numeric_limits<int32_t>::min();
    if (value >= high)
        return std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(value);
}
} // namespace

bool isOverBoard(const GameState& state, int32_t mouseX, int32_t mouseY)
{
    // 64-bit so that no mouse position or geometry can overflow the sums.
    const int64_t x = mouseX, y = mouseY;
    const int64_t left = state.originX, top = state.originY;
    return top < y && y < top + state.extent && left < x && x < left + state.extent;
}

void updateHoverSquare(GameState& state, int32_t mouseX, int32_t mouseY)
{
    if (!isOverBoard(state, mouseX, mouseY))
        return;
    const double scale = 1.0 / state.cellSize;
    const int32_t x = truncateToInt((static_cast<int64_t>(mouseX) - state.originX) * scale);
    const int32_t y = truncateToInt((static_cast<int64_t>(mouseY) - state.originY) * scale);
    // Only a state whose geometry came from no board could point outside the storage; such a
    // square would be neither drawn nor clicked, so it is not taken.
    if (!inStorage(x, y))
        return;
    state.hoverX = x;
    state.hoverY = y;
}

ScreenPoint squarePixelPosition(const GameState& state, int32_t x, int32_t y)
{
    return {truncateToInt(x * state.cellSize + state.originX + state.drawOffset),
            truncateToInt(y * state.cellSize + state.originY + state.drawOffset)};
}
