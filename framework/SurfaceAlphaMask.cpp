// A Surface's alpha mask: made for the Surface, sized and filled from a mask picture's pixels.
// These read the Surface, so they live here rather than beside AlphaMask.h, which Surface.cpp
// includes to delete its mask.
#include "framework/AlphaMask.h"

#include "framework/Display.h"
#include "framework/Surface.h"

#include <algorithm>
#include <cstring>

namespace {

// A 16-bit channel widened to 0..255; a channel with every bit set counts 255.
uint32_t widen(uint32_t pixel, uint32_t mask, uint32_t shift, uint32_t scale)
{
    if (mask == 0)
        return 0;
    if ((pixel & mask) == mask)
        return 255;
    return (((pixel & mask) >> shift) * scale) >> 16;
}

} // namespace

void AlphaMask::allocate(Surface* s)
{
    source = s;
    alpha.clear();
    width = height = 0;
    // The size alone proves nothing: only a Surface that holds pixels of an allowed size has one.
    if (!s || !s->surface || !surfaceSizeAllowed(s->width, s->height))
        return;
    alpha.assign(static_cast<std::size_t>(s->width) * static_cast<std::size_t>(s->height), 0);
    width = s->width;
    height = s->height;
}

int AlphaMask::fillFromSurface(const Rect& rect)
{
    if (alpha.empty() || !source)
        return FrameworkResult::AlphaMaskWithoutBuffer;
    const bool wasLocked = source->flags & SurfaceFlag::locked;
    if (!wasLocked && source->lock() != FrameworkResult::Ok)
        return FrameworkResult::Lock;

    const Display* display = source->display;
    const PixelFormatInfo* pf = display ? display->pixelFormat : nullptr;
    const int32_t left = std::max(rect.left, 0), top = std::max(rect.top, 0);
    const int32_t right = std::min({rect.right, width, source->width});
    const int32_t bottom = std::min({rect.bottom, height, source->height});

    if (pf && source->pixels) {
        const DisplayPalette* palette = source->palette ? source->palette : display->palette;
        for (int32_t row = top; row < bottom; ++row) {
            const uint8_t* line = source->pixels + static_cast<std::ptrdiff_t>(row) * source->pitch;
            uint8_t* out = alpha.data() + static_cast<std::size_t>(row) * static_cast<std::size_t>(width);
            for (int32_t col = left; col < right; ++col) {
                if (pf->depth == 16) {
                    uint16_t p;
                    std::memcpy(&p, line + col * 2, 2);
                    const uint32_t sum = widen(p, pf->redMask, pf->redShift, pf->redScale) +
                                         widen(p, pf->greenMask, pf->greenShift, pf->greenScale) +
                                         widen(p, pf->blueMask, pf->blueShift, pf->blueScale);
                    out[col] = static_cast<uint8_t>(sum / 3);
                } else if (pf->depth == 8 && palette && palette->entries.size() >= 256) {
                    const PaletteEntry& e = palette->entries[line[col]];
                    out[col] = static_cast<uint8_t>((e.red + e.green + e.blue) / 3);
                }
            }
        }
    }
    if (!wasLocked)
        source->unlock();
    return FrameworkResult::Ok;
}

int Surface::createAlphaMask()
{
    delete alphaMask;
    alphaMask = new AlphaMask();
    alphaMask->allocate(this);
    return FrameworkResult::Ok;
}
