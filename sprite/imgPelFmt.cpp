// Pixel-format records: palette ownership and the colour conversions between kinds.
#include "sprite/imgPelFmt.h"

#include <new>
#include <utility>

#include "sprite/ctyRuntime.h"
#include "sprite/palCTy.h"
#include "sprite/pelFormats.h"

namespace {

// Bytes B, G, R into a 16-bit kind's colour fields, each cut to its width; every other bit 0.
template <class Word16>
std::uint32_t packColour(unsigned r, unsigned g, unsigned b)
{
    return Word16::pack(0, {static_cast<int>(b), static_cast<int>(g), static_cast<int>(r)});
}

// A 16-bit kind's colour fields as an opaque colour 0xAARRGGBB, each widened with zero low bits.
template <class Word16>
std::uint32_t unpackColour(std::uint32_t word)
{
    const pel::Bgr c = Word16::widen(static_cast<typename Word16::Word>(word));
    return 0xFF000000 | static_cast<std::uint32_t>(c.r) << 16 | static_cast<std::uint32_t>(c.g) << 8 |
           static_cast<std::uint32_t>(c.b);
}

}  // namespace

imgPelFmt::imgPelFmt(const imgPelFmt& other) : kind(other.kind), paletteNotStored(other.paletteNotStored)
{
    copyPalette(other.palette);
}

imgPelFmt& imgPelFmt::operator=(const imgPelFmt& other)
{
    if (&other == this) return *this;
    // Copy before releasing: the other record may name the very palette this one owns.
    imgPelFmt copy(other);
    std::swap(kind, copy.kind);
    std::swap(palette, copy.palette);
    std::swap(ownsPalette, copy.ownsPalette);
    std::swap(paletteNotStored, copy.paletteNotStored);
    return *this;
}

imgPelFmt::~imgPelFmt() { dropPalette(); }

void imgPelFmt::dropPalette() noexcept
{
    if (ownsPalette != 0) delete palette;
    palette = nullptr;
    ownsPalette = 0;
}

void imgPelFmt::copyPalette(const palCTy* source)
{
    if (source == nullptr) return;
    palette = new (std::nothrow) palCTy;
    if (palette == nullptr) return;
    palette->Assign(*source);
    ownsPalette = 1;
}

void imgPelFmt::SetPalette(const palCTy& source)
{
    paletteNotStored = 0;
    if (ownsPalette != 0 && palette != nullptr) {
        palette->Assign(source);
        return;
    }
    palette = nullptr;
    ownsPalette = 0;
    copyPalette(&source);
}

std::uint32_t imgPelFmt::PackColor(std::uint32_t colour, int fromKind) const
{
    if (fromKind != imgColourKind) return colour;
    const unsigned b = colour & 0xFF, g = colour >> 8 & 0xFF, r = colour >> 16 & 0xFF;
    switch (static_cast<PelKind>(kind)) {
    case PelKind::Rgb888:
        return colour & 0x00FFFFFF;
    case PelKind::Rgbx8888:
    case PelKind::Rgba8888:
        return colour;
    case PelKind::Rgb565:
        return packColour<pel::fmt::rgb565>(r, g, b);
    case PelKind::Rgbx5551:
        return packColour<pel::fmt::rgbx5551>(r, g, b);
    case PelKind::Rgba5551:
        // An opaque key, as in the palette tables.
        return pelKindOf(PelKind::Rgba5551).a.mask() | packColour<pel::fmt::rgbx5551>(r, g, b);
    case PelKind::Index8:
        if (palette != nullptr) {
            const std::uint8_t bgr[3] = {static_cast<std::uint8_t>(b), static_cast<std::uint8_t>(g),
                                         static_cast<std::uint8_t>(r)};
            return palette->NearestIndex(bgr);
        }
        return colour;
    default:
        return colour;
    }
}

std::uint32_t imgPelFmt::UnpackColor(std::uint32_t pel, int toKind) const
{
    if (palette != nullptr) {
        std::uint32_t b = 0, g = 0, r = 0, a = 255;
        if (pel < palette->count && palette->entries != nullptr) {
            const std::uint8_t* e = palette->entries + 4 * pel;
            b = e[0];
            g = e[1];
            r = e[2];
            a = e[3];
        }
        switch (static_cast<PelKind>(toKind)) {
        case PelKind::Rgb888:
            return r << 16 | g << 8 | b;
        case PelKind::Rgbx8888:
        case PelKind::Rgba8888:
            return a << 24 | r << 16 | g << 8 | b;
        case PelKind::Rgb565:
            return packColour<pel::fmt::rgb565>(r, g, b);
        case PelKind::Rgbx5551:
        case PelKind::Rgba5551:
            return packColour<pel::fmt::rgbx5551>(r, g, b);
        default:
            return pel;
        }
    }
    if (toKind != imgColourKind) return pel;
    switch (static_cast<PelKind>(kind)) {
    case PelKind::Rgb888:
        return 0xFF000000 | (pel & 0x00FFFFFF);
    case PelKind::Rgb565:
        return unpackColour<pel::fmt::rgb565>(pel);
    case PelKind::Rgbx5551:
    case PelKind::Rgba5551:
        return unpackColour<pel::fmt::rgbx5551>(pel);
    default:  // the 32-bit kinds as they are; no conversion is defined for the others
        return pel;
    }
}

void imgPelFmt::BuildTbl(int toKind)
{
    if (palette == nullptr) {
        ctyErrorf(4, "imgPelFmt::BuildTbl: the format has no palette");
        return;
    }
    palette->BuildTbl(toKind);
}
