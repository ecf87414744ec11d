// The alpha-masked and blended blits, dispatched once per call on the display depth to the
// row loops of Blend.h.
#include "framework/AlphaBlit.h"

#include "framework/AlphaMask.h"
#include "framework/Blend.h"
#include "framework/Blend565.h"
#include "framework/BlitClip.h"
#include "framework/Display.h"
#include "framework/Mmx.h"
#include "framework/Surface.h"

#include <algorithm>

namespace {

struct Placement {
    const PixelFormatInfo* format = nullptr;
    const DisplayPalette* palette = nullptr;
    ClippedBlit size;
    int x = 0;
    int y = 0;
};

// Everything a blit needs before its loop; empty size when nothing is to be drawn.
Placement place(Surface* source, Surface* dest, int x, int y, Rect& rect)
{
    Placement p;
    if (!source || !dest || !source->pixels || !dest->pixels)
        return p;
    const Display* display = source->display ? source->display : dest->display;
    if (!display || !display->pixelFormat)
        return p;
    p.format = display->pixelFormat;
    p.palette = display->palette;
    p.size = clipBlit(rect, x, y, source->clipRect, source->width, source->height, dest->width, dest->height);
    p.x = x;
    p.y = y;
    return p;
}

uint8_t* pixelAt(Surface* s, int x, int y, int bytes)
{
    return s->pixels + static_cast<std::ptrdiff_t>(y) * s->pitch + static_cast<std::ptrdiff_t>(x) * bytes;
}

blend::Channels16 channelsOf(const PixelFormatInfo& f) { return blend::channels16(f.redMask, f.greenMask, f.blueMask); }

// The 8-bit blend through the palette's tables: row L = a >> 3 of 32 rows of 256 offsets;
// false when the tables are missing or an entry points outside them.
bool paletteMix(const DisplayPalette* palette, uint8_t& d, uint8_t s, int a)
{
    if (!palette || palette->blendOffsets.size() < 32 * 256 || palette->blendBytes.empty())
        return false;
    const int level = a >> 3;
    if (level == 31) {
        d = s;
        return true;
    }
    const auto& off = palette->blendOffsets;
    const std::size_t i = std::size_t{off[static_cast<std::size_t>((31 - level) * 256 + d)]} +
                          off[static_cast<std::size_t>(level * 256 + s)];
    if (i >= palette->blendBytes.size())
        return false;
    d = palette->blendBytes[i];
    return true;
}

// The mask's opacities of one row, zero beyond the mask: read in place when the row lies
// inside it (always for the game's masks), else copied into `out`.
const uint8_t* maskRow(const AlphaMask& mask, int32_t column, int32_t row, int32_t n, std::vector<uint8_t>& out)
{
    if (column >= 0 && row >= 0 && row < mask.height && n <= mask.width - column)
        return mask.alpha.data() + static_cast<std::size_t>(row) * static_cast<std::size_t>(mask.width) +
               static_cast<std::size_t>(column);
    out.assign(static_cast<std::size_t>(n), 0);
    for (int32_t i = 0; i < n; ++i)
        out[static_cast<std::size_t>(i)] = mask.at(column + i, row);
    return out.data();
}

// A 24- or 32-bit colour value as bytes blue, green, red: each field widened to 8 bits.
std::array<uint8_t, 3> colourBytes(const PixelFormatInfo& f, uint32_t colour)
{
    auto channel = [&](uint32_t mask, uint32_t shift, uint32_t scale) -> uint8_t {
        if (mask == 0)
            return 0;
        if ((colour & mask) == mask)
            return 255;
        return static_cast<uint8_t>(std::min<uint64_t>((uint64_t{(colour & mask) >> shift} * scale) >> 16, 255));
    };
    return {channel(f.blueMask, f.blueShift, f.blueScale), channel(f.greenMask, f.greenShift, f.greenScale),
            channel(f.redMask, f.redShift, f.redScale)};
}

} // namespace

void blitAlphaMasked(Surface* source, Surface* dest, int x, int y, Rect& rect)
{
    if (!source || !source->alphaMask || source->alphaMask->alpha.empty())
        return;
    const Placement p = place(source, dest, x, y, rect);
    if (p.size.width < 1 || p.size.height < 1)
        return;
    const AlphaMask& mask = *source->alphaMask;
    const int depth = static_cast<int>(p.format->depth);
    const auto channels = channelsOf(*p.format);
    const blend::Format16 format16{channels};
    const bool fast565 = blend::is565(channels);
    std::vector<uint8_t> alpha;

    for (int32_t row = 0; row < p.size.height; ++row) {
        const int32_t sy = rect.top + row;
        if (sy >= mask.height)
            break; // the rest lies below the mask: opacity 0
        const uint8_t* a = maskRow(mask, rect.left, sy, p.size.width, alpha);
        const int n = p.size.width;
        switch (depth) {
        case 16: {
            uint8_t* d = pixelAt(dest, p.x, p.y + row, 2);
            const uint8_t* s = pixelAt(source, rect.left, sy, 2);
            if (mmxEnabled)
                blend::maskedRow16x4(channels, d, s, a, n);
            else if (fast565)
                blend::maskedRow565(d, s, a, n);
            else
                blend::maskedRow(format16, d, s, a, n);
            break;
        }
        case 24:
            blend::maskedRow(blend::FormatBytes<3>{}, pixelAt(dest, p.x, p.y + row, 3),
                             pixelAt(source, rect.left, sy, 3), a, n);
            break;
        case 32:
            blend::maskedRow(blend::FormatBytes<4>{}, pixelAt(dest, p.x, p.y + row, 4),
                             pixelAt(source, rect.left, sy, 4), a, n);
            break;
        case 8: {
            uint8_t* d = pixelAt(dest, p.x, p.y + row, 1);
            const uint8_t* s = pixelAt(source, rect.left, sy, 1);
            for (int i = 0; i < n; ++i)
                if (a[i] != 0 && !paletteMix(p.palette, d[i], s[i], a[i]))
                    return;
            break;
        }
        default: return;
        }
    }
}

void blitBlended(Surface* source, Surface* dest, int x, int y, Rect& rect, uint32_t colour, int level)
{
    const Placement p = place(source, dest, x, y, rect);
    if (p.size.width < 1 || p.size.height < 1)
        return;
    level = std::clamp(level, 0, 255);
    const bool keyed = source->flags & SurfaceFlag::keyed;
    const int depth = static_cast<int>(p.format->depth);
    const auto channels = channelsOf(*p.format);
    const auto bytes = colourBytes(*p.format, colour);
    const int n = p.size.width;

    for (int32_t row = 0; row < p.size.height; ++row) {
        const int32_t sy = rect.top + row;
        switch (depth) {
        case 16: {
            uint8_t* d = pixelAt(dest, p.x, p.y + row, 2);
            const uint8_t* s = pixelAt(source, rect.left, sy, 2);
            const auto c = static_cast<uint16_t>(colour);
            const auto key = keyed ? std::optional<uint16_t>(static_cast<uint16_t>(source->colorKey)) : std::nullopt;
            if (mmxEnabled && !keyed)
                blend::blendedRow16x4(channels, d, s, n, c, level);
            else if (blend::is565(channels))
                blend::blendedRow565(d, s, n, c, level, key);
            else
                blend::blendedRow16(channels, d, s, n, c, level, key);
            break;
        }
        case 24:
        case 32: {
            const std::optional<uint32_t> key = keyed ? std::optional<uint32_t>(source->colorKey) : std::nullopt;
            if (depth == 24)
                blend::blendedRowBytes<3>(pixelAt(dest, p.x, p.y + row, 3), pixelAt(source, rect.left, sy, 3), n,
                                          bytes, level, key);
            else
                blend::blendedRowBytes<4>(pixelAt(dest, p.x, p.y + row, 4), pixelAt(source, rect.left, sy, 4), n,
                                          bytes, level, key);
            break;
        }
        case 8: {
            uint8_t* d = pixelAt(dest, p.x, p.y + row, 1);
            const uint8_t* s = pixelAt(source, rect.left, sy, 1);
            for (int i = 0; i < n; ++i) {
                if (keyed && s[i] == static_cast<uint8_t>(source->colorKey))
                    continue;
                // The colour index blends toward the pixel as the masked blit blends dest
                // toward source.
                uint8_t v = static_cast<uint8_t>(colour);
                if (!paletteMix(p.palette, v, s[i], level))
                    return;
                d[i] = v;
            }
            break;
        }
        default: return;
        }
    }
}
