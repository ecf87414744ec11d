// The full-screen display: device, mode, primary surface and back buffer, the pixel
// format for software drawing, and the present of the back buffer once per frame.
#pragma once

#include "framework/DisplayPalette.h"
#include "framework/PixelFormatInfo.h"
#include "framework/Rect.h"
#include "framework/Result.h"
#include "framework/Surface.h"
#include "platform/display.h"

#include <string>
#include <vector>

// DisplayMode bits, tested in this order: 1 primary only, 2 separate system-memory back
// buffer, 4 back buffer over its own memory (the game's); none: a flipping chain.
namespace DisplayMode {
inline constexpr int PrimaryOnly = 1;
inline constexpr int SystemBack = 2;
inline constexpr int OwnMemoryBack = 4;
inline constexpr int With3D = 8;
} // namespace DisplayMode

struct DisplayDriver {
    const void* guid = nullptr; // null: the primary display driver
    std::string description;
    std::string name;
};

class Display {
public:
    Display() = default;
    virtual ~Display();
    Display(const Display&) = delete;
    Display& operator=(const Display&) = delete;

    // Opens the device: 0, or 1 when there is no driver or it cannot be opened
    // (plat::lastDisplayError() then says why).
    int create();
    // Sets the mode and makes primary, back buffer, palette record and pixel format.
    int setMode(int mode, plat::WindowId window, int width, int height, int bitsPerPixel);
    // Presents the back buffer: 0, 26 when presenting fails, 50 without a back buffer.
    int flip(int flags);
    void restoreLostSurfaces();

    std::vector<DisplayDriver> drivers;
    int32_t driverCount = 0;
    uint8_t separateBack = 0;
    Rect screenRect;
    plat::WindowId window = 0;
    PixelFormatInfo* pixelFormat = nullptr;
    Surface* back = nullptr;
    Surface* primary = nullptr;
    DisplayPalette* palette = nullptr;
    plat::DisplayDevice device = nullptr;
    uint8_t surfacesLost = 0;

private:
    void discardSurfaces();
};

// The four-pixel present copy: rows of `rowBytes` (a multiple of 8) in 8-byte units.
void copyRowsFourPixels(uint8_t* dest, int32_t destPitch, const uint8_t* src, int32_t srcPitch,
                        std::size_t rowBytes, int rows);
