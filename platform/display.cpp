// The display area: device and surface bookkeeping, validation and software surface
// memory above the chosen backend, which only opens the screen and shows frames.
#include "platform/display.h"

#include "platform/display_backend.h"
#include "platform/pixels.h"
#include "platform/platform.h"

#include <cstring>
#include <memory>

namespace plat {

struct DeviceObject {
    WindowId window = 0;
    bool modeSet = false;
    int width = 0;
    int height = 0;
    PixelFormat format;
};

struct SurfaceObject {
    DeviceObject* device = nullptr;
    bool primary = false;
    int width = 0;
    int height = 0;
    int32_t pitch = 0;
    uint8_t* pixels = nullptr;
    std::shared_ptr<uint8_t> own; // shared with the frame a backend keeps after a present
    std::shared_ptr<uint8_t> spare; // the memory the kept frame had before, for the next swap
    std::size_t bytes = 0;
    bool shown = false; // a primary whose memory is what the screen holds (nothing written since)
    PixelFormat format;
    bool lost = false;
    bool locked = false;
    bool dcHeld = false;
    uint32_t colorKey = 0;
    SurfaceObject* back = nullptr;  // a flipping primary's back buffer
    SurfaceObject* owner = nullptr; // the primary that owns this back buffer
    SurfaceObject* prev = nullptr;
    SurfaceObject* next = nullptr;
};

namespace {
// Constant-initialised: surfaces may be released by global destructors after main.
constinit SurfaceObject* surfaces = nullptr;
constinit int openDevices = 0;
constinit int modeWidth = 0;
constinit int modeHeight = 0;
constinit std::string* lastError = nullptr;
constinit uint64_t fullCopies = 0;

void setError(const std::string& text)
{
    if (!lastError)
        lastError = new std::string; // lives to the end of the process
    *lastError = text;
}

// The backend's chance to refuse an operation before it runs (headless fault injection).
bool refused(DisplayOp op, HResult& r) { return displayBackend().intercept(op, r); }

void link(SurfaceObject* s)
{
    s->next = surfaces;
    if (surfaces)
        surfaces->prev = s;
    surfaces = s;
}

void unlink(SurfaceObject* s)
{
    if (s->prev)
        s->prev->next = s->next;
    else
        surfaces = s->next;
    if (s->next)
        s->next->prev = s->prev;
}

// The one size routine for every surface that allocates. The caps are arbitrary but
// generous (the game's largest surface is 800 x 600); what is essential is that pitch
// times height can never overflow.
constexpr int maxSide = 16384;
constexpr std::size_t maxBytes = std::size_t{64} << 20;

bool surfaceSize(int width, int height, uint32_t bytesPerPixel, int32_t& pitch, std::size_t& bytes)
{
    if (width < 1 || height < 1 || width > maxSide || height > maxSide)
        return false;
    const std::size_t rowBytes = (static_cast<std::size_t>(width) * bytesPerPixel + 3) & ~std::size_t{3};
    bytes = rowBytes * static_cast<std::size_t>(height);
    if (bytes > maxBytes)
        return false;
    pitch = static_cast<int32_t>(rowBytes);
    return true;
}

std::shared_ptr<uint8_t> allocatePixels(std::size_t bytes)
{
    uint8_t* p = allocatePixelMemory(bytes);
    if (!p)
        return nullptr;
    return std::shared_ptr<uint8_t>(p, freePixelMemory);
}

// Called before anything writes into a surface. While a backend keeps the last presented frame
// in the surface's memory, the frame stays as it was shown: the surface moves to the spare
// memory (or new memory), which takes the current pixels unless the write covers the whole
// surface. The headless present thus keeps its frame without a copy, and a game frame, whose
// present overwrites the whole primary, swaps between two blocks. False when out of memory;
// callers then report the surface lost.
bool beforeWrite(SurfaceObject& s, bool whole)
{
    s.shown = false;
    if (!s.own || s.own.use_count() == 1)
        return true;
    std::shared_ptr<uint8_t> next = s.spare && s.spare.use_count() == 1 ? std::move(s.spare) : allocatePixels(s.bytes);
    if (!next)
        return false;
    if (!whole)
        std::memcpy(next.get(), s.own.get(), s.bytes);
    s.spare = std::move(s.own);
    s.own = std::move(next);
    s.pixels = s.own.get();
    return true;
}

bool fullFrame(int width, int height) { return width == modeWidth && height == modeHeight; }

SurfaceObject* makeSurface(DeviceObject* device, int width, int height, HResult& r)
{
    int32_t pitch = 0;
    std::size_t bytes = 0;
    if (!surfaceSize(width, height, device->format.bytesPerPixel(), pitch, bytes)) {
        r = result::InvalidParams;
        return nullptr;
    }
    auto s = std::make_unique<SurfaceObject>();
    s->own = allocatePixels(bytes);
    if (!s->own) {
        r = result::OutOfMemory;
        return nullptr;
    }
    s->bytes = bytes;
    s->device = device;
    s->width = width;
    s->height = height;
    s->pitch = pitch;
    s->pixels = s->own.get();
    s->format = device->format;
    link(s.get());
    return s.release();
}

PixelArea area(const SurfaceObject& s) { return PixelArea{s.pixels, s.pitch, s.format.bytesPerPixel()}; }

bool inside(const SurfaceObject& s, int64_t left, int64_t top, int64_t right, int64_t bottom)
{
    return left >= 0 && top >= 0 && left < right && top < bottom && right <= s.width && bottom <= s.height;
}

uint32_t valueMask(const PixelFormat& f)
{
    return f.bitsPerPixel >= 32 ? 0xFFFFFFFFu : (1u << f.bitsPerPixel) - 1;
}
} // namespace

DisplayBackend& displayBackend()
{
    return chosenBackend<DisplayBackend, makeSdlDisplayBackend, makeHeadlessDisplayBackend>();
}

// ---- Device ----

std::vector<DisplayDriver> displayDrivers()
{
    HResult r;
    if (refused(DisplayOp::EnumerateDrivers, r) || !displayBackend().available())
        return {};
    return {DisplayDriver{"Primary display", "display"}};
}

HResult createDevice(DisplayDevice& out)
{
    out = nullptr;
    HResult r;
    if (refused(DisplayOp::CreateDevice, r)) {
        setError("the display device could not be opened");
        return r;
    }
    std::string error;
    if (!displayBackend().open(error)) {
        setError(error);
        return result::NoDisplay;
    }
    ++openDevices;
    out = new DeviceObject;
    return result::Ok;
}

HResult setCooperativeLevel(DisplayDevice device, WindowId window)
{
    if (!device || !isWindow(window))
        return result::InvalidParams;
    HResult r;
    if (refused(DisplayOp::SetCooperativeLevel, r))
        return r;
    device->window = window;
    return result::Ok;
}

HResult setDisplayMode(DisplayDevice device, int width, int height, int bitsPerPixel)
{
    if (!device || width < 1 || height < 1 || width > maxSide || height > maxSide)
        return result::InvalidParams;
    HResult r;
    if (refused(DisplayOp::SetDisplayMode, r))
        return r;
    PixelFormat format;
    std::string error;
    if (!displayBackend().setMode(device->window, width, height, bitsPerPixel, format, error)) {
        setError(error);
        return result::InvalidMode;
    }
    device->modeSet = true;
    device->width = width;
    device->height = height;
    device->format = format;
    modeWidth = width;
    modeHeight = height;
    return result::Ok;
}

HResult restoreAllSurfaces(DisplayDevice device)
{
    if (!device)
        return result::InvalidParams;
    HResult r;
    if (refused(DisplayOp::RestoreAll, r))
        return r;
    for (SurfaceObject* s = surfaces; s; s = s->next)
        if (s->device == device)
            s->lost = false;
    return result::Ok;
}

void releaseDevice(DisplayDevice device)
{
    if (!device)
        return;
    for (SurfaceObject* s = surfaces; s; s = s->next)
        if (s->device == device)
            s->device = nullptr;
    if (--openDevices == 0) {
        displayBackend().close();
        modeWidth = 0;
        modeHeight = 0;
    }
    delete device;
}

void countFullFrameCopy() { ++fullCopies; }

uint64_t& fullFrameCopyCounter() { return fullCopies; }

bool currentDisplayMode(int& width, int& height)
{
    if (openDevices == 0 || modeWidth == 0)
        return false;
    width = modeWidth;
    height = modeHeight;
    return true;
}

std::string lastDisplayError() { return lastError ? *lastError : std::string(); }

// ---- Surfaces ----

HResult createSurface(DisplayDevice device, const SurfaceDesc& desc, SurfaceHandle& out)
{
    out = nullptr;
    if (!device || !device->modeSet)
        return result::InvalidParams;
    HResult r = result::Ok;
    if (refused(DisplayOp::CreateSurface, r))
        return r;
    if (desc.primary) {
        if (desc.backBuffers < 0 || desc.backBuffers > 1 || desc.memory)
            return result::InvalidParams;
        SurfaceObject* s = makeSurface(device, device->width, device->height, r);
        if (!s)
            return r;
        s->primary = true;
        if (desc.backBuffers == 1) {
            s->back = makeSurface(device, device->width, device->height, r);
            if (!s->back) {
                releaseSurface(s);
                return r;
            }
            s->back->owner = s;
        }
        out = s;
        return result::Ok;
    }
    if (desc.backBuffers != 0)
        return result::InvalidParams;
    if (!desc.memory) {
        out = makeSurface(device, desc.width, desc.height, r);
        return out ? result::Ok : r;
    }
    // Caller's memory: its rows must hold the width.
    const uint32_t bytes = device->format.bytesPerPixel();
    if (desc.width < 1 || desc.height < 1 || desc.width > maxSide || desc.height > maxSide ||
        desc.pitch < static_cast<int64_t>(desc.width) * bytes)
        return result::InvalidParams;
    auto s = std::make_unique<SurfaceObject>();
    s->device = device;
    s->width = desc.width;
    s->height = desc.height;
    s->pitch = desc.pitch;
    s->pixels = static_cast<uint8_t*>(desc.memory);
    s->format = device->format;
    link(s.get());
    out = s.release();
    return result::Ok;
}

HResult attachedBackBuffer(SurfaceHandle primary, SurfaceHandle& out)
{
    out = primary ? primary->back : nullptr;
    return out ? result::Ok : result::NotFlippable;
}

void releaseSurface(SurfaceHandle s)
{
    if (!s || s->owner)
        return;
    if (s->back) {
        unlink(s->back);
        delete s->back;
    }
    unlink(s);
    delete s;
}

HResult lockSurface(SurfaceHandle s, LockedPixels& out)
{
    out = LockedPixels{};
    if (!s)
        return result::InvalidParams;
    HResult r;
    if (refused(DisplayOp::Lock, r))
        return r;
    if (s->lost)
        return result::SurfaceLost;
    if (!beforeWrite(*s, false))
        return result::SurfaceLost;
    s->locked = true;
    out = LockedPixels{s->pixels, s->pitch};
    return result::Ok;
}

HResult unlockSurface(SurfaceHandle s)
{
    if (!s)
        return result::InvalidParams;
    HResult r;
    if (refused(DisplayOp::Unlock, r))
        return r;
    if (!s->locked)
        return result::NotLocked;
    s->locked = false;
    return result::Ok;
}

HResult getSurfaceDC(SurfaceHandle s)
{
    if (!s)
        return result::InvalidParams;
    HResult r;
    if (refused(DisplayOp::GetDC, r))
        return r;
    if (s->lost)
        return result::SurfaceLost;
    s->dcHeld = true;
    return result::Ok;
}

HResult releaseSurfaceDC(SurfaceHandle s)
{
    if (!s)
        return result::InvalidParams;
    HResult r;
    if (refused(DisplayOp::ReleaseDC, r))
        return r;
    if (!s->dcHeld)
        return result::InvalidParams;
    s->dcHeld = false;
    return result::Ok;
}

HResult fillSurface(SurfaceHandle s, const Rect* rect, uint32_t colour)
{
    if (!s)
        return result::InvalidParams;
    const Rect whole{0, 0, s->width, s->height};
    const Rect& r = rect ? *rect : whole;
    if (!inside(*s, r.left, r.top, r.right, r.bottom))
        return result::InvalidRect;
    HResult injected;
    if (refused(DisplayOp::Fill, injected))
        return injected;
    if (s->lost)
        return result::SurfaceLost;
    if (!beforeWrite(*s, r.left == 0 && r.top == 0 && r.right == s->width && r.bottom == s->height))
        return result::SurfaceLost;
    fillPixels(area(*s), r.left, r.top, r.right - r.left, r.bottom - r.top, colour & valueMask(s->format));
    return result::Ok;
}

namespace {
// A whole frame copied to a primary whose screen keeps frames of its own. The primary's memory
// holds what the screen holds, so only the rows between the first and the last that differ
// are copied and uploaded, and an unchanged frame uploads nothing: an idle screen costs one
// comparison a frame. False when out of memory.
bool copyToScreen(SurfaceObject& dest, const SurfaceObject& src, int left, int top)
{
    const bool shown = dest.shown;
    if (!beforeWrite(dest, false))
        return false;
    const PixelArea to = area(dest), from = area(src);
    const std::size_t rowBytes = static_cast<std::size_t>(dest.width) * to.bytesPerPixel;
    const uint8_t* fromRow = from.pixels + static_cast<std::ptrdiff_t>(top) * from.pitch +
                             static_cast<std::ptrdiff_t>(left) * from.bytesPerPixel;
    const auto same = [&](int row) {
        return std::memcmp(to.pixels + static_cast<std::ptrdiff_t>(row) * to.pitch,
                           fromRow + static_cast<std::ptrdiff_t>(row) * from.pitch, rowBytes) == 0;
    };
    int first = 0, end = dest.height;
    if (shown) {
        while (first < end && same(first))
            ++first;
        while (end > first && same(end - 1))
            --end;
    }
    if (first < end)
        copyPixels(to, 0, first, from, left, top + first, dest.width, end - first);
    std::string error;
    const FrameView frame{dest.pixels, dest.pitch, dest.width, dest.height, dest.format, nullptr, false, first,
                          end - first};
    // A failed upload leaves the rows to the present, which uploads the whole memory.
    dest.shown = first == end || displayBackend().upload(frame, error);
    return true;
}
} // namespace

HResult bltFast(SurfaceHandle dest, int x, int y, SurfaceHandle src, const Rect& r, bool sourceKey)
{
    if (!dest || !src || dest->format.bytesPerPixel() != src->format.bytesPerPixel())
        return result::InvalidParams;
    if (!inside(*src, r.left, r.top, r.right, r.bottom))
        return result::InvalidRect;
    const int w = r.right - r.left;
    const int h = r.bottom - r.top;
    if (!inside(*dest, x, y, int64_t{x} + w, int64_t{y} + h))
        return result::InvalidRect;
    HResult injected;
    if (refused(DisplayOp::Blt, injected))
        return injected;
    if (src->lost || dest->lost)
        return result::SurfaceLost;
    // An opaque copy from another surface over all of dest leaves nothing of dest's pixels.
    const bool whole = !sourceKey && src != dest && w == dest->width && h == dest->height;
    if (fullFrame(w, h))
        countFullFrameCopy();
    if (whole && dest->primary && dest->device && displayBackend().uploadsDirectly())
        return copyToScreen(*dest, *src, r.left, r.top) ? result::Ok : result::SurfaceLost;
    if (!beforeWrite(*dest, whole))
        return result::SurfaceLost;
    if (sourceKey)
        copyPixelsKeyed(area(*dest), x, y, area(*src), r.left, r.top, w, h, src->colorKey);
    else
        copyPixels(area(*dest), x, y, area(*src), r.left, r.top, w, h);
    return result::Ok;
}

HResult setColorKey(SurfaceHandle s, uint32_t key)
{
    if (!s)
        return result::InvalidParams;
    HResult r;
    if (refused(DisplayOp::SetColorKey, r))
        return r;
    s->colorKey = key & valueMask(s->format);
    return result::Ok;
}

HResult surfacePixelFormat(SurfaceHandle s, PixelFormat& out)
{
    if (!s)
        return result::InvalidParams;
    out = s->format;
    return result::Ok;
}

HResult isSurfaceLost(SurfaceHandle s)
{
    if (!s)
        return result::InvalidParams;
    return s->lost ? result::SurfaceLost : result::Ok;
}

HResult restoreSurface(SurfaceHandle s)
{
    if (!s)
        return result::InvalidParams;
    HResult r;
    if (refused(DisplayOp::Restore, r))
        return r;
    s->lost = false;
    if (s->back)
        s->back->lost = false;
    return result::Ok;
}

namespace {
HResult show(SurfaceObject& primary)
{
    if (!primary.device)
        return result::InvalidParams;
    std::string error;
    const FrameView frame{primary.pixels, primary.pitch, primary.width, primary.height, primary.format,
                          primary.own,    primary.shown, 0,             primary.height};
    if (!displayBackend().present(frame, error)) {
        setError(error);
        return result::Generic;
    }
    primary.shown = true;
    return result::Ok;
}
} // namespace

HResult flipSurface(SurfaceHandle primary)
{
    if (!primary)
        return result::InvalidParams;
    if (!primary->primary || !primary->back)
        return result::NotFlippable;
    HResult r;
    if (refused(DisplayOp::Flip, r))
        return r;
    if (primary->lost || primary->back->lost)
        return result::SurfaceLost;
    if (!beforeWrite(*primary, true))
        return result::SurfaceLost;
    countFullFrameCopy();
    copyPixels(area(*primary), 0, 0, area(*primary->back), 0, 0, primary->width, primary->height);
    return show(*primary);
}

HResult presentSurface(SurfaceHandle primary)
{
    if (!primary || !primary->primary)
        return result::InvalidParams;
    HResult r;
    if (refused(DisplayOp::Present, r))
        return r;
    if (primary->lost)
        return result::SurfaceLost;
    return show(*primary);
}

void markSurfaceLost(SurfaceHandle s)
{
    if (s)
        s->lost = true;
}

void markAllSurfacesLost()
{
    for (SurfaceObject* s = surfaces; s; s = s->next)
        s->lost = true;
}

} // namespace plat
