// The knight head: the game's piece and the emblem of the menu and the won screen.
#pragma once

#include <cairo.h>

#include "tools/assetgen/Style.h"

namespace assetgen {

struct KnightLook {
    Colour body = palette::ivory;
    Colour shade = Colour{192, 168, 128};
    Colour mane = palette::gold;
    Colour outline = palette::walnut;
    double outlineWidth = 3.0; // in units of the 100-unit design box
    bool details = true;       // eye, nostril, cheek
    bool base = false;         // a plinth under the neck
};

void drawKnight(cairo_t* cr, double x, double y, double size, const KnightLook& look = {});

} // namespace assetgen
