// Fuzz target: a BMP file read by Surface::loadBitmapFromMemory (what loadBitmap does once it has
// read the file) onto the headless 5-6-5 display, then used as the game uses its lost dialog: as
// the mask picture of another surface's AlphaMask, with a mask picture of another size over it,
// and blended onto the screen either way.
#include "framework/AlphaBlit.h"
#include "framework/AlphaMask.h"
#include "framework/Display.h"
#include "framework/Surface.h"
#include "framework/Window.h"
#include "platform/platform.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {
Display* openDisplay()
{
    plat::setBackendKind(plat::BackendKind::Headless);
    static Window window;
    static Display display;
    if (!window.create("Velmoor", nullptr, nullptr, WindowStylePopup, 0, 0, 800, 600) || display.create() != 0 ||
        display.setMode(DisplayMode::OwnMemoryBack, window.handle, 800, 600, 16) != 0)
        std::abort();
    return &display;
}

// `picture` blended onto the screen through a mask made from `mask` over the mask's own size.
void blendThrough(Surface& picture, Surface& mask, Surface& screen)
{
    (void)picture.createAlphaMask();
    picture.alphaMask->allocate(&mask);
    Rect rect;
    (void)picture.alphaMask->fillFromSurface(makeRect(rect, 0, 0, mask.width, mask.height));
    makeRect(rect, 0, 0, picture.width, picture.height);
    blitAlphaMasked(&picture, &screen, 700, 500, rect);
}

// The pixels the header asks for (the height may be negative: rows top down). A few header bytes
// can ask for 16384 x 16384: loading and masking that takes the same paths as a small picture,
// only for seconds; the loader's own size limit has its unit test.
int64_t declaredPixels(const uint8_t* data, size_t size)
{
    if (size < 26)
        return 0;
    int32_t width, height;
    std::memcpy(&width, data + 18, 4);
    std::memcpy(&height, data + 22, 4);
    return int64_t{width} * (height < 0 ? -int64_t{height} : height);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static Display* display = openDisplay();
    static Surface screen;
    static Surface fixed;
    if (!screen.surface) {
        if (screen.create(display, SurfaceKind::System, 800, 600) != 0 ||
            fixed.create(display, SurfaceKind::System, 37, 23) != 0 || fixed.fill(0x7BEF) != 0)
            std::abort();
    }
    if (declaredPixels(data, size) > (1 << 16))
        return 0;
    Surface loaded;
    if (loaded.loadBitmapFromMemory(display, SurfaceKind::System, data, size, true) != 0)
        return 0;
    blendThrough(fixed, loaded, screen);
    blendThrough(loaded, fixed, screen);
    return 0;
}
