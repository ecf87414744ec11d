// Clipping shared by the software blits and the glyph drawing.
#pragma once

#include "framework/Rect.h"

// The part of a blit that can be drawn: width and height from (rect.left, rect.top) of the
// source to (x, y) of the destination.
struct ClippedBlit {
    int32_t width = 0;
    int32_t height = 0;
};

// Clips a blit of the source's `rect` to (x, y): first against `clip` (the screen rectangle;
// may be null) on the left, right, top and bottom in that order, then so that no row or
// column lies outside the source (srcWidth x srcHeight) or the destination (dstWidth x
// dstHeight). The left and top that clipping moves are written back to rect, x and y.
// Empty (width or height below 1) when nothing is left to draw.
[[nodiscard]] ClippedBlit clipBlit(Rect& rect, int& x, int& y, const Rect* clip, int32_t srcWidth, int32_t srcHeight,
                                   int32_t dstWidth, int32_t dstHeight);
