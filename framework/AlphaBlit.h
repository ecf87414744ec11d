// Software blits on locked pixels: through the source's alpha mask, and blended toward a
// constant colour at one level (the fades).
#pragma once

#include "framework/Rect.h"

#include <cstdint>

class Surface;

// Draws the source's rectangle at (x, y) of dest through the source's mask: opacity 0 leaves
// dest, 255 copies, between blends. Both Surfaces need their pixels (locked or of a kind
// that keeps them). Clipping moves rect's left and top as it moves x and y.
void blitAlphaMasked(Surface* source, Surface* dest, int x, int y, Rect& rect);

// Writes colour + floor((pixel - colour) * level / 256) per channel for the source's
// rectangle at (x, y) of dest; level is taken within 0..255; a keyed source leaves dest
// where it holds its key. colour is a display pixel value.
void blitBlended(Surface* source, Surface* dest, int x, int y, Rect& rect, uint32_t colour, int level);
