// The display: device and mode set-up, and the present of the back buffer with the
// lost-surface restore and one retry.
#include "framework/Display.h"

#include "framework/Mmx.h"

#include <algorithm>
#include <cstring>

void copyRowsFourPixels(uint8_t* dest, int32_t destPitch, const uint8_t* src, int32_t srcPitch,
                        std::size_t rowBytes, int rows)
{
    // Four 16-bit pixels per 8-byte word, as the MMX loop moved them.
    for (int y = 0; y < rows; ++y) {
        uint8_t* d = dest + static_cast<std::ptrdiff_t>(y) * destPitch;
        const uint8_t* s = src + static_cast<std::ptrdiff_t>(y) * srcPitch;
        for (std::size_t i = 0; i + 8 <= rowBytes; i += 8) {
            uint64_t word;
            std::memcpy(&word, s + i, 8);
            std::memcpy(d + i, &word, 8);
        }
    }
}

void Surface::copyBackToPrimaryMmx(Surface* dest, int x, int y, const Rect& rect)
{
    const int depth = display && display->pixelFormat ? static_cast<int>(display->pixelFormat->depth) : 0;
    const int columns = rect.right - rect.left;
    const int rows = rect.bottom - rect.top;
    const std::size_t rowBytes = static_cast<std::size_t>(std::max(columns, 0)) * static_cast<std::size_t>(depth) / 8;
    if (plat::isSurfaceLost(surface) != plat::result::Ok || !dest || !pixels || !dest->pixels || rows <= 0 ||
        rowBytes == 0 || rowBytes % 8 != 0)
        return;
    const bool inside = rect.left >= 0 && rect.top >= 0 && rect.right <= width && rect.bottom <= height && x >= 0 &&
                        y >= 0 && x + columns <= dest->width && y + rows <= dest->height;
    if (!inside)
        return;
    const std::ptrdiff_t pixelBytes = depth / 8;
    copyRowsFourPixels(dest->pixels + std::ptrdiff_t{y} * dest->pitch + std::ptrdiff_t{x} * pixelBytes, dest->pitch,
                       pixels + std::ptrdiff_t{rect.top} * pitch + std::ptrdiff_t{rect.left} * pixelBytes, pitch,
                       rowBytes, rows);
}

Display::~Display()
{
    discardSurfaces();
    plat::releaseDevice(device);
    device = nullptr;
}

void Display::discardSurfaces()
{
    // A chain's back buffer belongs to the primary.
    if (separateBack == 0 && back) {
        back->surface = nullptr;
        back->pixels = nullptr;
    }
    delete palette;
    delete pixelFormat;
    delete primary;
    delete back;
    palette = nullptr;
    pixelFormat = nullptr;
    primary = nullptr;
    back = nullptr;
}

int Display::create()
{
    if (driverCount < 1) {
        drivers.clear();
        for (const plat::DisplayDriver& d : plat::displayDrivers())
            drivers.push_back(DisplayDriver{nullptr, d.description, d.name});
        driverCount = static_cast<int32_t>(drivers.size());
    }
    if (driverCount < 1)
        return FrameworkResult::DisplayDevice;
    if (device) { // a second create replaces the device rather than leaking it
        discardSurfaces();
        plat::releaseDevice(device);
        device = nullptr;
    }
    if (plat::createDevice(device) != plat::result::Ok) {
        device = nullptr;
        return FrameworkResult::DisplayDevice;
    }
    return FrameworkResult::Ok;
}

int Display::setMode(int mode, plat::WindowId win, int width, int height, int bitsPerPixel)
{
    discardSurfaces();
    window = win;
    primary = new Surface;
    back = new Surface;
    palette = new DisplayPalette;
    pixelFormat = new PixelFormatInfo;

    if (plat::failed(plat::setCooperativeLevel(device, win)))
        return FrameworkResult::CooperativeLevel;
    if (plat::failed(plat::setDisplayMode(device, width, height, bitsPerPixel)))
        return FrameworkResult::DisplayMode;

    separateBack = 0;
    const bool chain = (mode & (DisplayMode::PrimaryOnly | DisplayMode::SystemBack | DisplayMode::OwnMemoryBack)) == 0;
    plat::SurfaceDesc desc;
    desc.primary = true;
    desc.backBuffers = chain ? 1 : 0;
    if (plat::failed(plat::createSurface(device, desc, primary->surface)))
        return FrameworkResult::PrimarySurface;
    primary->display = this;
    pixelFormat->fill(*primary);

    const uint16_t with3D = (mode & DisplayMode::With3D) ? SurfaceKind::With3D : 0;
    if (!(mode & DisplayMode::PrimaryOnly) && (mode & (DisplayMode::SystemBack | DisplayMode::OwnMemoryBack))) {
        const uint16_t kind = (mode & DisplayMode::SystemBack) ? SurfaceKind::System : SurfaceKind::OwnMemory;
        (void)back->create(this, kind | with3D, width, height);
        back->fill(0);
        separateBack = 1;
    } else if (chain) {
        if (plat::failed(plat::attachedBackBuffer(primary->surface, back->surface)))
            return FrameworkResult::BackBuffer;
        back->width = width;
        back->height = height;
        back->clipRect = &screenRect;
        back->fill(0);
    }

    back->display = this;
    primary->display = this;
    primary->width = width;
    primary->height = height;
    primary->clipRect = &screenRect;
    primary->fill(0);
    back->setPalette(palette);
    primary->setPalette(palette);
    screenRect = Rect{0, 0, width, height};
    return FrameworkResult::Ok;
}

void Display::restoreLostSurfaces()
{
    if (!surfacesLost)
        return;
    (void)plat::restoreAllSurfaces(device);
    for (int i = 0; i < surfaceListCount(); ++i) {
        Surface* s = surfaceListAt(i);
        if (s && s->display == this && s->restoreHook)
            s->restoreHook(s, s->userData);
    }
    surfacesLost = 0;
}

namespace {
// Shows the primary; a lost primary is restored and shown once more.
int present(Surface& primary)
{
    plat::HResult r = plat::presentSurface(primary.surface);
    if (r == plat::result::SurfaceLost) {
        primary.restore();
        r = plat::presentSurface(primary.surface);
    }
    return r == plat::result::Ok ? FrameworkResult::Ok : FrameworkResult::Present;
}
} // namespace

int Display::flip(int)
{
    restoreLostSurfaces();
    if (!back || !primary)
        return FrameworkResult::NoBackBuffer;

    if (separateBack == 0) {
        plat::HResult r = plat::flipSurface(primary->surface);
        if (r == plat::result::SurfaceLost) {
            primary->restore();
            r = plat::flipSurface(primary->surface);
        }
        return r == plat::result::Ok ? FrameworkResult::Ok : FrameworkResult::Present;
    }

    if (mmxEnabled) {
        back->lock();
        primary->lock();
        // Copy only what both surfaces hold.
        const Rect both{0, 0, std::min(primary->width, back->width), std::min(primary->height, back->height)};
        back->copyBackToPrimaryMmx(primary, 0, 0, both);
        primary->unlock();
        back->unlock();
        return present(*primary);
    }

    const plat::Rect whole{0, 0, back->width, back->height};
    plat::HResult r = plat::bltFast(primary->surface, 0, 0, back->surface, whole, false);
    if (r == plat::result::SurfaceLost) {
        back->restore();
        primary->restore();
        r = plat::bltFast(primary->surface, 0, 0, back->surface, whole, false);
    }
    if (r != plat::result::Ok)
        return FrameworkResult::Present;
    return present(*primary);
}
