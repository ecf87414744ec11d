// The shared look: palette, fonts, and the drawing pieces every screen is built from.
#include "tools/assetgen/Style.h"

#include <cairo-ft.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <array>
#include <cmath>
#include <stdexcept>

namespace assetgen {

void setColour(cairo_t* cr, Colour c, double alpha) {
    cairo_set_source_rgba(cr, c.r / 255.0, c.g / 255.0, c.b / 255.0, alpha);
}

namespace {
void addStop(cairo_pattern_t* p, double offset, Colour c, double alpha = 1.0) {
    cairo_pattern_add_color_stop_rgba(p, offset, c.r / 255.0, c.g / 255.0, c.b / 255.0, alpha);
}
} // namespace

std::string fontFile(Face face) {
    if (face == Face::Alpine) return ASSETGEN_ALPINE_FONT;
    static constexpr std::array<const char*, 7> files = {
        "DejaVuSans.ttf",  "DejaVuSans-Bold.ttf",  "DejaVuSansCondensed.ttf", "DejaVuSansCondensed-Bold.ttf",
        "DejaVuSerif.ttf", "DejaVuSerif-Bold.ttf", "DejaVuSerif-Italic.ttf"};
    return std::string(ASSETGEN_FONT_DIR) + "/" + files.at(static_cast<std::size_t>(face));
}

cairo_font_face_t* fontFace(Face face) {
    // Faces live as long as the process: cairo keeps referring to them from its caches.
    static FT_Library library = [] {
        FT_Library lib = nullptr;
        if (FT_Init_FreeType(&lib) != 0) throw std::runtime_error("FreeType could not start");
        return lib;
    }();
    static std::array<cairo_font_face_t*, 8> faces{};
    cairo_font_face_t*& slot = faces.at(static_cast<std::size_t>(face));
    if (!slot) {
        FT_Face ft = nullptr;
        const std::string path = fontFile(face);
        if (FT_New_Face(library, path.c_str(), 0, &ft) != 0)
            throw std::runtime_error("cannot open font " + path);
        slot = cairo_ft_font_face_create_for_ft_face(ft, FT_LOAD_NO_HINTING);
    }
    return slot;
}

namespace {
void selectFont(cairo_t* cr, Face face, double size) {
    cairo_set_font_face(cr, fontFace(face));
    cairo_set_font_size(cr, size);
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    cairo_set_font_options(cr, options);
    cairo_font_options_destroy(options);
}
} // namespace

double textWidth(cairo_t* cr, Face face, double size, const std::string& utf8) {
    selectFont(cr, face, size);
    cairo_text_extents_t e;
    cairo_text_extents(cr, utf8.c_str(), &e);
    return e.x_advance;
}

void textPath(cairo_t* cr, Face face, double size, const std::string& utf8, double x, double y, Align align) {
    const double w = textWidth(cr, face, size, utf8);
    if (align == Align::Centre) x -= w / 2;
    if (align == Align::Right) x -= w;
    cairo_move_to(cr, x, y);
    cairo_text_path(cr, utf8.c_str());
}

void roundedRect(cairo_t* cr, double x, double y, double w, double h, double r) {
    r = std::min({r, w / 2, h / 2});
    cairo_new_sub_path(cr);
    cairo_arc(cr, x + w - r, y + r, r, -M_PI / 2, 0);
    cairo_arc(cr, x + w - r, y + h - r, r, 0, M_PI / 2);
    cairo_arc(cr, x + r, y + h - r, r, M_PI / 2, M_PI);
    cairo_arc(cr, x + r, y + r, r, M_PI, 3 * M_PI / 2);
    cairo_close_path(cr);
}

void paintBackground(cairo_t* cr, int width, int height) {
    cairo_save(cr);
    cairo_pattern_t* p = cairo_pattern_create_linear(0, 0, 0, height);
    addStop(p, 0, palette::navyTop);
    addStop(p, 1, palette::navyBottom);
    cairo_set_source(cr, p);
    cairo_paint(cr);
    cairo_pattern_destroy(p);

    // A faint oversized chequer gives the navy some depth without competing with the board.
    const double cell = 50;
    for (int y = 0; y * cell < height; ++y)
        for (int x = 0; x * cell < width; ++x)
            if ((x + y) % 2 == 0) cairo_rectangle(cr, x * cell, y * cell, cell, cell);
    cairo_set_source_rgba(cr, 1, 1, 1, 0.025);
    cairo_fill(cr);

    cairo_pattern_t* v = cairo_pattern_create_radial(width / 2.0, height * 0.45, height * 0.35, width / 2.0,
                                                     height * 0.45, width * 0.75);
    addStop(v, 0, palette::plate, 0.0);
    addStop(v, 1, palette::plate, 0.55);
    cairo_set_source(cr, v);
    cairo_paint(cr);
    cairo_pattern_destroy(v);
    cairo_restore(cr);
}

void goldText(cairo_t* cr, Face face, double size, const std::string& utf8, double x, double y, Align align) {
    cairo_save(cr);
    cairo_new_path(cr);
    textPath(cr, face, size, utf8, x + size * 0.03, y + size * 0.05, align);
    setColour(cr, palette::plate, 0.6);
    cairo_fill(cr);

    textPath(cr, face, size, utf8, x, y, align);
    cairo_pattern_t* p = cairo_pattern_create_linear(0, y - size * 0.75, 0, y);
    addStop(p, 0, palette::goldPale);
    addStop(p, 0.45, palette::gold);
    addStop(p, 1, palette::goldDark);
    cairo_set_source(cr, p);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(p);
    cairo_set_line_width(cr, std::max(1.0, size / 40));
    setColour(cr, Colour{120, 80, 0});
    cairo_stroke(cr);
    cairo_restore(cr);
}

void plaque(cairo_t* cr, const Box& box, const std::string& label, double fontSize, bool highlighted) {
    cairo_save(cr);
    const double x = box.x0, y = box.y0, w = box.width() - 2, h = box.height() - 3;
    const double r = std::min(10.0, h / 4);

    roundedRect(cr, x + 2, y + 3, w, h, r);
    setColour(cr, palette::plate, 0.55);
    cairo_fill(cr);

    roundedRect(cr, x, y, w, h, r);
    cairo_pattern_t* p = cairo_pattern_create_linear(0, y, 0, y + h);
    if (highlighted) {
        addStop(p, 0, Colour{216, 164, 96});
        addStop(p, 0.5, Colour{168, 116, 60});
        addStop(p, 1, Colour{112, 72, 36});
    } else {
        addStop(p, 0, palette::walnutLight);
        addStop(p, 0.5, palette::walnut);
        addStop(p, 1, Colour{64, 38, 20});
    }
    cairo_set_source(cr, p);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(p);

    // Grain: gently waving lines, seeded by the plaque's place so every render agrees.
    cairo_save(cr);
    cairo_clip(cr);
    Rng rng(static_cast<std::uint32_t>(box.x0 * 7919 + box.y0));
    for (double gy = y + 3; gy < y + h; gy += rng.uniform(3, 7)) {
        const double phase = rng.uniform(0, 6.28), amp = rng.uniform(0.6, 2.0), len = rng.uniform(40, 90);
        cairo_move_to(cr, x, gy);
        for (double gx = x; gx <= x + w; gx += 4)
            cairo_line_to(cr, gx, gy + amp * std::sin(phase + (gx - x) / len * 6.28));
        const bool dark = rng.next() % 3 != 0;
        if (dark) setColour(cr, palette::walnutDark, 0.22);
        else setColour(cr, Colour{255, 220, 160}, 0.10);
        cairo_set_line_width(cr, rng.uniform(0.6, 1.6));
        cairo_stroke(cr);
    }
    // Bevel: light along the top, dark along the bottom.
    cairo_pattern_t* bevel = cairo_pattern_create_linear(0, y, 0, y + h);
    cairo_pattern_add_color_stop_rgba(bevel, 0, 1, 0.93, 0.8, 0.35);
    cairo_pattern_add_color_stop_rgba(bevel, 0.5, 1, 0.93, 0.8, 0.0);
    cairo_pattern_add_color_stop_rgba(bevel, 0.5, 0.1, 0.05, 0.02, 0.0);
    cairo_pattern_add_color_stop_rgba(bevel, 1, 0.1, 0.05, 0.02, 0.45);
    roundedRect(cr, x + 1.5, y + 1.5, w - 3, h - 3, r - 1.5);
    cairo_set_source(cr, bevel);
    cairo_set_line_width(cr, 3);
    cairo_stroke(cr);
    cairo_pattern_destroy(bevel);
    cairo_restore(cr);

    // Rims stay inside the plaque's box: a highlight must never reach past its hover picture.
    if (highlighted) {
        roundedRect(cr, x + 1.25, y + 1.25, w - 2.5, h - 2.5, r);
        setColour(cr, palette::gold);
        cairo_set_line_width(cr, 2.5);
        cairo_stroke(cr);
        roundedRect(cr, x + 2.5, y + 2.5, w - 5, h - 5, r - 2);
        setColour(cr, palette::goldDark);
        cairo_set_line_width(cr, 1);
        cairo_stroke(cr);
    } else {
        roundedRect(cr, x + 0.75, y + 0.75, w - 1.5, h - 1.5, r);
        setColour(cr, palette::walnutDark);
        cairo_set_line_width(cr, 1.5);
        cairo_stroke(cr);
    }

    // Label, centred on the plaque's face and cut into the wood.
    cairo_font_extents_t fe;
    cairo_set_font_face(cr, fontFace(Face::SerifBold));
    cairo_set_font_size(cr, fontSize);
    cairo_font_extents(cr, &fe);
    const double baseline = y + h / 2 + (fe.ascent * 0.72) / 2;
    cairo_new_path(cr);
    textPath(cr, Face::SerifBold, fontSize, label, x + w / 2 + 1.2, baseline + 1.5, Align::Centre);
    setColour(cr, palette::walnutDark, 0.85);
    cairo_fill(cr);
    textPath(cr, Face::SerifBold, fontSize, label, x + w / 2, baseline, Align::Centre);
    if (highlighted) {
        cairo_pattern_t* g = cairo_pattern_create_linear(0, baseline - fontSize * 0.75, 0, baseline);
        addStop(g, 0, palette::goldPale);
        addStop(g, 1, palette::gold);
        cairo_set_source(cr, g);
        cairo_fill(cr);
        cairo_pattern_destroy(g);
    } else {
        setColour(cr, Colour{240, 224, 192});
        cairo_fill(cr);
    }
    cairo_restore(cr);
}

void scorePlate(cairo_t* cr) {
    cairo_save(cr);
    // Runs off the right edge, so the longest score line never outgrows it.
    roundedRect(cr, 608, 22, 204, 46, 9);
    setColour(cr, palette::plate, 0.85);
    cairo_fill_preserve(cr);
    setColour(cr, palette::goldDark, 0.55);
    cairo_set_line_width(cr, 1.5);
    cairo_stroke(cr);
    cairo_restore(cr);
}

} // namespace assetgen
