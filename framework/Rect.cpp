// Rectangle builders used by the framework and the game.
#include "framework/Rect.h"

Rect& makeRect(Rect& out, int32_t left, int32_t top, int32_t right, int32_t bottom)
{
    out = Rect{left, top, right, bottom};
    return out;
}

Rect& makeRectXYWH(Rect& out, int32_t x, int32_t y, int32_t width, int32_t height)
{
    // Wrapping add: a caller's absurd size must not be undefined behaviour.
    const auto add = [](int32_t a, int32_t b) {
        return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
    };
    out = Rect{x, y, add(x, width), add(y, height)};
    return out;
}
