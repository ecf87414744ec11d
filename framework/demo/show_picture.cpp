// Demo: shows a BMP picture full screen through the framework on the chosen backend.
// Usage: velmoor_show_picture [picture.bmp] [frames]; without a picture it draws its own.
// Esc, a click or closing the window ends it; so does the frame count when given.
#include "framework/Display.h"
#include "framework/Mmx.h"
#include "framework/Surface.h"
#include "framework/VectorLevel.h"
#include "framework/Window.h"
#include "platform/display.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {
void put32(std::vector<uint8_t>& v, uint32_t x)
{
    for (int i = 0; i < 4; ++i)
        v.push_back(static_cast<uint8_t>(x >> (8 * i)));
}

// An 800 x 600 24-bit test picture: colour ramps, a grey scale and a white frame.
std::vector<uint8_t> testPicture()
{
    const int w = 800, h = 600;
    std::vector<uint8_t> f{'B', 'M'};
    put32(f, 54 + w * h * 3);
    put32(f, 0);
    put32(f, 54);
    put32(f, 40);
    put32(f, w);
    put32(f, h);
    f.insert(f.end(), {1, 0, 24, 0});
    f.resize(54, 0);
    for (int row = 0; row < h; ++row) {
        const int y = h - 1 - row;
        for (int x = 0; x < w; ++x) {
            uint8_t r = static_cast<uint8_t>(x * 255 / (w - 1));
            uint8_t g = static_cast<uint8_t>(y * 255 / (h - 1));
            uint8_t b = static_cast<uint8_t>(255 - r);
            if (y >= 500 && y < 560)
                r = g = b = static_cast<uint8_t>((x / 50) * 17);
            if (x < 8 || y < 8 || x >= w - 8 || y >= h - 8)
                r = g = b = 255;
            f.insert(f.end(), {b, g, r});
        }
    }
    return f;
}
} // namespace

int main(int argc, char** argv)
{
    const char* path = argc > 1 && argv[1][0] ? argv[1] : nullptr;
    const long frameLimit = argc > 2 ? std::strtol(argv[2], nullptr, 10) : -1;
    shareSimdLevel(); // VELMOOR_SIMD holds here as in the game

    Window window;
    if (!window.create("Velmoor", nullptr, nullptr, WindowStylePopup, 0, 0, plat::screenWidth(),
                       plat::screenHeight())) {
        std::fprintf(stderr, "velmoor: %s\n", plat::lastWindowError().c_str());
        return 1;
    }
    Display display;
    if (display.create() != 0) {
        std::fprintf(stderr, "velmoor: %s\n", plat::lastDisplayError().c_str());
        return 1;
    }
    if (const int r = display.setMode(DisplayMode::OwnMemoryBack, window.handle, 800, 600, 16); r != 0) {
        std::fprintf(stderr, "velmoor: display mode failed (%d): %s\n", r, plat::lastDisplayError().c_str());
        return 1;
    }
    mmxEnabled = 0;

    Surface picture;
    int loaded;
    if (path) {
        loaded = picture.loadBitmap(&display, SurfaceKind::System, path, true);
    } else {
        const std::vector<uint8_t> bytes = testPicture();
        loaded = picture.loadBitmapFromMemory(&display, SurfaceKind::System, bytes.data(), bytes.size(), true);
    }
    if (loaded != 0 || !picture.surface) {
        std::fprintf(stderr, "velmoor: cannot load the picture (%d)\n", loaded);
        return 1;
    }

    // Centred when smaller than the screen; the blit clips what is larger.
    Rect r{0, 0, picture.width, picture.height};
    (void)picture.blit(display.back, (800 - picture.width) / 2, (600 - picture.height) / 2, r);
    long frames = 0;
    while (window.pumpMessage()) {
        if (window.lastKeyDown == 0x1B || (window.charPending && window.charCode == 27) || window.leftPressed)
            break;
        if (const int f = display.flip(0); f != 0) {
            std::fprintf(stderr, "velmoor: present failed (%d): %s\n", f, plat::lastDisplayError().c_str());
            return 1;
        }
        if (++frames == frameLimit)
            break;
    }
    std::printf("velmoor: showed %ld frames\n", frames);
    return 0;
}
