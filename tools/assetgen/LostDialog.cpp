// The lost dialog: a parchment panel with "Ja" and "Nein", and the mask that lays it over the board.
#include <cmath>

#include "tools/assetgen/Canvas.h"
#include "tools/assetgen/Knight.h"
#include "tools/assetgen/Render.h"
#include "tools/assetgen/Style.h"

namespace assetgen {

namespace {

// The panel's body inside the 512 x 512 picture; around it only shadow, which falls to the right
// and stops where the body ends, so nothing below the body is darkened either.
constexpr double bodyX = lostBody.x0, bodyY = lostBody.y0, bodyW = lostBody.width(), bodyH = lostBody.height();
constexpr double bodyR = 14;
constexpr double shadowDx = 4, shadowSpread = 14;
constexpr double rimRamp = 4;

// Regions the mask keeps fully opaque: the text and both buttons (picture and mouse rectangle).
constexpr Box headingZone{72, 44, 438, 104};
constexpr Box questionZone{166, 262, 346, 312};
constexpr Box yesZone{std::min(yesPicture.x0, yesReacts.x0), std::min(yesPicture.y0, yesReacts.y0),
                      std::max(yesPicture.x1, yesReacts.x1), std::max(yesPicture.y1, yesReacts.y1)};
constexpr Box noZone{std::min(noPicture.x0, noReacts.x0), std::min(noPicture.y0, noReacts.y0),
                     std::max(noPicture.x1, noReacts.x1), std::max(noPicture.y1, noReacts.y1)};

void greyLevel(cairo_t* cr, double level) { cairo_set_source_rgb(cr, level / 255, level / 255, level / 255); }

} // namespace

Picture renderLostPanel(LostElement highlight) {
    Canvas canvas(lostSize, lostSize);
    cairo_t* cr = canvas.cr();
    setColour(cr, Colour{16, 20, 40});
    cairo_paint(cr);

    roundedRect(cr, bodyX, bodyY, bodyW, bodyH, bodyR);
    fillGradient(cr, cairo_pattern_create_radial(256, 230, 60, 256, 250, 300),
                 {{0, Colour{248, 236, 204}}, {0.7, Colour{232, 212, 168}}, {1, Colour{200, 164, 112}}});

    // Fibres of the parchment.
    cairo_save(cr);
    roundedRect(cr, bodyX, bodyY, bodyW, bodyH, bodyR);
    cairo_clip(cr);
    Rng rng(512);
    for (int i = 0; i < 90; ++i) {
        const double x = rng.uniform(bodyX, bodyX + bodyW), y = rng.uniform(bodyY, bodyY + bodyH);
        const double len = rng.uniform(10, 40), a = rng.uniform(-0.3, 0.3);
        cairo_move_to(cr, x, y);
        cairo_rel_line_to(cr, len * std::cos(a), len * std::sin(a));
        setColour(cr, palette::walnut, rng.uniform(0.04, 0.1));
        cairo_set_line_width(cr, rng.uniform(0.5, 1.2));
        cairo_stroke(cr);
    }
    cairo_restore(cr);

    roundedRect(cr, bodyX + 1, bodyY + 1, bodyW - 2, bodyH - 2, bodyR);
    setColour(cr, palette::walnutDark);
    cairo_set_line_width(cr, 2);
    cairo_stroke(cr);
    // The inner border frames the message only: the buttons sit too near the rim to be framed.
    const double frameH = std::min(yesReacts.y0, noReacts.y0) - 8 - bodyY;
    roundedRect(cr, bodyX + 11, bodyY + 11, bodyW - 22, frameH - 11, bodyR - 8);
    setColour(cr, palette::walnut, 0.8);
    cairo_set_line_width(cr, 1.5);
    cairo_stroke(cr);
    roundedRect(cr, bodyX + 15, bodyY + 15, bodyW - 30, frameH - 19, bodyR - 10);
    setColour(cr, palette::goldDark, 0.7);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);

    cairo_new_path(cr);
    textPath(cr, Face::SerifBold, 34, "Keine Züge mehr!", bodyX + bodyW / 2 + 1.5, 87.5, Align::Centre);
    setColour(cr, Colour{96, 24, 16}, 0.35);
    cairo_fill(cr);
    textPath(cr, Face::SerifBold, 34, "Keine Züge mehr!", bodyX + bodyW / 2, 86, Align::Centre);
    setColour(cr, palette::red);
    cairo_fill(cr);

    // Divider with a diamond, then the stuck knight.
    constexpr double cx = bodyX + bodyW / 2, divider = 114.5;
    cairo_move_to(cr, cx - 116, divider);
    cairo_line_to(cr, cx + 116, divider);
    setColour(cr, palette::walnut, 0.7);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    cairo_move_to(cr, cx, divider - 6.5);
    cairo_line_to(cr, cx + 7, divider);
    cairo_line_to(cr, cx, divider + 6.5);
    cairo_line_to(cr, cx - 7, divider);
    cairo_close_path(cr);
    setColour(cr, palette::goldDark);
    cairo_fill(cr);
    KnightLook look;
    look.outlineWidth = 3;
    look.base = true;
    drawKnight(cr, cx - 0.55 * 120, 128, 120, look);

    cairo_new_path(cr);
    textPath(cr, Face::SerifBold, 34, "Nochmal?", cx, 300, Align::Centre);
    setColour(cr, palette::ink);
    cairo_fill(cr);

    plaque(cr, yesReacts, overlap(yesReacts, yesPicture), "Ja", 24, highlight == LostElement::Yes);
    plaque(cr, noReacts, overlap(noReacts, noPicture), "Nein", 24, highlight == LostElement::No);
    return canvas.toOpaque();
}

Picture renderLostMask() {
    Canvas canvas(lostSize, lostSize);
    cairo_t* cr = canvas.cr();
    // Soft shadow: nested outlines growing more opaque toward the panel, cut off at the body's foot.
    cairo_save(cr);
    cairo_rectangle(cr, 0, 0, lostSize, bodyY + bodyH);
    cairo_clip(cr);
    for (int d = static_cast<int>(shadowSpread); d >= 0; --d) {
        const double t = 1.0 - d / shadowSpread;
        roundedRect(cr, bodyX + shadowDx - d, bodyY - d, bodyW + 2 * d, bodyH + 2 * d, bodyR + d);
        greyLevel(cr, 170 * t * t);
        cairo_fill(cr);
    }
    cairo_restore(cr);
    // A short ramp at the rim lets the board show through the edge; the rest is opaque, so the
    // text and the buttons (which lie close to the rim) sit on solid parchment.
    for (int d = 0; d <= static_cast<int>(rimRamp); ++d) {
        roundedRect(cr, bodyX + d, bodyY + d, bodyW - 2 * d, bodyH - 2 * d, std::max(4.0, bodyR - d / 2.0));
        greyLevel(cr, 208 + (255 - 208) * d / rimRamp);
        cairo_fill(cr);
    }
    // The zones lie inside the opaque middle already; filling them states the promise outright.
    for (const Box& z : {headingZone, questionZone, yesZone, noZone}) {
        cairo_rectangle(cr, z.x0, z.y0, z.width(), z.height());
        greyLevel(cr, 255);
        cairo_fill(cr);
    }
    return canvas.toOpaque();
}

} // namespace assetgen
