// One character of a Font: its opacity bitmap and metrics, and where glyphs come from.
#pragma once

#include "platform/glyphs.h"

#include <cstdint>
#include <optional>
#include <vector>

struct Glyph {
    std::vector<uint8_t> bitmap; // opacities 0..255, `pitch` per row; empty: draws nothing
    int32_t pitch = 0;           // black-box width rounded up to a multiple of 4
    int32_t height = 0;          // black-box height
    int32_t originX = 0;
    int32_t originY = 0;         // top of the black box above the baseline
    int32_t cellIncX = 0;
    int32_t cellIncY = 0;
};

// A grey level of the outline bitmaps (0..64) as an opacity: level x 255/64 truncated,
// then 255 above 250 and 0 below 5. So 64 and 63 give 255, 1 gives 0, 2 gives 7, 32 gives 127.
[[nodiscard]] uint8_t glyphOpacity(uint8_t level);

// What a Font is built from: plat's rasteriser, or a test's own glyphs.
class GlyphSource {
public:
    virtual ~GlyphSource() = default;
    // The glyph of a code; empty or without levels when the code has nothing to draw.
    [[nodiscard]] virtual std::optional<plat::GlyphBitmap> glyph(uint8_t code) = 0;
    // Width of the text " ".
    [[nodiscard]] virtual int32_t spaceWidth() = 0;
    [[nodiscard]] virtual plat::TextMetrics metrics() = 0;
};
