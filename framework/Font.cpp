// Font: glyphs built once from the rasteriser, text blended into 16-bit pixels.
#include "framework/Font.h"

#include "framework/Blend.h"
#include "framework/Blend565.h"
#include "framework/BlitClip.h"
#include "framework/Display.h"
#include "framework/Mmx.h"
#include "framework/Surface.h"

#include <cstdarg>
#include <cstdio>
#include <limits>
#include <new>

namespace {

// The rasteriser's face as a glyph source; owns the face while the glyphs are built.
class PlatGlyphSource final : public GlyphSource {
public:
    explicit PlatGlyphSource(plat::FontHandle font) : font_(font) {}
    ~PlatGlyphSource() override { plat::destroyFont(font_); }
    PlatGlyphSource(const PlatGlyphSource&) = delete;
    PlatGlyphSource& operator=(const PlatGlyphSource&) = delete;

    std::optional<plat::GlyphBitmap> glyph(uint8_t code) override { return plat::glyphBitmap(font_, code); }
    int32_t spaceWidth() override
    {
        const auto e = plat::textExtent(font_, " ");
        return e ? e->cx : 0;
    }
    plat::TextMetrics metrics() override { return plat::textMetrics(font_).value_or(plat::TextMetrics{}); }

private:
    plat::FontHandle font_;
};

bool fitsInt32(int64_t v) { return v >= std::numeric_limits<int32_t>::min() && v <= std::numeric_limits<int32_t>::max(); }

} // namespace

uint8_t glyphOpacity(uint8_t level)
{
    const int v = level * 255 / 64; // level x 3.984375, truncated
    if (v > 250)
        return 255;
    if (v < 5)
        return 0;
    return static_cast<uint8_t>(v);
}

Font::Font(const char* face, int width, int height) { (void)create(face, width, height); }

bool Font::create(const char* face, int width, int height)
{
    // Memory that runs out while the glyphs are built leaves a font that draws nothing.
    try {
        const plat::FontHandle font = plat::createFont(face ? face : "", height, width);
        if (font == plat::FontHandle::None)
            return false;
        PlatGlyphSource source(font);
        buildGlyphs(source);
        return true;
    } catch (const std::bad_alloc&) {
        glyphs.fill(Glyph{});
        return false;
    }
}

void Font::buildGlyphs(GlyphSource& source)
{
    for (int code = 0; code < 256; ++code) {
        Glyph& g = glyphs[static_cast<std::size_t>(code)];
        g = Glyph{};
        const auto bitmap = source.glyph(static_cast<uint8_t>(code));
        if (!bitmap || bitmap->levels.empty())
            continue;
        const plat::GlyphMetrics& m = bitmap->metrics;
        // A bitmap smaller than its rows claim is refused rather than read beyond its end.
        const uint64_t needed = uint64_t{bitmap->pitch} * m.blackBoxY;
        if (bitmap->pitch < m.blackBoxX || bitmap->pitch > 0x10000 || m.blackBoxY > 0x10000 ||
            bitmap->levels.size() < needed)
            continue;
        g.pitch = static_cast<int32_t>(bitmap->pitch);
        g.height = static_cast<int32_t>(m.blackBoxY);
        g.originX = m.originX;
        g.originY = m.originY;
        g.cellIncX = m.cellIncX;
        g.cellIncY = m.cellIncY;
        g.bitmap.resize(static_cast<std::size_t>(needed));
        for (std::size_t i = 0; i < g.bitmap.size(); ++i)
            g.bitmap[i] = glyphOpacity(bitmap->levels[i]);
    }
    spaceWidth = source.spaceWidth();
    const plat::TextMetrics m = source.metrics();
    lineHeight = m.height;
    ascent = m.height - m.descent;
}

void Font::drawText(Surface* surface, int x, int y, uint32_t colour, const char* text)
{
    if (!surface || !text)
        return;
    if (clipToSurface)
        clipRect = Rect{0, 0, surface->width, surface->height};
    const bool wasLocked = surface->flags & SurfaceFlag::locked;
    if (!wasLocked && surface->lock() != FrameworkResult::Ok)
        return;
    const Display* display = surface->display;
    if (surface->pixels && display && display->pixelFormat && display->pixelFormat->depth == 16) {
        int64_t penX = x, penY = y;
        for (const char* p = text; *p; ++p) {
            const auto c = static_cast<uint8_t>(*p);
            if (c == ' ') {
                penX += spaceWidth;
            } else if (c == '\n') {
                penX = x;
                penY += lineHeight;
            } else {
                const Glyph& g = glyphs[c];
                const int64_t gx = penX + g.originX, gy = penY + ascent - g.originY;
                if (!g.bitmap.empty() && fitsInt32(gx) && fitsInt32(gy))
                    drawGlyph(*surface, g, static_cast<int>(gx), static_cast<int>(gy), static_cast<uint16_t>(colour));
                penX += g.cellIncX;
            }
        }
    }
    if (!wasLocked)
        surface->unlock();
}

void Font::drawGlyph(Surface& surface, const Glyph& glyph, int x, int y, uint16_t colour)
{
    Rect r{0, 0, glyph.pitch, glyph.height};
    const ClippedBlit size = clipBlit(r, x, y, &clipRect, glyph.pitch, glyph.height, surface.width, surface.height);
    if (size.width < 1 || size.height < 1)
        return;
    const PixelFormatInfo& f = *surface.display->pixelFormat;
    const auto channels = blend::channels16(f.redMask, f.greenMask, f.blueMask);
    uint8_t* dst = surface.pixels + static_cast<std::ptrdiff_t>(y) * surface.pitch + static_cast<std::ptrdiff_t>(x) * 2;
    const uint8_t* alpha = glyph.bitmap.data() + static_cast<std::size_t>(r.top) * static_cast<std::size_t>(glyph.pitch) +
                           static_cast<std::size_t>(r.left);
    if (!mmxEnabled && blend::is565(channels)) {
        blend::glyph565(dst, surface.pitch, alpha, glyph.pitch, size.width, size.height, colour);
        return;
    }
    for (int32_t row = 0; row < size.height; ++row, dst += surface.pitch, alpha += glyph.pitch)
        mmxEnabled ? blend::glyphRow16x4(channels, dst, alpha, size.width, colour)
                   : blend::glyphRow16(channels, dst, alpha, size.width, colour);
}

void drawTextF(Font& font, Surface* surface, int x, int y, uint32_t colour, const char* format, ...)
{
    if (!format)
        return;
    char text[2048];
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    if (n < 0)
        return;
    font.drawText(surface, x, y, colour, text);
}
