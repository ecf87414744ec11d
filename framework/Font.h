// Antialiased text in a TrueType face, drawn straight into the pixels of a 16-bit Surface.
#pragma once

#include "framework/Glyph.h"
#include "framework/Rect.h"

#include <array>
#include <cstdint>

class Surface;

class Font {
public:
    // A font without glyphs (text draws nothing).
    Font() = default;
    // Builds the glyphs of the face; a face that cannot be made leaves every glyph empty.
    Font(const char* face, int width, int height);
    virtual ~Font() = default;
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;

    // Makes the face at the height (the cell height; width 0 keeps its proportions) among
    // the registered font files and builds the glyphs; false when there is no such face, or no
    // memory for its glyphs (then every glyph is empty).
    bool create(const char* face, int width, int height);
    // Replaces every glyph and the metrics by those of the source.
    void buildGlyphs(GlyphSource& source);

    // Writes the text (Windows-1252 bytes) with its first cell's top-left at (x, y): " "
    // advances by spaceWidth, "\n" returns to x one lineHeight lower. colour is a display
    // pixel value. Only 16-bit surfaces are drawn on; the surface is locked for the call
    // unless it already is, and nothing is drawn when that lock fails.
    void drawText(Surface* surface, int x, int y, uint32_t colour, const char* text);

    std::array<Glyph, 256> glyphs;
    int32_t lineHeight = 0;
    int32_t ascent = 0;
    int32_t spaceWidth = 0;
    uint8_t clipToSurface = 1; // every drawText resets clipRect to the whole target surface
    Rect clipRect;

private:
    void drawGlyph(Surface& surface, const Glyph& glyph, int x, int y, uint16_t colour);
};

// printf-style drawText; text longer than 2047 characters is cut there.
void drawTextF(Font& font, Surface* surface, int x, int y, uint32_t colour, const char* format, ...)
    __attribute__((format(printf, 6, 7)));
