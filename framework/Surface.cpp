// Surfaces: lock, fills, colour key, the clipped keyed blit and the process-wide surface list.
#include "framework/Surface.h"

#include "framework/AlphaMask.h"
#include "platform/pixels.h"

#include <cstdlib>
#include <new>

namespace {
// Constant-initialised so that global Surfaces built before main, or destroyed after
// it, find the list in a usable state whatever the order of initialisation.
constinit Surface** listItems = nullptr;
constinit int listCount = 0;

void listAppend(Surface* s)
{
    auto** grown = static_cast<Surface**>(std::realloc(listItems, sizeof(Surface*) * (listCount + 1)));
    if (!grown)
        throw std::bad_alloc();
    listItems = grown;
    listItems[listCount++] = s;
}

void listRemove(Surface* s)
{
    for (int i = 0; i < listCount; ++i) {
        if (listItems[i] != s)
            continue;
        listItems[i] = listItems[--listCount];
        if (listCount == 0) {
            std::free(listItems);
            listItems = nullptr;
        }
        return;
    }
}
} // namespace

int surfaceListCount() { return listCount; }

Surface* surfaceListAt(int index) { return index >= 0 && index < listCount ? listItems[index] : nullptr; }

Surface::Surface() { listAppend(this); }

Surface::~Surface()
{
    release();
    listRemove(this);
}

template <class Call>
plat::HResult Surface::withRestore(Call call)
{
    plat::HResult r = call();
    if (r == plat::result::SurfaceLost && restore())
        r = call();
    return r;
}

void Surface::release()
{
    if (releaseHook)
        releaseHook(this);
    if (flags & SurfaceFlag::ownsUserData)
        std::free(userData);
    if (flags & SurfaceFlag::dcHeld)
        releaseDC();
    if (flags & SurfaceFlag::locked)
        unlock();
    if (flags & SurfaceFlag::ownsClipRect)
        delete clipRect;
    clipRect = nullptr;
    plat::releaseSurface(surface);
    surface = nullptr;
    plat::freePixelMemory(ownMemory);
    ownMemory = nullptr;
    delete alphaMask;
    alphaMask = nullptr;
    // The pixels belonged to what was just released; keeping them would invite a write
    // into freed memory.
    pixels = nullptr;
    pitch = 0;
    restoreHook = nullptr;
    userData = nullptr;
    display = nullptr;
    palette = nullptr;
    dc = nullptr;
    kind = 0;
    flags = 0;
}

int Surface::lock()
{
    if ((flags & SurfaceFlag::locked) || (kind & 0xFF) == SurfaceKind::OwnMemory)
        return FrameworkResult::Ok;
    if (!surface)
        return FrameworkResult::Lock;
    plat::LockedPixels locked;
    if (withRestore([&] { return plat::lockSurface(surface, locked); }) != plat::result::Ok)
        return FrameworkResult::Lock;
    pixels = static_cast<uint8_t*>(locked.pixels);
    pitch = locked.pitch;
    flags |= SurfaceFlag::locked;
    return FrameworkResult::Ok;
}

int Surface::unlock()
{
    if (!(flags & SurfaceFlag::locked))
        return FrameworkResult::Ok;
    if (!surface || withRestore([&] { return plat::unlockSurface(surface); }) != plat::result::Ok)
        return FrameworkResult::Unlock;
    flags &= static_cast<uint8_t>(~SurfaceFlag::locked);
    return FrameworkResult::Ok;
}

int Surface::getDC()
{
    if (flags & SurfaceFlag::dcHeld)
        return FrameworkResult::Ok;
    if (!surface || withRestore([&] { return plat::getSurfaceDC(surface); }) != plat::result::Ok)
        return FrameworkResult::GetDC;
    dc = surface;
    flags |= SurfaceFlag::dcHeld;
    return FrameworkResult::Ok;
}

int Surface::releaseDC()
{
    if (!(flags & SurfaceFlag::dcHeld))
        return FrameworkResult::Ok;
    if (!surface || withRestore([&] { return plat::releaseSurfaceDC(surface); }) != plat::result::Ok)
        return FrameworkResult::ReleaseDC;
    dc = nullptr;
    flags &= static_cast<uint8_t>(~SurfaceFlag::dcHeld);
    return FrameworkResult::Ok;
}

int Surface::fillRect(int left, int top, int right, int bottom, uint32_t colour)
{
    if (!surface)
        return FrameworkResult::ColourFill;
    const plat::Rect r{left, top, right, bottom};
    if (withRestore([&] { return plat::fillSurface(surface, &r, colour); }) != plat::result::Ok)
        return FrameworkResult::ColourFill;
    return FrameworkResult::Ok;
}

int Surface::fill(uint32_t colour)
{
    if (!surface)
        return FrameworkResult::ColourFill;
    if (withRestore([&] { return plat::fillSurface(surface, nullptr, colour); }) != plat::result::Ok)
        return FrameworkResult::ColourFill;
    return FrameworkResult::Ok;
}

void Surface::setColorKey(uint32_t key)
{
    if (!surface)
        return;
    colorKey = key;
    (void)plat::setColorKey(surface, key);
}

void Surface::setClipRect(Rect* rect)
{
    if (flags & SurfaceFlag::ownsClipRect)
        delete clipRect;
    clipRect = rect;
    flags &= static_cast<uint8_t>(~SurfaceFlag::ownsClipRect);
}

int Surface::setPalette(DisplayPalette* p)
{
    palette = p;
    if (!p)
        return FrameworkResult::Palette;
    // The layer has no device palettes; an 8-bit display without one keeps raw indices.
    return FrameworkResult::Ok;
}

int32_t Surface::blit(Surface* dest, int x, int y, Rect& r)
{
    if (!dest || !surface || !dest->surface)
        return plat::result::InvalidParams;
    if (const Rect* c = clipRect) {
        // 64-bit sums: coordinates near the 32-bit limits must not overflow.
        if (int64_t{x} + (int64_t{r.right} - r.left) > c->right)
            r.right = static_cast<int32_t>(int64_t{c->right} - x + r.left);
        if (x < c->left) {
            r.left = static_cast<int32_t>(int64_t{r.left} + (int64_t{c->left} - x));
            x = c->left;
        }
        if (y < c->top) {
            r.top = static_cast<int32_t>(int64_t{r.top} + (int64_t{c->top} - y));
            y = c->top;
        }
        if (int64_t{y} + (int64_t{r.bottom} - r.top) > c->bottom)
            r.bottom = static_cast<int32_t>(int64_t{c->bottom} - y + r.top);
    }
    const plat::Rect source{r.left, r.top, r.right, r.bottom};
    const bool keyed = (flags & SurfaceFlag::keyed) != 0;
    plat::HResult result = plat::bltFast(dest->surface, x, y, surface, source, keyed);
    if (result == plat::result::SurfaceLost) {
        if (!restore() || !dest->restore())
            return plat::result::SurfaceLost;
        result = plat::bltFast(dest->surface, x, y, surface, source, keyed);
    }
    return result;
}
