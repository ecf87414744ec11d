// A cairo drawing surface and its conversion into finished 5-6-5 pictures.
#pragma once

#include <cairo.h>

#include <string>

#include "tools/assetgen/Picture.h"

namespace assetgen {

class Canvas {
public:
    // transparent: an ARGB surface for keyed sprites; otherwise an opaque RGB surface.
    Canvas(int width, int height, bool transparent = false);
    ~Canvas();
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    [[nodiscard]] cairo_t* cr() const { return cr_; }
    [[nodiscard]] int width() const { return width_; }
    [[nodiscard]] int height() const { return height_; }

    // Ordered 4x4 dither to exact 5-6-5 levels; colours already on a level stay exact.
    [[nodiscard]] Picture toOpaque() const;
    // Hard edges: a pixel is either the key (0,0,0) or opaque and never near-black.
    [[nodiscard]] Picture toKeyed() const;

private:
    template <class Convert>
    [[nodiscard]] Picture convertPixels(Convert convert) const;

    int width_, height_;
    cairo_surface_t* surface_;
    cairo_t* cr_;
};

// Writes a finished picture as PNG, for looking at.
void writePng(const Picture& picture, const std::string& path);

// Puts a finished picture onto a cairo context at (x, y), optionally skipping key-black pixels.
void paintPicture(cairo_t* cr, const Picture& picture, int x, int y, bool keyed);

// Quantises one 8-bit channel to `bits` with the dither threshold of pixel (x, y).
[[nodiscard]] std::uint8_t quantiseChannel(int value, int bits, int x, int y);

} // namespace assetgen
