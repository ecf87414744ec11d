// The display's pixel format as the software drawing code needs it: masks, shifts,
// losses and scales per channel, computed from the masks the layer reports.
#pragma once

#include "platform/display.h"

#include <cstdint>

class Surface;

class PixelFormatInfo {
public:
    PixelFormatInfo() = default;
    virtual ~PixelFormatInfo() = default;

    // Reads the surface's format from the layer and computes the fields; 0 or 7 when
    // the surface has none to report.
    int fill(const Surface& surface);
    // Computes every field from a format.
    void compute(const plat::PixelFormat& format);

    // The display pixel for an 8-bit-per-channel colour.
    [[nodiscard]] uint32_t pixelFromRgb(uint8_t red, uint8_t green, uint8_t blue) const;

    uint32_t redMask = 0;
    uint32_t greenMask = 0;
    uint32_t blueMask = 0;
    uint64_t redMask4 = 0;
    uint64_t greenMask4 = 0;
    uint64_t blueMask4 = 0;
    uint32_t redShift = 0;
    uint32_t greenShift = 0;
    uint32_t blueShift = 0;
    uint32_t redLoss = 0;
    uint32_t greenLoss = 0;
    uint32_t blueLoss = 0;
    uint32_t depth = 0;
    plat::PixelFormat ddpf;
    uint32_t redScale = 0;
    uint32_t greenScale = 0;
    uint32_t blueScale = 0;
    // The channel layouts `layout` knows by their masks (plat::format's), and any other.
    static constexpr uint32_t layoutOther = 0;
    static constexpr uint32_t layoutRgb555 = 1;
    static constexpr uint32_t layoutRgb565 = 2;
    static constexpr uint32_t layoutRgb888 = 3; // 24- or 32-bit
    uint32_t layout = layoutOther;
};
