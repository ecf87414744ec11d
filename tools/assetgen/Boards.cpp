// The three board screens and their highlighted end plaques.
#include <cmath>

#include "tools/assetgen/Canvas.h"
#include "tools/assetgen/Knight.h"
#include "tools/assetgen/Render.h"
#include "tools/assetgen/Style.h"

namespace assetgen {

namespace {

// Thin enough that the 10x10 frame ends above its end plaque, which reacts from 9 px below the squares.
constexpr double frameWidth = 7;

void boardFrame(cairo_t* cr, const BoardLayout& b) {
    const double x = b.originX - frameWidth, y = b.originY - frameWidth, side = b.extent + 2 * frameWidth;
    cairo_save(cr);
    roundedRect(cr, x + 4, y + 6, side, side, 6);
    setColour(cr, palette::plate, 0.6);
    cairo_fill(cr);
    roundedRect(cr, x, y, side, side, 6);
    cairo_pattern_t* p = cairo_pattern_create_linear(x, y, x + side, y + side);
    cairo_pattern_add_color_stop_rgb(p, 0, 160 / 255.0, 112 / 255.0, 56 / 255.0);
    cairo_pattern_add_color_stop_rgb(p, 0.5, 96 / 255.0, 60 / 255.0, 32 / 255.0);
    cairo_pattern_add_color_stop_rgb(p, 1, 64 / 255.0, 38 / 255.0, 20 / 255.0);
    cairo_set_source(cr, p);
    cairo_fill(cr);
    cairo_pattern_destroy(p);
    roundedRect(cr, x + 0.75, y + 0.75, side - 1.5, side - 1.5, 6);
    setColour(cr, palette::walnutDark);
    cairo_set_line_width(cr, 1.5);
    cairo_stroke(cr);
    // A thin gold fillet where the frame meets the squares.
    cairo_rectangle(cr, b.originX - 2.5, b.originY - 2.5, b.extent + 5, b.extent + 5);
    setColour(cr, palette::goldDark);
    cairo_set_line_width(cr, 1.5);
    cairo_stroke(cr);
    cairo_restore(cr);
}

void squares(cairo_t* cr, const BoardLayout& b) {
    cairo_save(cr);
    cairo_rectangle(cr, b.originX, b.originY, b.extent, b.extent);
    cairo_clip(cr);
    Rng rng(static_cast<std::uint32_t>(b.n));
    for (int i = 0; i < b.n; ++i)
        for (int j = 0; j < b.n; ++j) {
            const double x0 = b.originX + i * b.cellSize, y0 = b.originY + j * b.cellSize;
            const bool light = (i + j) % 2 == 0;
            const Colour c = light ? palette::ivory : palette::oak;
            cairo_rectangle(cr, x0, y0, b.cellSize, b.cellSize);
            cairo_pattern_t* p = cairo_pattern_create_linear(x0, y0, x0 + b.cellSize, y0 + b.cellSize);
            const double lift = light ? 0.04 : 0.06;
            cairo_pattern_add_color_stop_rgb(p, 0, std::min(1.0, c.r / 255.0 + lift), std::min(1.0, c.g / 255.0 + lift),
                                             std::min(1.0, c.b / 255.0 + lift));
            cairo_pattern_add_color_stop_rgb(p, 1, c.r / 255.0 - lift, c.g / 255.0 - lift, c.b / 255.0 - lift);
            cairo_set_source(cr, p);
            cairo_fill(cr);
            cairo_pattern_destroy(p);
            // Fine grain in every square, running with the board.
            cairo_save(cr);
            cairo_rectangle(cr, x0, y0, b.cellSize, b.cellSize);
            cairo_clip(cr);
            for (double gy = y0 + rng.uniform(1, 5); gy < y0 + b.cellSize; gy += rng.uniform(4, 9)) {
                cairo_move_to(cr, x0, gy);
                cairo_curve_to(cr, x0 + 15, gy + rng.uniform(-1.5, 1.5), x0 + 30, gy + rng.uniform(-1.5, 1.5),
                               x0 + b.cellSize, gy + rng.uniform(-1, 1));
            }
            setColour(cr, palette::walnut, light ? 0.07 : 0.12);
            cairo_set_line_width(cr, 1);
            cairo_stroke(cr);
            cairo_restore(cr);
        }
    cairo_restore(cr);
    // Grid lines on the exact (fractional) square edges the game computes.
    cairo_save(cr);
    for (int i = 0; i <= b.n; ++i) {
        const double at = i * b.cellSize;
        cairo_move_to(cr, b.originX + at, b.originY);
        cairo_line_to(cr, b.originX + at, b.originY + b.extent);
        cairo_move_to(cr, b.originX, b.originY + at);
        cairo_line_to(cr, b.originX + b.extent, b.originY + at);
    }
    setColour(cr, palette::walnutDark, 0.55);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    cairo_restore(cr);
}

// Title, task and emblem in the column right of the lost dialog, so the dialog never hides part of them.
void sidePanel(cairo_t* cr) {
    constexpr double cx = (sideColumnX0 + 798) / 2.0;
    cairo_save(cr);
    goldText(cr, Face::SerifBold, 36, "Velmoor", cx, 128, Align::Centre);
    cairo_new_path(cr);
    textPath(cr, Face::SerifItalic, 18, "Besuche jedes Feld", cx, 170, Align::Centre);
    textPath(cr, Face::SerifItalic, 18, "genau einmal", cx, 194, Align::Centre);
    setColour(cr, Colour{224, 212, 184});
    cairo_fill(cr);
    KnightLook look;
    look.outlineWidth = 2.5;
    look.base = true;
    drawKnight(cr, cx - 0.55 * 130, 240, 130, look);
    cairo_restore(cr);
}

} // namespace

Picture renderBoard(const BoardLayout& board, bool endHighlighted) {
    Canvas canvas(800, 600);
    cairo_t* cr = canvas.cr();
    paintBackground(cr, 800, 600);
    scorePlate(cr);
    sidePanel(cr);
    boardFrame(cr, board);
    squares(cr, board);
    plaque(cr, board.endReacts, overlap(board.endReacts, board.endPicture), "Zurück",
          board.endReacts.height() > 80 ? 36 : 30, endHighlighted);
    return canvas.toOpaque();
}

} // namespace assetgen
