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

void fillGradient(cairo_t* cr, cairo_pattern_t* pattern, std::initializer_list<Stop> stops) {
    for (const Stop& s : stops) addStop(pattern, s.offset, s.colour);
    cairo_set_source(cr, pattern);
    cairo_fill(cr);
    cairo_pattern_destroy(pattern);
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

namespace {

// Wood grain: gently waving lines over the current clip, seeded by place so every render agrees.
void grain(cairo_t* cr, double x, double y, double w, double h, std::uint32_t seed) {
    Rng rng(seed);
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
}

void brassStud(cairo_t* cr, double cx, double cy, double radius) {
    cairo_arc(cr, cx + 0.8, cy + 1.2, radius, 0, 2 * M_PI);
    setColour(cr, palette::walnutDark, 0.8);
    cairo_fill(cr);
    cairo_arc(cr, cx, cy, radius, 0, 2 * M_PI);
    fillGradient(cr, cairo_pattern_create_radial(cx - radius * 0.35, cy - radius * 0.35, 0, cx, cy, radius),
                 {{0, palette::goldPale}, {0.6, palette::goldDark}, {1, Colour{104, 72, 8}}});
}

// The plaque's face: plain walnut, or lit (brighter wood, gold rim, gold label).
void plaqueFace(cairo_t* cr, const Box& face, const std::string& label, double fontSize, bool lit) {
    const double x = face.x0, y = face.y0, w = face.width(), h = face.height();
    cairo_save(cr);
    cairo_rectangle(cr, x, y, w, h);
    cairo_clip(cr);
    cairo_rectangle(cr, x, y, w, h);
    cairo_pattern_t* p = cairo_pattern_create_linear(0, y, 0, y + h);
    if (lit) fillGradient(cr, p, {{0, Colour{224, 172, 100}}, {0.5, Colour{176, 122, 64}}, {1, Colour{120, 78, 38}}});
    else fillGradient(cr, p, {{0, palette::walnutLight}, {0.5, palette::walnut}, {1, Colour{72, 44, 22}}});
    grain(cr, x, y, w, h, static_cast<std::uint32_t>(face.x0 * 7919 + face.y0));

    if (lit) {
        cairo_rectangle(cr, x + 1.25, y + 1.25, w - 2.5, h - 2.5);
        setColour(cr, palette::gold);
        cairo_set_line_width(cr, 2.5);
        cairo_stroke(cr);
        cairo_rectangle(cr, x + 3, y + 3, w - 6, h - 6);
        setColour(cr, palette::goldDark, 0.8);
        cairo_set_line_width(cr, 1);
        cairo_stroke(cr);
    } else {
        // Sunk into the frame: a shadow along the top edge, a glint along the bottom.
        cairo_move_to(cr, x, y + 1);
        cairo_line_to(cr, x + w, y + 1);
        setColour(cr, palette::walnutDark, 0.7);
        cairo_set_line_width(cr, 2);
        cairo_stroke(cr);
        cairo_move_to(cr, x, y + h - 0.5);
        cairo_line_to(cr, x + w, y + h - 0.5);
        setColour(cr, Colour{200, 150, 90}, 0.5);
        cairo_set_line_width(cr, 1);
        cairo_stroke(cr);
    }

    // Label, centred on the face and cut into the wood; shrunk when the face is narrow.
    const double size = std::min(fontSize, fontSize * (w - 10) / textWidth(cr, Face::SerifBold, fontSize, label));
    cairo_font_extents_t fe;
    cairo_font_extents(cr, &fe); // textWidth left the face selected at `fontSize`
    const double baseline = y + h / 2 + (fe.ascent * size / fontSize * 0.72) / 2;
    cairo_new_path(cr);
    textPath(cr, Face::SerifBold, size, label, x + w / 2 + 1.2, baseline + 1.5, Align::Centre);
    setColour(cr, palette::walnutDark, 0.85);
    cairo_fill(cr);
    textPath(cr, Face::SerifBold, size, label, x + w / 2, baseline, Align::Centre);
    if (lit) {
        cairo_pattern_t* g = cairo_pattern_create_linear(0, baseline - size * 0.75, 0, baseline);
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

} // namespace

void plaque(cairo_t* cr, const Box& box, const Box& lit, const std::string& label, double fontSize,
            bool highlighted) {
    // The frame is the same in both looks, so it must cover every strip of the box that the hover
    // picture leaves out; opposite sides match, so a wide end looks meant.
    constexpr int frame = 5;
    const int side = std::max({frame, lit.x0 - box.x0 + 1, box.x1 - lit.x1 + 1});
    const int rail = std::max({frame, lit.y0 - box.y0 + 1, box.y1 - lit.y1 + 1});
    const Box face{box.x0 + side, box.y0 + rail, box.x1 - side, box.y1 - rail};
    const double x = box.x0, y = box.y0, w = box.width(), h = box.height();

    cairo_save(cr);
    roundedRect(cr, x + 2, y + 3, w, h, 6);
    setColour(cr, palette::plate, 0.55);
    cairo_fill(cr);

    roundedRect(cr, x, y, w, h, 6);
    fillGradient(cr, cairo_pattern_create_linear(0, y, 0, y + h),
                 {{0, Colour{112, 72, 40}}, {0.5, Colour{72, 44, 24}}, {1, palette::walnutDark}});
    roundedRect(cr, x + 0.5, y + 0.5, w - 1, h - 1, 6);
    setColour(cr, Colour{32, 18, 10});
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    roundedRect(cr, x + 1.5, y + 1.5, w - 3, h - 3, 5);
    setColour(cr, Colour{176, 128, 72}, 0.45);
    cairo_stroke(cr);
    if (side >= 14)
        for (const double cx : {x + side / 2.0, x + w - side / 2.0}) brassStud(cr, cx, y + h / 2, side * 0.22);
    if (rail >= 8)
        for (const double cx : {x + side + 8.0, x + w - side - 8.0}) {
            brassStud(cr, cx, y + rail / 2.0, rail * 0.22);
            brassStud(cr, cx, y + h - rail / 2.0, rail * 0.22);
        }
    cairo_restore(cr);
    plaqueFace(cr, face, label, fontSize, highlighted);
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
