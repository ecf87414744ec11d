// The won screen and the authors screen.
#include <cmath>

#include "tools/assetgen/Canvas.h"
#include "tools/assetgen/FontFile.h"
#include "tools/assetgen/Knight.h"
#include "tools/assetgen/Render.h"
#include "tools/assetgen/Style.h"

namespace assetgen {

namespace {

void confetti(cairo_t* cr) {
    static constexpr Colour colours[] = {palette::gold, palette::teal, Colour{216, 64, 56}, palette::ivory,
                                         palette::goldPale, Colour{120, 168, 232}};
    Rng rng(2024);
    for (int i = 0; i < 170; ++i) {
        const double x = rng.uniform(0, 800), y = rng.uniform(0, 600);
        // Keep the score corner and the middle (title, emblem, lines) calm.
        if (scoreText.contains(static_cast<int>(x), static_cast<int>(y)) || (x > 590 && y < 90)) continue;
        if (x > 150 && x < 650 && y > 60 && y < 560) continue;
        const double w = rng.uniform(4, 9), h = rng.uniform(2.5, 5), a = rng.uniform(0, M_PI);
        cairo_save(cr);
        cairo_translate(cr, x, y);
        cairo_rotate(cr, a);
        cairo_rectangle(cr, -w / 2, -h / 2, w, h);
        setColour(cr, colours[rng.next() % std::size(colours)], rng.uniform(0.7, 1.0));
        cairo_fill(cr);
        cairo_restore(cr);
    }
}

void laurel(cairo_t* cr, double cx, double cy, double radius, bool left) {
    const double sign = left ? -1 : 1;
    for (int i = 0; i < 9; ++i) {
        const double a = M_PI / 2 + sign * (0.35 + i * 0.26);
        const double x = cx + radius * std::cos(a), y = cy + radius * std::sin(a);
        cairo_save(cr);
        cairo_translate(cr, x, y);
        cairo_rotate(cr, a + sign * M_PI / 2 + sign * 0.5);
        cairo_scale(cr, 13, 5.5);
        cairo_arc(cr, 0, 0, 1, 0, 2 * M_PI);
        cairo_restore(cr);
        setColour(cr, i % 2 ? palette::gold : palette::goldDark);
        cairo_fill(cr);
    }
    cairo_arc(cr, cx, cy, radius, left ? M_PI / 2 + 0.3 : M_PI / 2 - 2.6, left ? M_PI / 2 + 2.6 : M_PI / 2 - 0.3);
    setColour(cr, palette::goldDark);
    cairo_set_line_width(cr, 2);
    cairo_stroke(cr);
}

void centredLine(cairo_t* cr, Face face, double size, const char* text, double y, Colour c) {
    cairo_new_path(cr);
    textPath(cr, face, size, text, 400, y, Align::Centre);
    setColour(cr, c);
    cairo_fill(cr);
}

} // namespace

Picture renderWon() {
    Canvas canvas(800, 600);
    cairo_t* cr = canvas.cr();
    paintBackground(cr, 800, 600);
    confetti(cr);
    scorePlate(cr);
    goldText(cr, Face::SerifBold, 80, "Gratulation!", 400, 150, Align::Centre);

    cairo_arc(cr, 400, 318, 130, 0, 2 * M_PI);
    cairo_pattern_t* glow = cairo_pattern_create_radial(400, 318, 20, 400, 318, 130);
    cairo_pattern_add_color_stop_rgba(glow, 0, 1, 0.85, 0.3, 0.35);
    cairo_pattern_add_color_stop_rgba(glow, 1, 1, 0.85, 0.3, 0.0);
    cairo_set_source(cr, glow);
    cairo_fill(cr);
    cairo_pattern_destroy(glow);
    laurel(cr, 400, 318, 116, true);
    laurel(cr, 400, 318, 116, false);
    KnightLook look;
    look.outlineWidth = 2.2;
    look.base = true;
    drawKnight(cr, 400 - 0.56 * 176, 318 - 0.55 * 176, 176, look);

    centredLine(cr, Face::Serif, 24, "Du hast jedes Feld genau einmal besucht.", 480, palette::ivory);
    centredLine(cr, Face::SerifItalic, 18, "Klicke, um fortzufahren", 530, Colour{176, 168, 152});
    return canvas.toOpaque();
}

Picture renderAuthors() {
    Canvas canvas(800, 600);
    cairo_t* cr = canvas.cr();
    paintBackground(cr, 800, 600);
    goldText(cr, Face::SerifBold, 60, "Autoren", 400, 92, Align::Centre);

    roundedRect(cr, 110, 122, 580, 390, 16);
    setColour(cr, palette::plate, 0.55);
    cairo_fill_preserve(cr);
    setColour(cr, palette::goldDark, 0.6);
    cairo_set_line_width(cr, 1.5);
    cairo_stroke(cr);

    const Colour head{248, 216, 120}, body{224, 212, 184}, small{176, 168, 152};
    centredLine(cr, Face::SerifBold, 22, "Spielidee, Programmierung", 170, head);
    centredLine(cr, Face::Serif, 20, "das Velmoor-Team", 198, body);
    centredLine(cr, Face::SerifBold, 22, "Bilder, Klänge und Musik", 246, head);
    centredLine(cr, Face::Serif, 20, "vom Velmoor-Team im Programm erzeugt", 274, body);
    centredLine(cr, Face::SerifBold, 22, "Schrift „Alpine“", 322, head);
    centredLine(cr, Face::Serif, 20, fontCreditLine().c_str(), 350, body);
    centredLine(cr, Face::Serif, 16, "aus dem Debian-Paket fonts-open-sans", 373, body);
    centredLine(cr, Face::Sans, 13, "Digitized data copyright © 2010-2011, Google Corporation.", 402, small);
    centredLine(cr, Face::Sans, 13,
                (std::string("Lizenz: Apache License, Version 2.0 – vollständiger Text in ") + fontLicenceName + ".")
                    .c_str(),
                421, small);
    KnightLook look;
    look.outlineWidth = 3;
    look.base = true;
    drawKnight(cr, 400 - 0.55 * 52, 440, 52, look);

    centredLine(cr, Face::SerifItalic, 22, "Klicken zum Zurückkehren", 560, Colour{232, 220, 192});
    return canvas.toOpaque();
}

} // namespace assetgen
