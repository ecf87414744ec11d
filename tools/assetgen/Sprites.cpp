// Keyed sprites: the piece's 18-frame strip, the visited mark, the two hints and the cursor.
#include <cmath>
#include <functional>

#include "tools/assetgen/Canvas.h"
#include "tools/assetgen/Knight.h"
#include "tools/assetgen/Render.h"
#include "tools/assetgen/Style.h"

namespace assetgen {

namespace {

constexpr int cell = 35;
// The game draws sprites 6 px in from a square's corner; the square's centre then falls near here.
constexpr double centre = 15.75;

constexpr int bayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};

Picture keyedSprite(const std::function<void(cairo_t*)>& draw) {
    Canvas canvas(cell, cell, true);
    draw(canvas.cr());
    return canvas.toKeyed();
}

// The piece stands on a round walnut token so that it reads on light and dark squares alike.
void knightAt(cairo_t* cr, double scale) {
    cairo_arc(cr, centre, centre, 16 * scale, 0, 2 * M_PI);
    cairo_pattern_t* p = cairo_pattern_create_radial(centre - 4, centre - 5, 2, centre, centre, 16 * scale);
    cairo_pattern_add_color_stop_rgb(p, 0, 136 / 255.0, 92 / 255.0, 52 / 255.0);
    cairo_pattern_add_color_stop_rgb(p, 1, 72 / 255.0, 44 / 255.0, 24 / 255.0);
    cairo_set_source(cr, p);
    cairo_fill(cr);
    cairo_pattern_destroy(p);
    cairo_arc(cr, centre, centre, 16 * scale - 0.9, 0, 2 * M_PI);
    setColour(cr, palette::gold);
    cairo_set_line_width(cr, 1.6);
    cairo_stroke(cr);

    const double size = 30 * scale;
    KnightLook look;
    look.outline = Colour{56, 32, 16};
    look.outlineWidth = 6;
    look.details = scale > 0.6;
    drawKnight(cr, centre - 0.475 * size, centre - 0.495 * size, size, look);
}

void visitedTile(cairo_t* cr) {
    roundedRect(cr, centre - 14, centre - 14, 28, 28, 5);
    cairo_pattern_t* p = cairo_pattern_create_linear(0, centre - 14, 0, centre + 14);
    cairo_pattern_add_color_stop_rgb(p, 0, 128 / 255.0, 80 / 255.0, 44 / 255.0);
    cairo_pattern_add_color_stop_rgb(p, 1, 84 / 255.0, 50 / 255.0, 28 / 255.0);
    cairo_set_source(cr, p);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(p);
    setColour(cr, Colour{64, 36, 20});
    cairo_set_line_width(cr, 1.5);
    cairo_stroke(cr);
    // Hoof print: a horseshoe open toward the heel, with its nail holes.
    cairo_arc(cr, centre, centre + 1, 7.5, 0.72 * M_PI, 2.28 * M_PI);
    setColour(cr, Colour{56, 32, 16});
    cairo_set_line_width(cr, 4);
    cairo_stroke(cr);
    for (int i = 0; i < 6; ++i) {
        const double a = (0.85 + i * 0.26) * M_PI;
        cairo_arc(cr, centre + 7.5 * std::cos(a), centre + 1 + 7.5 * std::sin(a), 0.8, 0, 2 * M_PI);
        setColour(cr, Colour{160, 112, 64});
        cairo_fill(cr);
    }
}

// Keeps the sprite's pixels where the ordered threshold lets `amount` (0..16 of 16) through.
bool shows(int x, int y, int amount) { return bayer[y & 3][x & 3] < amount; }

} // namespace

Picture renderVisited() { return keyedSprite(visitedTile); }

Picture renderHint(bool underMouse) {
    return keyedSprite([underMouse](cairo_t* cr) {
        if (underMouse) {
            cairo_arc(cr, centre, centre, 12.5, 0, 2 * M_PI);
            setColour(cr, palette::goldDark);
            cairo_fill(cr);
            cairo_arc(cr, centre, centre, 11, 0, 2 * M_PI);
            setColour(cr, palette::goldPale);
            cairo_fill(cr);
            cairo_arc(cr, centre, centre, 8.5, 0, 2 * M_PI);
            cairo_pattern_t* p = cairo_pattern_create_radial(centre - 3, centre - 3, 1, centre, centre, 9);
            cairo_pattern_add_color_stop_rgb(p, 0, 1, 0.93, 0.55);
            cairo_pattern_add_color_stop_rgb(p, 1, 248 / 255.0, 184 / 255.0, 0);
            cairo_set_source(cr, p);
            cairo_fill(cr);
            cairo_pattern_destroy(p);
        } else {
            cairo_arc(cr, centre, centre, 10, 0, 2 * M_PI);
            setColour(cr, Colour{24, 104, 96});
            cairo_set_line_width(cr, 6);
            cairo_stroke(cr);
            cairo_arc(cr, centre, centre, 10, 0, 2 * M_PI);
            setColour(cr, palette::teal);
            cairo_set_line_width(cr, 3.5);
            cairo_stroke(cr);
        }
    });
}

Picture renderPieceStrip() {
    const Picture mark = renderVisited();
    Picture strip(18 * cell, cell);
    auto place = [&strip](int frame, const Picture& p) {
        for (int y = 0; y < cell; ++y)
            for (int x = 0; x < cell; ++x) strip.at(frame * cell + x, y) = p.at(x, y);
    };
    for (int k = 0; k < 8; ++k) {
        // Leaving: the piece thins out over the visited mark that stays behind.
        const Picture piece = keyedSprite([k](cairo_t* cr) { knightAt(cr, 1.0 - 0.03 * k); });
        Picture frame = mark;
        for (int y = 0; y < cell; ++y)
            for (int x = 0; x < cell; ++x)
                if (!isKeyBlack(piece.at(x, y)) && shows(x, y, 16 - 2 * k)) frame.at(x, y) = piece.at(x, y);
        place(k, frame);

        // Arriving: the piece grows in and fills up on its new square.
        const double scale = 0.6 + 0.4 * (k + 1) / 8.0;
        const Picture grown = keyedSprite([scale](cairo_t* cr) { knightAt(cr, scale); });
        Picture arrive(cell, cell);
        for (int y = 0; y < cell; ++y)
            for (int x = 0; x < cell; ++x)
                if (shows(x, y, 2 * (k + 1))) arrive.at(x, y) = grown.at(x, y);
        place(8 + k, arrive);
    }
    const Picture standing = keyedSprite([](cairo_t* cr) { knightAt(cr, 1.0); });
    place(16, standing);
    place(17, standing);
    return strip;
}

Picture renderCursor() {
    Canvas canvas(24, 24, true);
    cairo_t* cr = canvas.cr();
    cairo_move_to(cr, 1.5, 1.5);
    cairo_line_to(cr, 1.5, 19);
    cairo_line_to(cr, 6, 14.5);
    cairo_line_to(cr, 9.5, 22);
    cairo_line_to(cr, 13, 20.5);
    cairo_line_to(cr, 9.5, 13.5);
    cairo_line_to(cr, 16, 13.5);
    cairo_close_path(cr);
    cairo_pattern_t* p = cairo_pattern_create_linear(0, 0, 12, 20);
    cairo_pattern_add_color_stop_rgb(p, 0, 1, 0.94, 0.6);
    cairo_pattern_add_color_stop_rgb(p, 1, 248 / 255.0, 184 / 255.0, 0);
    cairo_set_source(cr, p);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(p);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_MITER);
    cairo_set_line_width(cr, 1.6);
    setColour(cr, palette::walnutDark);
    cairo_stroke(cr);
    return canvas.toKeyed();
}

} // namespace assetgen
