// Pixel format arithmetic for the display.
#include "framework/PixelFormatInfo.h"

#include "framework/Surface.h"

#include <bit>

namespace {
uint32_t lowestBit(uint32_t mask) { return mask ? static_cast<uint32_t>(std::countr_zero(mask)) : 0; }

// Losses and scales are defined only for channels of 1 to 31 bits; an empty or a full
// 32-bit mask gets no loss and no scale rather than a division by zero.
uint32_t scaleFor(uint32_t mask)
{
    const int bits = std::popcount(mask);
    if (bits < 1 || bits > 31)
        return 0;
    return 0xFF0000u / ((1u << bits) - 1);
}

uint32_t lossFor(uint32_t mask)
{
    const int bits = std::popcount(mask);
    return bits < 8 ? static_cast<uint32_t>(8 - bits) : 0;
}
} // namespace

void PixelFormatInfo::compute(const plat::PixelFormat& format)
{
    *this = PixelFormatInfo{};
    ddpf = format;
    depth = format.bitsPerPixel;
    if (depth <= 8)
        return; // palette indices: no channels to describe
    redMask = format.redMask;
    greenMask = format.greenMask;
    blueMask = format.blueMask;
    redShift = lowestBit(redMask);
    greenShift = lowestBit(greenMask);
    blueShift = lowestBit(blueMask);
    redLoss = lossFor(redMask);
    greenLoss = lossFor(greenMask);
    blueLoss = lossFor(blueMask);
    redMask4 = uint64_t{redMask} * 0x0001000100010001ull;
    greenMask4 = uint64_t{greenMask} * 0x0001000100010001ull;
    blueMask4 = uint64_t{blueMask} * 0x0001000100010001ull;
    redScale = scaleFor(redMask);
    greenScale = scaleFor(greenMask);
    blueScale = scaleFor(blueMask);
    const auto masksAre = [&](const plat::PixelFormat& known) {
        return redMask == known.redMask && greenMask == known.greenMask && blueMask == known.blueMask;
    };
    if (masksAre(plat::format::Rgb555))
        layout = layoutRgb555;
    else if (masksAre(plat::format::Rgb565))
        layout = layoutRgb565;
    else if (masksAre(plat::format::Rgb888))
        layout = layoutRgb888;
}

int PixelFormatInfo::fill(const Surface& surface)
{
    plat::PixelFormat format;
    if (!surface.surface || plat::failed(plat::surfacePixelFormat(surface.surface, format)))
        return FrameworkResult::Lock;
    compute(format);
    return FrameworkResult::Ok;
}

uint32_t PixelFormatInfo::pixelFromRgb(uint8_t red, uint8_t green, uint8_t blue) const
{
    // Shifting a byte left by up to 31 stays inside 32 bits; the masks trim channels wider than 8.
    return (((uint32_t{red} >> redLoss) << redShift) & redMask) |
           (((uint32_t{green} >> greenLoss) << greenShift) & greenMask) |
           (((uint32_t{blue} >> blueLoss) << blueShift) & blueMask);
}
