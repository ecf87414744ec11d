// The display on the headless backend: pixel formats, modes, present and its retry.
#include "HeadlessScreen.h"

#include "framework/Mmx.h"

#include <random>

using plat::headless::Operation;

TEST(PixelFormatInfo, FiveSixFive)
{
    PixelFormatInfo f;
    f.compute(plat::format::Rgb565);
    EXPECT_EQ(f.layout, 2u);
    EXPECT_EQ(f.depth, 16u);
    EXPECT_EQ(f.redShift, 11u);
    EXPECT_EQ(f.greenShift, 5u);
    EXPECT_EQ(f.blueShift, 0u);
    EXPECT_EQ(f.redLoss, 3u);
    EXPECT_EQ(f.greenLoss, 2u);
    EXPECT_EQ(f.blueLoss, 3u);
    EXPECT_EQ(f.redScale, 539086u);
    EXPECT_EQ(f.greenScale, 265264u);
    EXPECT_EQ(f.blueScale, 539086u);
    // Both full channels widen to 254, not 255.
    EXPECT_EQ((31u * f.redScale) >> 16, 254u);
    EXPECT_EQ((63u * f.greenScale) >> 16, 254u);
    EXPECT_EQ(f.redMask4, 0xF800F800F800F800ull);
    EXPECT_EQ(f.pixelFromRgb(255, 255, 255), 0xFFFFu);
    EXPECT_EQ(f.pixelFromRgb(0x80, 0x40, 0x08), (0x10u << 11) | (0x10u << 5) | 0x01u);
}

TEST(PixelFormatInfo, FiveFiveFiveAndThirtyTwo)
{
    PixelFormatInfo f;
    f.compute(plat::format::Rgb555);
    EXPECT_EQ(f.layout, 1u);
    EXPECT_EQ(f.redShift, 10u);
    EXPECT_EQ(f.greenShift, 5u);
    EXPECT_EQ(f.blueShift, 0u);
    EXPECT_EQ(f.redLoss, 3u);
    EXPECT_EQ(f.greenLoss, 3u);
    EXPECT_EQ(f.blueLoss, 3u);

    f.compute(plat::format::Xrgb8888);
    EXPECT_EQ(f.layout, 3u);
    EXPECT_EQ(f.depth, 32u);
    EXPECT_EQ(f.redScale, 65536u);
    EXPECT_EQ(f.greenScale, 65536u);
    EXPECT_EQ(f.blueScale, 65536u);
    EXPECT_EQ(f.redShift, 16u);
    EXPECT_EQ(f.redLoss, 0u);
    EXPECT_EQ(f.pixelFromRgb(1, 2, 3), 0x010203u);
}

TEST(PixelFormatInfo, EightBitAndEmptyMasksComputeNoScale)
{
    PixelFormatInfo f;
    f.compute(plat::format::Indexed8);
    EXPECT_EQ(f.depth, 8u);
    EXPECT_EQ(f.redScale, 0u);
    EXPECT_EQ(f.layout, 0u);
    // A deeper format with an empty channel must not divide by zero.
    f.compute(plat::PixelFormat{16, 0xF800, 0x07E0, 0});
    EXPECT_EQ(f.blueScale, 0u);
    EXPECT_EQ(f.blueShift, 0u);
    EXPECT_EQ(f.layout, 0u);
}

TEST(DisplayPalette, NearestIndexTakesTheFirstOfEqualsAndExactMatchesAtOnce)
{
    DisplayPalette p;
    EXPECT_EQ(p.nearestIndex(10, 10, 10), 0); // no entries
    p.entries.assign(256, PaletteEntry{200, 200, 200, 0});
    p.entries[3] = {10, 10, 12, 0};
    p.entries[7] = {12, 10, 10, 0};
    EXPECT_EQ(p.nearestIndex(10, 10, 10), 3);
    p.entries[1] = {11, 10, 10, 0};
    p.entries[9] = {10, 10, 10, 0};
    EXPECT_EQ(p.nearestIndex(10, 10, 10), 9);
}

TEST_F(HeadlessScreen, DisplayFormatFollowsTheLayer)
{
    for (const plat::PixelFormat& format :
         {plat::format::Rgb565, plat::format::Rgb555, plat::format::Xrgb8888, plat::format::Indexed8}) {
        plat::headless::reset();
        window = std::make_unique<Window>();
        display = std::make_unique<Display>();
        open(format);
        EXPECT_EQ(display->pixelFormat->depth, format.bitsPerPixel);
        EXPECT_EQ(display->pixelFormat->redMask, format.redMask);
        EXPECT_EQ(display->pixelFormat->greenMask, format.greenMask);
        EXPECT_EQ(display->pixelFormat->blueMask, format.blueMask);
    }
}

TEST_F(HeadlessScreen, GameModeHasAnOwnMemoryBackBufferAndPresentsIt)
{
    open();
    EXPECT_EQ(display->separateBack, 1);
    EXPECT_EQ(display->back->kind, SurfaceKind::OwnMemory);
    EXPECT_EQ(display->back->pitch, 1600);
    EXPECT_EQ(display->screenRect, (Rect{0, 0, 800, 600}));
    ASSERT_NE(display->back->pixels, nullptr);
    for (int y = 0; y < 600; ++y)
        for (int x = 0; x < 800; ++x)
            reinterpret_cast<uint16_t*>(display->back->pixels + y * display->back->pitch)[x] =
                static_cast<uint16_t>(x * 7 + y * 13);
    ASSERT_EQ(display->flip(0), 0);
    const plat::headless::PresentedFrame* frame = plat::headless::lastFrame();
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->number, 1u);
    EXPECT_EQ(frame->tick, 16u);
    ASSERT_EQ(frame->width, 800);
    for (int y = 0; y < 600; y += 37)
        for (int x = 0; x < 800; x += 13)
            ASSERT_EQ(frame->pixel(x, y), static_cast<uint16_t>(x * 7 + y * 13)) << x << "," << y;
    EXPECT_EQ(display->flip(0), 0);
    EXPECT_EQ(plat::headless::lastFrame()->tick, 32u);
}

TEST_F(HeadlessScreen, OneLossIsRestoredAndRetriedTwoFailThePresent)
{
    open();
    plat::headless::failNext(Operation::Blt, plat::result::SurfaceLost, 1);
    EXPECT_EQ(display->flip(0), 0);
    EXPECT_EQ(plat::headless::presentCount(), 1u);
    EXPECT_EQ(display->surfacesLost, 1); // the next present restores everything first

    int restored = 0;
    display->back->restoreHook = [](Surface*, void* counter) { ++*static_cast<int*>(counter); };
    display->back->userData = &restored;
    plat::headless::failNext(Operation::Blt, plat::result::SurfaceLost, 2);
    EXPECT_EQ(display->flip(0), FrameworkResult::Present);
    EXPECT_EQ(restored, 1);
    EXPECT_EQ(plat::headless::presentCount(), 1u);
    EXPECT_EQ(display->flip(0), 0); // the next frame tries again
    display->back->restoreHook = nullptr;
    display->back->userData = nullptr;
}

TEST_F(HeadlessScreen, LostSurfacesAreRestoredByTheNextPresent)
{
    open();
    plat::headless::loseAllSurfaces();
    EXPECT_EQ(display->back->fill(0x1234), 0); // fill restores and retries
    EXPECT_EQ(display->flip(0), 0);
    EXPECT_EQ(plat::headless::lastFrame()->pixel(5, 5), 0x1234u);
}

TEST_F(HeadlessScreen, PrimaryOnlyModeCannotPresent)
{
    open(plat::format::Rgb565, DisplayMode::PrimaryOnly);
    EXPECT_EQ(display->separateBack, 0);
    EXPECT_EQ(display->back->surface, nullptr);
    EXPECT_EQ(display->flip(0), FrameworkResult::Present);
}

TEST_F(HeadlessScreen, FlippingChainPresentsTheAttachedBackBuffer)
{
    open(plat::format::Rgb565, 0);
    EXPECT_EQ(display->separateBack, 0);
    ASSERT_NE(display->back->surface, nullptr);
    ASSERT_EQ(display->back->fillRect(10, 10, 20, 20, 0xABCD), 0);
    ASSERT_EQ(display->flip(0), 0);
    EXPECT_EQ(plat::headless::lastFrame()->pixel(15, 15), 0xABCDu);
    EXPECT_EQ(plat::headless::lastFrame()->pixel(5, 5), 0u);
}

TEST_F(HeadlessScreen, SystemMemoryBackBufferAndFourPixelPresent)
{
    open(plat::format::Rgb565, DisplayMode::SystemBack);
    EXPECT_EQ(display->back->kind, SurfaceKind::System);
    ASSERT_EQ(display->back->fill(0x0F0F), 0);
    const uint8_t saved = mmxEnabled;
    mmxEnabled = 1;
    EXPECT_EQ(display->flip(0), 0);
    mmxEnabled = saved;
    EXPECT_EQ(plat::headless::lastFrame()->pixel(799, 599), 0x0F0Fu);
}

TEST(PresentCopy, FourPixelCopyGivesThePlainCopysBytes)
{
    std::mt19937 random(5);
    for (int trial = 0; trial < 20; ++trial) {
        const std::size_t rowBytes = 8 * (1 + random() % 40);
        const int rows = 1 + static_cast<int>(random() % 9);
        const int32_t srcPitch = static_cast<int32_t>(rowBytes + 8 * (random() % 3));
        const int32_t destPitch = static_cast<int32_t>(rowBytes + 8 * (random() % 3));
        std::vector<uint8_t> src(static_cast<std::size_t>(srcPitch) * rows);
        for (uint8_t& b : src)
            b = static_cast<uint8_t>(random());
        std::vector<uint8_t> plain(static_cast<std::size_t>(destPitch) * rows, 0x5A);
        std::vector<uint8_t> four = plain;
        copyRowsPlain(plain.data(), destPitch, src.data(), srcPitch, rowBytes, rows);
        copyRowsFourPixels(four.data(), destPitch, src.data(), srcPitch, rowBytes, rows);
        ASSERT_EQ(plain, four) << "trial " << trial;
    }
}

TEST_F(HeadlessTest, NoDriverMeansNoDevice)
{
    plat::headless::failNext(Operation::EnumerateDrivers, plat::result::Generic);
    Display d;
    EXPECT_EQ(d.create(), FrameworkResult::DisplayDevice);
    EXPECT_EQ(d.driverCount, 0);
    EXPECT_EQ(d.device, nullptr);
    EXPECT_EQ(d.flip(0), FrameworkResult::NoBackBuffer);
}

TEST_F(HeadlessScreen, ModeFailuresGiveTheirCodes)
{
    ASSERT_TRUE(window->create("Velmoor", nullptr, nullptr, WindowStylePopup, 0, 0, 800, 600));
    ASSERT_EQ(display->create(), 0);
    plat::headless::failNext(Operation::SetCooperativeLevel, plat::result::Generic);
    EXPECT_EQ(display->setMode(4, window->handle, 800, 600, 16), FrameworkResult::CooperativeLevel);
    EXPECT_EQ(display->setMode(4, window->handle, 800, 600, 12), FrameworkResult::DisplayMode);
    plat::headless::failNext(Operation::CreateSurface, plat::result::OutOfMemory);
    EXPECT_EQ(display->setMode(4, window->handle, 800, 600, 16), FrameworkResult::PrimarySurface);
    EXPECT_EQ(display->setMode(4, window->handle, 800, 600, 16), 0);
}
