// The SDL backend in-process on SDL's dummy video driver: the window, its messages, a
// picture presented through the streaming texture, and a clear failure without a display.
#include "BmpBuilder.h"

#include "framework/Display.h"
#include "framework/Mmx.h"
#include "framework/Window.h"
#include "platform/platform.h"
#include "platform/sdl/video.h"

#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {
class SdlDummy : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char* driver = std::getenv("SDL_VIDEODRIVER");
        saved = driver ? driver : "";
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        plat::setBackendKind(plat::BackendKind::Sdl);
    }
    void TearDown() override
    {
        if (saved.empty())
            unsetenv("SDL_VIDEODRIVER");
        else
            setenv("SDL_VIDEODRIVER", saved.c_str(), 1);
        plat::setBackendKind(plat::BackendKind::Headless);
    }
    std::string saved;
};

void push(SDL_Event e)
{
    ASSERT_EQ(SDL_PushEvent(&e), 1);
}
} // namespace

TEST_F(SdlDummy, ShowsAPictureAndTurnsEventsIntoMessages)
{
    Window window;
    ASSERT_TRUE(window.create("Velmoor", nullptr, nullptr, WindowStylePopup, 0, 0, plat::screenWidth(),
                              plat::screenHeight()))
        << plat::lastWindowError();
    {
        Display display;
        ASSERT_EQ(display.create(), 0) << plat::lastDisplayError();
        EXPECT_EQ(display.setMode(DisplayMode::OwnMemoryBack, window.handle, 800, 600, 32),
                  FrameworkResult::DisplayMode);
        ASSERT_EQ(display.setMode(DisplayMode::OwnMemoryBack, window.handle, 800, 600, 16), 0)
            << plat::lastDisplayError();
        mmxEnabled = 0;
        EXPECT_EQ(display.pixelFormat->layout, 2u);

        const std::vector<uint8_t> file =
            BmpBuilder{.width = 800, .height = 600, .bitCount = 24, .pixels = std::vector<uint8_t>(800 * 600 * 3, 0x80)}
                .build();
        Surface picture;
        ASSERT_EQ(picture.loadBitmapFromMemory(&display, SurfaceKind::System, file.data(), file.size(), true), 0);
        Rect r{0, 0, 800, 600};
        ASSERT_EQ(picture.blit(display.back, 0, 0, r), 0);
        for (int i = 0; i < 3; ++i)
            ASSERT_EQ(display.flip(0), 0) << plat::lastDisplayError();
        // The present's copy went straight to the screen; the primary still reads as the back
        // buffer, a pattern of every pixel value here.
        for (int y = 0; y < 600; ++y)
            for (int x = 0; x < 800; ++x) {
                const auto v = static_cast<uint16_t>(y * 800 + x);
                std::memcpy(display.back->pixels + y * display.back->pitch + x * 2, &v, 2);
            }
        ASSERT_EQ(display.flip(0), 0) << plat::lastDisplayError();
        ASSERT_EQ(display.primary->lock(), 0);
        for (int y = 0; y < 600; ++y)
            ASSERT_EQ(std::memcmp(display.primary->pixels + y * display.primary->pitch,
                                  display.back->pixels + y * display.back->pitch, 1600),
                      0)
                << "row " << y;
        ASSERT_EQ(display.primary->unlock(), 0);

        // Only changed rows go up, and an unchanged frame shows nothing new: the screen keeps
        // what was drawn, a white frame with a black band across the middle.
        SDL_Renderer* renderer = SDL_GetRenderer(plat::sdl::nativeWindow());
        ASSERT_NE(renderer, nullptr);
        int screenW = 0, screenH = 0;
        ASSERT_EQ(SDL_GetRendererOutputSize(renderer, &screenW, &screenH), 0);
        const auto screenAt = [&](int y) {
            std::vector<uint32_t> shot(static_cast<std::size_t>(screenW) * screenH);
            EXPECT_EQ(SDL_RenderReadPixels(renderer, nullptr, SDL_PIXELFORMAT_ARGB8888, shot.data(), screenW * 4), 0);
            return shot[static_cast<std::size_t>(screenH * y / 600) * screenW + screenW / 2] & 0xFFFFFF;
        };
        ASSERT_EQ(display.back->fill(0xFFFF), 0);
        ASSERT_EQ(display.flip(0), 0);
        ASSERT_EQ(display.back->fillRect(0, 250, 800, 350, 0), 0);
        for (int i = 0; i < 2; ++i) {
            ASSERT_EQ(display.flip(0), 0);
            EXPECT_EQ(screenAt(300), 0u) << "flip " << i;
            EXPECT_EQ(screenAt(100), 0xFFFFFFu) << "flip " << i;
            EXPECT_EQ(screenAt(500), 0xFFFFFFu) << "flip " << i;
        }

        SDL_Event e{SDL_WINDOWEVENT};
        e.window.event = SDL_WINDOWEVENT_FOCUS_LOST;
        push(e);
        for (int i = 0; i < 100; ++i) { // a fast mouse: one message for all of it
            e = SDL_Event{SDL_MOUSEMOTION};
            e.motion.x = 23 + i;
            e.motion.y = 45;
            push(e);
        }
        e = SDL_Event{SDL_MOUSEBUTTONDOWN};
        e.button.button = SDL_BUTTON_LEFT;
        push(e);
        // Focus, motion and press arrive one per pump, after whatever SDL queued itself.
        bool sawInactive = false, sawClick = false;
        for (int i = 0; i < 10 && !(sawInactive && sawClick); ++i) {
            ASSERT_TRUE(window.pumpMessage());
            sawInactive = sawInactive || window.active == 0;
            sawClick = sawClick || window.leftPressed;
        }
        EXPECT_TRUE(sawInactive);
        ASSERT_TRUE(sawClick);
        EXPECT_EQ(window.leftClickX, 122); // the last motion before the press
        EXPECT_EQ(window.leftClickY, 45);
    }
    // Closing destroys the window: the pump ends.
    push(SDL_Event{SDL_QUIT});
    int pumps = 0;
    while (window.pumpMessage() && pumps < 50)
        ++pumps;
    EXPECT_LT(pumps, 50);
    EXPECT_EQ(window.handle, 0u);
}

TEST_F(SdlDummy, WithoutADisplayCreationFailsWithAReason)
{
    setenv("SDL_VIDEODRIVER", "no-such-driver", 1);
    Window window;
    EXPECT_FALSE(window.create("Velmoor", nullptr, nullptr, WindowStylePopup, 0, 0, 800, 600));
    EXPECT_NE(plat::lastWindowError().find("cannot open a display"), std::string::npos) << plat::lastWindowError();
    Display display;
    EXPECT_EQ(display.create(), FrameworkResult::DisplayDevice);
}
