// Surfaces on their display: creation by kind over the display's device, and restore, which
// tells the display that its surfaces were lost.
#include "framework/Display.h"
#include "framework/Surface.h"
#include "platform/pixels.h"

namespace {
int depthOf(const Display* display)
{
    return display && display->pixelFormat ? static_cast<int>(display->pixelFormat->depth) : 0;
}
} // namespace

int Surface::create(Display* d, int k, int w, int h)
{
    release();
    // A failed creation holds nothing and has no size, so nothing trusts a size without pixels.
    width = height = 0;
    if (!d || !d->device || !surfaceSizeAllowed(w, h))
        return FrameworkResult::SurfaceCreation;
    const int result = createChecked(d, k, w, h);
    if (result != FrameworkResult::Ok) {
        release();
        width = height = 0;
    }
    return result;
}

int Surface::createChecked(Display* d, int k, int w, int h)
{
    display = d;
    width = w;
    height = h;
    kind = static_cast<uint16_t>(k);

    plat::SurfaceDesc desc;
    desc.width = w;
    desc.height = h;
    plat::HResult made = plat::result::Ok;
    const auto make = [&](plat::SurfacePlacement placement) {
        desc.placement = placement;
        return made = plat::createSurface(d->device, desc, surface);
    };
    // A layer without memory for the pixels says so, as a picture that cannot be loaded does.
    const auto refused = [&] {
        return made == plat::result::OutOfMemory ? FrameworkResult::NoMemory : FrameworkResult::SurfaceCreation;
    };
    const uint16_t high = static_cast<uint16_t>(k & 0xFF00);
    switch (k & 0xFF) {
    case SurfaceKind::Auto:
        if (!plat::failed(make(plat::SurfacePlacement::VideoMemory))) {
            kind = static_cast<uint16_t>(high | SurfaceKind::Video);
        } else if (!plat::failed(make(plat::SurfacePlacement::SystemMemory))) {
            kind = static_cast<uint16_t>(high | SurfaceKind::System);
        } else {
            return refused();
        }
        break;
    case SurfaceKind::Video:
        if (plat::failed(make(plat::SurfacePlacement::VideoMemory)))
            return refused();
        break;
    case SurfaceKind::System:
        if (plat::failed(make(plat::SurfacePlacement::SystemMemory)))
            return refused();
        // Pictures are drawn through pixels and pitch without locking: record them now.
        lock();
        unlock();
        break;
    case SurfaceKind::Texture:
    case SurfaceKind::ManagedTexture:
        if (plat::failed(make(plat::SurfacePlacement::Texture)))
            return refused();
        break;
    case SurfaceKind::OwnMemory: {
        const int64_t rowPitch = ((int64_t{depthOf(d)} * w) / 8 + 7) & ~int64_t{7};
        ownMemory = plat::allocatePixelMemory(static_cast<std::size_t>(rowPitch * h));
        if (!ownMemory)
            return FrameworkResult::NoMemory;
        desc.memory = ownMemory;
        desc.pitch = static_cast<int32_t>(rowPitch);
        if (make(plat::SurfacePlacement::SystemMemory) != plat::result::Ok) {
            // The memory is ours whatever the layer did with it.
            plat::freePixelMemory(ownMemory);
            ownMemory = nullptr;
            return refused();
        }
        pixels = ownMemory;
        pitch = static_cast<int32_t>(rowPitch);
        break;
    }
    default:
        break; // no surface for other kinds
    }
    clipRect = &d->screenRect;
    setPalette(d->palette);
    return FrameworkResult::Ok;
}

bool Surface::restore()
{
    if (!surface)
        return false;
    if (display)
        display->surfacesLost = 1;
    return plat::restoreSurface(surface) == plat::result::Ok;
}
