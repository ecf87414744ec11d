// Loop selection's out-of-line part: loop names and the keys formed from key colour bytes.
#include "sprite/blit/BlitSelect.h"

#include "sprite/PelFormats.h"

std::string blitLoopName(int srcGroup, int dstGroup, int slot)
{
    if (srcGroup < 0 || srcGroup > blitPal8Group || dstGroup < 0 || dstGroup > blitPal8Group || slot < 0 || slot >= drawSlotCount)
        return "nothing";
    const DrawKey key = drawSlots[static_cast<std::size_t>(slot)];
    std::string name = key.stretch ? "blit_stretch_" : "blit_";
    name += drawOpWords[static_cast<int>(key.op)];
    name += "_";
    name += pelGroupOf(static_cast<PelGroup>(srcGroup)).word;
    name += "_to_";
    name += pelGroupOf(static_cast<PelGroup>(dstGroup)).word;
    if (key.keyed) name += "_key";
    if (key.depth) name += "_depth";
    return name;
}

std::uint32_t blitKeyOf(int srcGroup, const std::uint8_t* rgba) noexcept
{
    std::uint16_t word = 0;
    switch (static_cast<blit::Group>(srcGroup)) {
    case blit::Group::Rgb888: return rgba[0] | rgba[1] << 8 | static_cast<std::uint32_t>(rgba[2]) << 16;
    case blit::Group::X8888:
        return rgba[0] | rgba[1] << 8 | static_cast<std::uint32_t>(rgba[2]) << 16 | static_cast<std::uint32_t>(rgba[3]) << 24;
    case blit::Group::Rgb565: return pel_convert_rgb888_to_rgb565(word, rgba);
    case blit::Group::Rgbx5551: return pel_convert_rgb888_to_rgbx5551(word, rgba);
    case blit::Group::Rgba5551: return pel_key_rgb888_to_rgba5551(word, rgba);
    case blit::Group::Index8:
    case blit::Group::None: break;
    }
    return 0;
}

std::uint32_t blitPalKeyOf(int dstGroup, const std::uint8_t* rgba) noexcept
{
    // 32-bit and rgb888 entries are compared as the colour's bytes; the 16-bit ones as the colour
    // converted, the 5551 ones on bits 0 to 14 (the loops mask bit 15).
    if (dstGroup == static_cast<int>(blit::Group::Rgba5551)) dstGroup = static_cast<int>(blit::Group::Rgbx5551);
    return blitKeyOf(dstGroup, rgba);
}
