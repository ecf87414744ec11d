// Framework rectangles {left, top, right, bottom}, right and bottom exclusive.
#pragma once

#include <cstdint>

struct Rect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
    friend bool operator==(const Rect&, const Rect&) = default;
};

// Fill `out` and return it.
Rect& makeRect(Rect& out, int32_t left, int32_t top, int32_t right, int32_t bottom);
Rect& makeRectXYWH(Rect& out, int32_t x, int32_t y, int32_t width, int32_t height);
