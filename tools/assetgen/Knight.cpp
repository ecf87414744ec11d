// The knight head: the game's piece and the emblem of the menu and the won screen.
#include "tools/assetgen/Knight.h"

#include <iterator>

namespace assetgen {

namespace {
// Outline in a 100-unit box, facing left, standing on y = 96.
void outlineUnits(cairo_t* cr) {
    cairo_move_to(cr, 28, 96);
    cairo_curve_to(cr, 28, 84, 33, 75, 42, 67);  // front of the neck up to the throat
    cairo_curve_to(cr, 34, 68, 22, 68, 15, 64);  // under the jaw
    cairo_curve_to(cr, 9, 61, 5, 56, 7, 50);     // lips and chin
    cairo_curve_to(cr, 9, 44, 15, 40, 21, 34);   // muzzle
    cairo_curve_to(cr, 26, 28, 30, 22, 37, 17);  // forehead
    cairo_line_to(cr, 42, 3);                    // ear, front edge
    cairo_curve_to(cr, 46, 7, 50, 11, 53, 15);   // ear, back edge
    cairo_curve_to(cr, 68, 16, 82, 28, 86, 48);  // back of the head
    cairo_curve_to(cr, 89, 64, 88, 82, 90, 96);  // back of the neck
    cairo_close_path(cr);
}

// The mane: everything behind a tufted line that follows the back of the neck.
void maneUnits(cairo_t* cr) {
    static constexpr double inner[][2] = {{47, 16}, {56, 25}, {60, 22}, {66, 33}, {70, 30}, {72, 43}, {77, 42},
                                          {76, 55}, {81, 56}, {78, 68}, {83, 70}, {79, 82}, {84, 84}, {81, 96}};
    cairo_move_to(cr, 44, 0);
    cairo_line_to(cr, 110, 0);
    cairo_line_to(cr, 110, 100);
    for (int i = static_cast<int>(std::size(inner)) - 1; i >= 0; --i) cairo_line_to(cr, inner[i][0], inner[i][1]);
    cairo_close_path(cr);
}
} // namespace

void drawKnight(cairo_t* cr, double x, double y, double size, const KnightLook& look) {
    cairo_save(cr);
    cairo_translate(cr, x, y);
    cairo_scale(cr, size / 100, size / 100);

    outlineUnits(cr);
    cairo_pattern_t* body = cairo_pattern_create_linear(10, 10, 80, 90);
    cairo_pattern_add_color_stop_rgb(body, 0, look.body.r / 255.0, look.body.g / 255.0, look.body.b / 255.0);
    cairo_pattern_add_color_stop_rgb(body, 1, look.shade.r / 255.0, look.shade.g / 255.0, look.shade.b / 255.0);
    cairo_set_source(cr, body);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(body);

    cairo_save(cr);
    cairo_clip(cr);
    maneUnits(cr);
    cairo_pattern_t* mane = cairo_pattern_create_linear(50, 10, 90, 90);
    cairo_pattern_add_color_stop_rgb(mane, 0, look.mane.r / 255.0, look.mane.g / 255.0, look.mane.b / 255.0);
    cairo_pattern_add_color_stop_rgb(mane, 1, look.mane.r * 0.7 / 255.0, look.mane.g * 0.7 / 255.0,
                                     look.mane.b * 0.7 / 255.0);
    cairo_set_source(cr, mane);
    cairo_fill(cr);
    cairo_pattern_destroy(mane);
    if (look.details) {
        cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
        setColour(cr, look.outline);
        cairo_save(cr);
        cairo_translate(cr, 29, 33);
        cairo_rotate(cr, -0.5);
        cairo_scale(cr, 4.2, 2.4);
        cairo_arc(cr, 0, 0, 1, 0, 6.2832);
        cairo_restore(cr);
        cairo_fill(cr);
        cairo_save(cr);
        cairo_translate(cr, 13, 52);
        cairo_scale(cr, 2.2, 3.0);
        cairo_arc(cr, 0, 0, 1, 0, 6.2832);
        cairo_restore(cr);
        cairo_fill(cr);
        cairo_set_line_width(cr, look.outlineWidth * 0.6);
        cairo_move_to(cr, 8, 59);
        cairo_line_to(cr, 19, 60);
        cairo_stroke(cr);
        cairo_move_to(cr, 44, 64);
        cairo_curve_to(cr, 50, 56, 48, 44, 38, 40);
        cairo_stroke(cr);
    }
    cairo_restore(cr);

    outlineUnits(cr);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_set_line_width(cr, look.outlineWidth);
    setColour(cr, look.outline);
    cairo_stroke(cr);

    if (look.base) {
        cairo_move_to(cr, 20, 104);
        cairo_line_to(cr, 98, 104);
        cairo_curve_to(cr, 98, 98, 94, 94, 88, 93);
        cairo_line_to(cr, 30, 93);
        cairo_curve_to(cr, 24, 94, 20, 98, 20, 104);
        cairo_close_path(cr);
        setColour(cr, look.mane);
        cairo_fill_preserve(cr);
        setColour(cr, look.outline);
        cairo_stroke(cr);
    }
    cairo_restore(cr);
}

} // namespace assetgen
