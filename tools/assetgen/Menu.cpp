// The main menu, its highlighted plaques, the music lamp and the rank badges.
#include <cmath>
#include <iterator>

#include "tools/assetgen/Canvas.h"
#include "tools/assetgen/Knight.h"
#include "tools/assetgen/Render.h"
#include "tools/assetgen/Style.h"

namespace assetgen {

namespace {

void starPath(cairo_t* cr, double cx, double cy, double outer) {
    const double inner = outer * 0.45;
    for (int i = 0; i < 10; ++i) {
        const double r = i % 2 == 0 ? outer : inner;
        const double a = -M_PI / 2 + i * M_PI / 5;
        if (i == 0) cairo_move_to(cr, cx + r * std::cos(a), cy + r * std::sin(a));
        else cairo_line_to(cr, cx + r * std::cos(a), cy + r * std::sin(a));
    }
    cairo_close_path(cr);
}

void medallion(cairo_t* cr, double cx, double cy, double radius) {
    cairo_save(cr);
    cairo_arc(cr, cx + 4, cy + 6, radius + 6, 0, 2 * M_PI);
    setColour(cr, palette::plate, 0.5);
    cairo_fill(cr);

    cairo_arc(cr, cx, cy, radius + 6, 0, 2 * M_PI);
    cairo_pattern_t* ring = cairo_pattern_create_linear(cx - radius, cy - radius, cx + radius, cy + radius);
    cairo_pattern_add_color_stop_rgb(ring, 0, 248 / 255.0, 232 / 255.0, 136 / 255.0);
    cairo_pattern_add_color_stop_rgb(ring, 0.5, 248 / 255.0, 200 / 255.0, 0);
    cairo_pattern_add_color_stop_rgb(ring, 1, 136 / 255.0, 96 / 255.0, 0);
    cairo_set_source(cr, ring);
    cairo_fill(cr);
    cairo_pattern_destroy(ring);

    cairo_arc(cr, cx, cy, radius - 4, 0, 2 * M_PI);
    cairo_pattern_t* inner = cairo_pattern_create_radial(cx - radius * 0.3, cy - radius * 0.3, 0, cx, cy, radius);
    cairo_pattern_add_color_stop_rgb(inner, 0, 56 / 255.0, 84 / 255.0, 140 / 255.0);
    cairo_pattern_add_color_stop_rgb(inner, 1, 16 / 255.0, 28 / 255.0, 56 / 255.0);
    cairo_set_source(cr, inner);
    cairo_fill(cr);
    cairo_pattern_destroy(inner);

    cairo_arc(cr, cx, cy, radius - 4, 0, 2 * M_PI);
    setColour(cr, palette::goldDark);
    cairo_set_line_width(cr, 2);
    cairo_stroke(cr);
    cairo_arc(cr, cx, cy, radius - 12, 0, 2 * M_PI);
    setColour(cr, palette::goldDark, 0.5);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    cairo_restore(cr);
}

// The music state: a brass arm carries a lamp off the music plaque's end, so the tick reads as the
// plaque's own state; the lamp is round and sunk in brass, nothing like a box to click.
void musicLamp(cairo_t* cr, const Box& plaque, bool on) {
    cairo_save(cr);
    const double armY = lampY + 4;
    cairo_rectangle(cr, plaque.x1 - 4, armY - 4 + 2, lampX - plaque.x1 + 4, 8);
    setColour(cr, palette::plate, 0.55);
    cairo_fill(cr);
    cairo_rectangle(cr, plaque.x1 - 4, armY - 4, lampX - plaque.x1 + 4, 8);
    fillGradient(cr, cairo_pattern_create_linear(0, armY - 4, 0, armY + 4),
                 {{0, palette::goldPale}, {0.5, palette::goldDark}, {1, Colour{104, 72, 8}}});

    cairo_arc(cr, lampX + 1.5, lampY + 2.5, lampRadius, 0, 2 * M_PI);
    setColour(cr, palette::plate, 0.6);
    cairo_fill(cr);
    cairo_arc(cr, lampX, lampY, lampRadius, 0, 2 * M_PI);
    fillGradient(cr,
                 cairo_pattern_create_linear(lampX - lampRadius, lampY - lampRadius, lampX + lampRadius,
                                             lampY + lampRadius),
                 {{0, palette::goldPale}, {1, Colour{120, 84, 0}}});

    const double glass = lampRadius - 4;
    cairo_arc(cr, lampX, lampY, glass, 0, 2 * M_PI);
    cairo_pattern_t* g = cairo_pattern_create_radial(lampX - 3, lampY - 3, 1, lampX, lampY, glass);
    if (on) fillGradient(cr, g, {{0, Colour{255, 248, 200}}, {0.6, palette::gold}, {1, Colour{200, 120, 0}}});
    else fillGradient(cr, g, {{0, Colour{56, 64, 88}}, {1, Colour{12, 20, 40}}});
    if (on) {
        cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
        cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
        cairo_move_to(cr, lampX - 6, lampY + 0.5);
        cairo_line_to(cr, lampX - 1.5, lampY + 5);
        cairo_line_to(cr, lampX + 6.5, lampY - 5.5);
        setColour(cr, palette::walnutDark);
        cairo_set_line_width(cr, 3.2);
        cairo_stroke(cr);
    }
    cairo_restore(cr);
}

void badge(cairo_t* cr, int rank) {
    const Badge& b = badges.at(static_cast<std::size_t>(rank));
    const double x = b.picture.x0 + 3, y = b.picture.y0 + 3, w = b.picture.width() - 8, h = b.picture.height() - 8;
    cairo_save(cr);
    roundedRect(cr, x + 3, y + 4, w, h, 10);
    setColour(cr, palette::plate, 0.55);
    cairo_fill(cr);
    roundedRect(cr, x, y, w, h, 10);
    fillGradient(cr, cairo_pattern_create_linear(0, y, 0, y + h), {{0, palette::walnutLight}, {1, Colour{72, 44, 24}}});
    roundedRect(cr, x + 5, y + 5, w - 10, h - 10, 6);
    setColour(cr, Colour{14, 24, 48});
    cairo_fill_preserve(cr);
    setColour(cr, rank == 0 ? Colour{120, 104, 80} : palette::goldDark);
    cairo_set_line_width(cr, 1.5);
    cairo_stroke(cr);

    KnightLook look;
    if (rank == 0) {
        look.body = Colour{128, 132, 148};
        look.shade = Colour{88, 92, 108};
        look.mane = Colour{104, 100, 96};
        look.outline = Colour{48, 52, 64};
    }
    look.outlineWidth = 5;
    look.details = false;
    drawKnight(cr, x + 9, y + 9, h - 18, look);

    const double tx = x + 14 + (h - 18) + (w - 28 - (h - 18)) / 2;
    if (rank == 0) {
        cairo_new_path(cr);
        textPath(cr, Face::SerifBold, 19, b.title, tx, y + 29, Align::Centre);
        setColour(cr, Colour{176, 168, 152});
        cairo_fill(cr);
    } else {
        goldText(cr, Face::SerifBold, 21, b.title, tx, y + 29, Align::Centre);
    }
    for (int i = 0; i < 3; ++i) {
        starPath(cr, tx + (i - 1) * 22, y + h - 17, 8);
        if (i < b.stars) {
            setColour(cr, palette::gold);
            cairo_fill_preserve(cr);
            setColour(cr, Colour{120, 80, 0});
        } else {
            setColour(cr, Colour{96, 100, 116});
        }
        cairo_set_line_width(cr, 1.2);
        cairo_stroke(cr);
    }
    cairo_restore(cr);
}

// A faint knight's tour over the background chequer: the game's idea, drawn in passing.
void tourTrace(cairo_t* cr) {
    static constexpr int cells[][2] = {{0, 11}, {1, 9}, {0, 7}, {2, 6}, {1, 4}, {3, 5}, {4, 7}, {2, 8},
                                       {3, 10}, {1, 11}, {0, 9}, {2, 10}, {4, 11}, {3, 9}};
    cairo_save(cr);
    auto centre = [](int i) { return 25.0 + 50 * i; };
    for (std::size_t i = 0; i < std::size(cells); ++i) {
        const double x = centre(cells[i][0]), y = centre(cells[i][1]);
        if (i == 0) cairo_move_to(cr, x, y);
        else cairo_line_to(cr, x, y);
    }
    const double dash[] = {2, 6};
    cairo_set_dash(cr, dash, 2, 0);
    cairo_set_line_width(cr, 2);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    setColour(cr, palette::gold, 0.28);
    cairo_stroke(cr);
    cairo_set_dash(cr, nullptr, 0, 0);
    for (std::size_t i = 0; i < std::size(cells); ++i) {
        cairo_arc(cr, centre(cells[i][0]), centre(cells[i][1]), i + 1 == std::size(cells) ? 6 : 4, 0, 2 * M_PI);
        setColour(cr, palette::gold, i + 1 == std::size(cells) ? 0.55 : 0.3);
        cairo_fill(cr);
    }
    cairo_restore(cr);
}

} // namespace

Picture renderMenu(MenuElement highlight, bool musicOn, int badgeRank) {
    Canvas canvas(800, 600);
    cairo_t* cr = canvas.cr();
    paintBackground(cr, 800, 600);
    scorePlate(cr);
    tourTrace(cr);

    goldText(cr, Face::SerifBold, 78, "Velmoor", 318, 78, Align::Centre);

    medallion(cr, 650, 330, 118);
    KnightLook emblem;
    emblem.outlineWidth = 2.2;
    emblem.base = true;
    drawKnight(cr, 650 - 0.55 * 176, 330 - 0.52 * 176, 176, emblem);
    cairo_new_path(cr);
    textPath(cr, Face::SerifItalic, 16, "Der Rundgang des Springers", 664, 486, Align::Centre);
    setColour(cr, Colour{200, 188, 160});
    cairo_fill(cr);

    for (const MenuButton& b : menuButtons) {
        if (b.element == MenuElement::Music) musicLamp(cr, b.reacts, musicOn);
        plaque(cr, b.reacts, overlap(b.reacts, b.picture), b.label, 28, b.element == highlight);
    }

    if (badgeRank >= 0 && badgeRank <= 3) badge(cr, badgeRank);
    return canvas.toOpaque();
}

} // namespace assetgen
