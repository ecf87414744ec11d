// The display device and its surfaces: a DirectDraw-shaped interface over software
// surface memory, presented by the backend (SDL texture or captured frames).
#pragma once

#include "platform/window.h"

#include <cstdint>
#include <string>
#include <vector>

namespace plat {

// Results in the numbering the framework was written for (0 success, negative failure).
using HResult = int32_t;

namespace result {
inline constexpr HResult Ok = 0;
inline constexpr HResult Generic = static_cast<HResult>(0x80004005);
inline constexpr HResult OutOfMemory = static_cast<HResult>(0x8007000E);
inline constexpr HResult InvalidParams = static_cast<HResult>(0x80070057);
inline constexpr HResult InvalidMode = static_cast<HResult>(0x88760078);
inline constexpr HResult InvalidRect = static_cast<HResult>(0x88760096);
inline constexpr HResult SurfaceLost = static_cast<HResult>(0x887601C2);
inline constexpr HResult NotFlippable = static_cast<HResult>(0x88760246);
inline constexpr HResult NotLocked = static_cast<HResult>(0x88760248);
inline constexpr HResult NoDisplay = static_cast<HResult>(0x88760262);
} // namespace result

[[nodiscard]] constexpr bool failed(HResult r) { return r < 0; }

// Channel masks of a pixel; 8-bit (palette index) formats have no masks.
struct PixelFormat {
    uint32_t bitsPerPixel = 0;
    uint32_t redMask = 0;
    uint32_t greenMask = 0;
    uint32_t blueMask = 0;

    [[nodiscard]] uint32_t bytesPerPixel() const { return (bitsPerPixel + 7) / 8; }
    friend bool operator==(const PixelFormat&, const PixelFormat&) = default;
};

namespace format {
inline constexpr PixelFormat Rgb565{16, 0xF800, 0x07E0, 0x001F};
inline constexpr PixelFormat Rgb555{16, 0x7C00, 0x03E0, 0x001F};
inline constexpr PixelFormat Rgb888{24, 0xFF0000, 0x00FF00, 0x0000FF};
inline constexpr PixelFormat Xrgb8888{32, 0xFF0000, 0x00FF00, 0x0000FF};
inline constexpr PixelFormat Indexed8{8, 0, 0, 0};
} // namespace format

// {left, top, right, bottom}, right and bottom exclusive.
struct Rect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
};

struct DisplayDriver {
    std::string description;
    std::string name;
};

struct DeviceObject;
struct SurfaceObject;
using DisplayDevice = DeviceObject*;
using SurfaceHandle = SurfaceObject*;

enum class SurfacePlacement { VideoMemory, SystemMemory, Texture };

struct SurfaceDesc {
    bool primary = false;   // the visible surface; takes the display mode's size
    int backBuffers = 0;    // primary only: 1 makes a flipping chain
    int width = 0;          // others: size in pixels
    int height = 0;
    SurfacePlacement placement = SurfacePlacement::SystemMemory;
    void* memory = nullptr; // caller's pixel memory (kept by the caller), or null
    int32_t pitch = 0;      // bytes per row of that memory
};

struct LockedPixels {
    void* pixels = nullptr;
    int32_t pitch = 0;
};

// ---- Device ----
// The display drivers present; empty when there is no display to open.
[[nodiscard]] std::vector<DisplayDriver> displayDrivers();
// Opens the display device; on failure lastDisplayError() says why.
[[nodiscard]] HResult createDevice(DisplayDevice& out);
// Binds the device to the window for full-screen use.
[[nodiscard]] HResult setCooperativeLevel(DisplayDevice device, WindowId window);
// Sets the screen size and depth every later surface of the device takes.
[[nodiscard]] HResult setDisplayMode(DisplayDevice device, int width, int height, int bitsPerPixel);
// Restores every lost surface of the device (their contents are undefined afterwards).
[[nodiscard]] HResult restoreAllSurfaces(DisplayDevice device);
// Closes the device; surfaces still alive keep their memory until released.
void releaseDevice(DisplayDevice device);
[[nodiscard]] std::string lastDisplayError();

// ---- Surfaces ----
// Creates a surface in the device's pixel format; memory never moves while it lives.
[[nodiscard]] HResult createSurface(DisplayDevice device, const SurfaceDesc& desc, SurfaceHandle& out);
// The back buffer of a flipping chain; it is released with its primary.
[[nodiscard]] HResult attachedBackBuffer(SurfaceHandle primary, SurfaceHandle& out);
// Frees the surface (a chain's back buffer is ignored here). Null is ignored.
void releaseSurface(SurfaceHandle surface);
[[nodiscard]] HResult lockSurface(SurfaceHandle surface, LockedPixels& out);
[[nodiscard]] HResult unlockSurface(SurfaceHandle surface);
// Device context for foreign drawing; our layer has none, so this only tracks the hold.
[[nodiscard]] HResult getSurfaceDC(SurfaceHandle surface);
[[nodiscard]] HResult releaseSurfaceDC(SurfaceHandle surface);
// Fills the rectangle (null: the whole surface) with a pixel value of the surface's
// format. A rectangle reaching outside the surface is refused with InvalidRect.
[[nodiscard]] HResult fillSurface(SurfaceHandle surface, const Rect* rect, uint32_t colour);
// Copies src's rectangle to dest at (x, y), skipping pixels equal to src's colour key
// when sourceKey is set. A rectangle reaching outside either surface, or an empty one,
// is refused with InvalidRect and nothing is written.
[[nodiscard]] HResult bltFast(SurfaceHandle dest, int x, int y, SurfaceHandle src, const Rect& srcRect,
                              bool sourceKey);
[[nodiscard]] HResult setColorKey(SurfaceHandle surface, uint32_t key);
[[nodiscard]] HResult surfacePixelFormat(SurfaceHandle surface, PixelFormat& out);
// Ok, or SurfaceLost while the surface is lost.
[[nodiscard]] HResult isSurfaceLost(SurfaceHandle surface);
[[nodiscard]] HResult restoreSurface(SurfaceHandle surface);
// Flipping chain: shows the back buffer (its pixels become the primary's).
[[nodiscard]] HResult flipSurface(SurfaceHandle primary);
// Shows the primary surface's pixels on the screen (the end of every frame).
[[nodiscard]] HResult presentSurface(SurfaceHandle primary);

} // namespace plat
