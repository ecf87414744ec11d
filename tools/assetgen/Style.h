// The shared look: palette, fonts, and the drawing pieces every screen is built from.
#pragma once

#include <cairo.h>

#include <cstdint>
#include <initializer_list>
#include <string>

#include "tools/assetgen/Picture.h"

namespace assetgen {

struct Colour {
    int r, g, b;
};

namespace palette {
inline constexpr Colour navyTop{16, 28, 56};
inline constexpr Colour navyBottom{32, 52, 96};
inline constexpr Colour walnut{96, 60, 32};
inline constexpr Colour walnutLight{160, 112, 56};
inline constexpr Colour walnutDark{48, 28, 16};
inline constexpr Colour ivory{232, 216, 184};
inline constexpr Colour oak{168, 120, 80};
inline constexpr Colour gold{248, 200, 0};
inline constexpr Colour goldDark{184, 136, 0};
inline constexpr Colour goldPale{248, 232, 136};
inline constexpr Colour teal{48, 200, 184};
inline constexpr Colour red{176, 40, 40};
inline constexpr Colour parchment{240, 224, 184};
inline constexpr Colour ink{64, 40, 24};
inline constexpr Colour plate{8, 16, 32};
} // namespace palette

void setColour(cairo_t* cr, Colour c, double alpha = 1.0);

// Alpine is the font file the game itself writes with.
enum class Face { Sans, SansBold, SansCondensed, SansCondensedBold, Serif, SerifBold, SerifItalic, Alpine };

// The font file behind a face, and a cairo face for it (kept for the life of the process).
[[nodiscard]] std::string fontFile(Face face);
[[nodiscard]] cairo_font_face_t* fontFace(Face face);

enum class Align { Left, Centre, Right };

// Appends the outline of a text line with its baseline at y to the current path.
void textPath(cairo_t* cr, Face face, double size, const std::string& utf8, double x, double y,
              Align align = Align::Left);
[[nodiscard]] double textWidth(cairo_t* cr, Face face, double size, const std::string& utf8);

void roundedRect(cairo_t* cr, double x, double y, double w, double h, double radius);

struct Stop {
    double offset;
    Colour colour;
};
// Fills the current path with a gradient `pattern` given these colour stops; the pattern is used up.
void fillGradient(cairo_t* cr, cairo_pattern_t* pattern, std::initializer_list<Stop> stops);

// Deep navy gradient with a soft darkening toward the corners.
void paintBackground(cairo_t* cr, int width, int height);

// Gold letters with a dark gold edge and a drop shadow.
void goldText(cairo_t* cr, Face face, double size, const std::string& utf8, double x, double y,
              Align align = Align::Left);

// A framed wooden plaque filling exactly `box` (the area that reacts), its label centred on the face.
// Highlighted, only the face changes (brighter wood, gold rim, gold label), and only inside `lit`,
// the part of the box that the hover picture covers.
void plaque(cairo_t* cr, const Box& box, const Box& lit, const std::string& label, double fontSize,
            bool highlighted);

// The part of `a` that also lies in `b`.
[[nodiscard]] constexpr Box overlap(const Box& a, const Box& b) {
    return {a.x0 > b.x0 ? a.x0 : b.x0, a.y0 > b.y0 ? a.y0 : b.y0, a.x1 < b.x1 ? a.x1 : b.x1, a.y1 < b.y1 ? a.y1 : b.y1};
}

// The calm dark plate behind the game's score line at (620, 30).
void scorePlate(cairo_t* cr);

// A small deterministic generator for grain and confetti.
class Rng {
public:
    explicit Rng(std::uint32_t seed) : state_(seed * 2654435761u + 1) {}
    [[nodiscard]] std::uint32_t next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return state_;
    }
    // Uniform in [lo, hi).
    [[nodiscard]] double uniform(double lo, double hi) { return lo + (hi - lo) * (next() % 1000000) / 1e6; }

private:
    std::uint32_t state_;
};

} // namespace assetgen
