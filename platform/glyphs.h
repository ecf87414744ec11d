// Glyph outlines of TrueType faces (FreeType), the same on every backend: font files are
// registered by path, faces found by family name or file stem, glyphs come as grey bitmaps.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace plat {

// Registers a font file; false when it cannot be read as a font. Each registration of a
// path needs its own removal.
[[nodiscard]] bool addFontFile(const std::string& path);
// Takes one registration of the path back; false when it has none. Fonts already made
// from it stay usable.
bool removeFontFile(const std::string& path);

enum class FontHandle : uint32_t { None = 0 };

// A face at a size, found among the registered files by family name or file stem (so
// "Alpine.ttf" answers to "Alpine"), case-insensitively. A positive height is the cell
// height (ascent + descent of the face's OS/2 metrics), a negative one the em height, 0 a
// default; a width of 0 keeps the face's proportions, else it is the average character width.
// None when no registered face matches.
[[nodiscard]] FontHandle createFont(std::string_view face, int height, int width);
void destroyFont(FontHandle font);

struct GlyphMetrics {
    uint32_t blackBoxX = 0;
    uint32_t blackBoxY = 0;
    int32_t originX = 0; // left edge of the black box from the pen
    int32_t originY = 0; // top edge of the black box above the baseline
    int16_t cellIncX = 0;
    int16_t cellIncY = 0;
};

// Grey levels 0..64, top row first, each row padded to a multiple of 4 bytes; empty
// levels (size 0) for a code that has no outline to draw, such as the space.
struct GlyphBitmap {
    GlyphMetrics metrics;
    uint32_t pitch = 0;
    std::vector<uint8_t> levels;
};

// The glyph of a Windows-1252 character code; empty when the font handle is not valid.
[[nodiscard]] std::optional<GlyphBitmap> glyphBitmap(FontHandle font, uint8_t code);

struct TextExtent {
    int32_t cx = 0; // sum of the cell increments
    int32_t cy = 0; // the cell height
};
[[nodiscard]] std::optional<TextExtent> textExtent(FontHandle font, std::string_view windows1252Text);

struct TextMetrics {
    int32_t height = 0; // ascent + descent
    int32_t ascent = 0;
    int32_t descent = 0;
    int32_t averageCharWidth = 0;
};
[[nodiscard]] std::optional<TextMetrics> textMetrics(FontHandle font);

// The Unicode character of a Windows-1252 code (codes that 1252 leaves free map to themselves).
[[nodiscard]] uint32_t unicodeFromWindows1252(uint8_t code);

} // namespace plat
