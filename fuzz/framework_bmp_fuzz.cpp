// Fuzz target: Surface::loadBitmap's decoding of BMP bytes onto the headless 5-6-5 display.
#include "framework/Display.h"
#include "framework/Surface.h"
#include "framework/Window.h"
#include "platform/platform.h"

#include <cstdint>
#include <cstdlib>

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
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static Display* display = openDisplay();
    Surface picture;
    (void)picture.loadBitmapFromMemory(display, SurfaceKind::System, data, size, true);
    return 0;
}
