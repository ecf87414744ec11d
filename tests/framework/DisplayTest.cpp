// The display on the headless backend: pixel formats, present and its lost-surface retry.
#include "HeadlessScreen.h"

#include "tests/support/seeded_rng.h"

using plat::headless::Operation;

TEST(PixelFormatInfo, ComputedFromTheChannelMasks)
{
    struct Case {
        plat::PixelFormat format;
        uint32_t layout, shift[3], loss[3], widenedMax[3]; // widenedMax: (channel max * scale) >> 16
    };
    const Case cases[] = {
        {plat::format::Rgb565, 2, {11, 5, 0}, {3, 2, 3}, {254, 254, 254}}, // 31 and 63 widen to 254
        {plat::format::Rgb555, 1, {10, 5, 0}, {3, 3, 3}, {254, 254, 254}},
        {plat::format::Xrgb8888, 3, {16, 8, 0}, {0, 0, 0}, {255, 255, 255}},
        {plat::format::Indexed8, 0, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}},
        {plat::PixelFormat{16, 0xF800, 0x07E0, 0}, 0, {11, 5, 0}, {3, 2, 8}, {254, 254, 0}}, // empty mask: no division
    };
    for (const Case& c : cases) {
        PixelFormatInfo f;
        f.compute(c.format);
        SCOPED_TRACE(c.format.bitsPerPixel * 0x1000000 + c.format.redMask);
        EXPECT_EQ(f.depth, c.format.bitsPerPixel);
        EXPECT_EQ(f.layout, c.layout);
        const uint32_t masks[3] = {f.redMask, f.greenMask, f.blueMask};
        const uint32_t shifts[3] = {f.redShift, f.greenShift, f.blueShift};
        const uint32_t losses[3] = {f.redLoss, f.greenLoss, f.blueLoss};
        const uint32_t scales[3] = {f.redScale, f.greenScale, f.blueScale};
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(shifts[i], c.shift[i]) << i;
            EXPECT_EQ(losses[i], c.loss[i]) << i;
            EXPECT_EQ(((masks[i] >> shifts[i]) * scales[i]) >> 16, c.widenedMax[i]) << i;
        }
    }
    PixelFormatInfo f;
    f.compute(plat::format::Rgb565);
    EXPECT_EQ(f.redMask4, 0xF800F800F800F800ull);
    EXPECT_EQ(f.pixelFromRgb(0x80, 0x40, 0x08), (0x10u << 11) | (0x10u << 5) | 0x01u);
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

TEST_F(HeadlessScreen, EveryPresentingModeShowsTheBackBuffer)
{
    // Own-memory back buffer (the game's), system-memory back buffer with the four-pixel copy,
    // and the flipping chain.
    for (const int mode : {int{DisplayMode::OwnMemoryBack}, int{DisplayMode::SystemBack}, 0}) {
        SCOPED_TRACE(mode);
        reopen(plat::format::Rgb565, mode);
        Surface picture;
        ASSERT_EQ(picture.create(display.get(), SurfaceKind::System, 800, 600), 0);
        for (int y = 0; y < 600; ++y)
            for (int x = 0; x < 800; ++x)
                reinterpret_cast<uint16_t*>(picture.pixels + y * picture.pitch)[x] = static_cast<uint16_t>(x * 7 + y * 13);
        Rect all{0, 0, 800, 600};
        ASSERT_EQ(picture.blit(display->back, 0, 0, all), 0);
        mmxEnabled = mode == DisplayMode::SystemBack;
        ASSERT_EQ(display->flip(0), 0);
        ASSERT_EQ(display->flip(0), 0);
        mmxEnabled = 0;
        const plat::headless::PresentedFrame* frame = plat::headless::lastFrame();
        ASSERT_NE(frame, nullptr);
        EXPECT_EQ(frame->number, 2u);
        EXPECT_EQ(frame->tick, 32u);
        int wrong = 0;
        for (int y = 0; y < 600; ++y)
            for (int x = 0; x < 800; ++x)
                wrong += frame->pixel(x, y) != static_cast<uint16_t>(x * 7 + y * 13);
        EXPECT_EQ(wrong, 0);
    }
    reopen(plat::format::Rgb565, DisplayMode::PrimaryOnly);
    EXPECT_EQ(display->flip(0), FrameworkResult::Present) << "nothing to present from";
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
    EXPECT_EQ(display->flip(0), FrameworkResult::Present); // 26
    EXPECT_EQ(restored, 1);
    EXPECT_EQ(plat::headless::presentCount(), 1u);
    display->back->restoreHook = nullptr;

    // Every surface lost: the fill restores and retries, the next frame shows it.
    plat::headless::loseAllSurfaces();
    EXPECT_EQ(display->back->fill(0x1234), 0);
    EXPECT_EQ(display->flip(0), 0);
    EXPECT_EQ(plat::headless::lastFrame()->pixel(5, 5), 0x1234u);
}

TEST_F(HeadlessScreen, FourPixelPresentCopyPlacesItsRectangleAndStaysInside)
{
    reopen(plat::format::Rgb565, DisplayMode::SystemBack);
    Surface src, dest;
    ASSERT_EQ(src.create(display.get(), SurfaceKind::System, 16, 8), 0);
    ASSERT_EQ(dest.create(display.get(), SurfaceKind::System, 16, 8), 0);
    const auto at = [](Surface& s, int x, int y) -> uint16_t& {
        return reinterpret_cast<uint16_t*>(s.pixels + y * s.pitch)[x];
    };
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 16; ++x) {
            at(src, x, y) = static_cast<uint16_t>(x + 16 * y);
            at(dest, x, y) = 0xFFFF;
        }
    src.copyBackToPrimaryMmx(&dest, 8, 2, Rect{4, 1, 8, 5}); // rows of 4 pixels: one 8-byte unit
    // Past the destination's right edge, and rows of 6 bytes: nothing.
    src.copyBackToPrimaryMmx(&dest, 13, 0, Rect{0, 0, 4, 1});
    src.copyBackToPrimaryMmx(&dest, 0, 0, Rect{0, 0, 3, 1});
    int wrong = 0;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 16; ++x) {
            const bool inside = x >= 8 && x < 12 && y >= 2 && y < 6;
            wrong += at(dest, x, y) != (inside ? at(src, x - 4, y - 1) : 0xFFFF);
        }
    EXPECT_EQ(wrong, 0);
}

TEST(PresentCopy, FourPixelCopyGivesThePlainCopysBytes)
{
    SeededRng rng{5};
    for (int trial = 0; trial < 20; ++trial) {
        const std::size_t rowBytes = 8 * (1 + rng.below(40));
        const int rows = rng.between(1, 9);
        const int32_t srcPitch = static_cast<int32_t>(rowBytes + 8 * rng.below(3));
        const int32_t destPitch = static_cast<int32_t>(rowBytes + 8 * rng.below(3));
        std::vector<uint8_t> src(static_cast<std::size_t>(srcPitch) * rows);
        rng.fill(src);
        std::vector<uint8_t> plain(static_cast<std::size_t>(destPitch) * rows, 0x5A);
        std::vector<uint8_t> four = plain;
        // The model: byte by byte, row by row; the bytes between rows stay.
        for (int y = 0; y < rows; ++y)
            for (std::size_t i = 0; i < rowBytes; ++i)
                plain[static_cast<std::size_t>(y * destPitch) + i] = src[static_cast<std::size_t>(y * srcPitch) + i];
        copyRowsFourPixels(four.data(), destPitch, src.data(), srcPitch, rowBytes, rows);
        ASSERT_EQ(plain, four) << "trial " << trial;
    }
}

TEST_F(HeadlessScreen, DeviceAndModeFailuresGiveTheirCodes)
{
    // No driver found: nothing is read from the empty list.
    plat::headless::failNext(Operation::EnumerateDrivers, plat::result::Generic);
    Display none;
    EXPECT_EQ(none.create(), FrameworkResult::DisplayDevice);
    EXPECT_EQ(none.device, nullptr);
    EXPECT_EQ(none.flip(0), FrameworkResult::NoBackBuffer);

    ASSERT_TRUE(window->create("Velmoor", nullptr, nullptr, WindowStylePopup, 0, 0, 800, 600));
    ASSERT_EQ(display->create(), 0);
    plat::headless::failNext(Operation::SetCooperativeLevel, plat::result::Generic);
    EXPECT_EQ(display->setMode(4, window->handle, 800, 600, 16), FrameworkResult::CooperativeLevel);
    EXPECT_EQ(display->setMode(4, window->handle, 800, 600, 12), FrameworkResult::DisplayMode);
    plat::headless::failNext(Operation::CreateSurface, plat::result::OutOfMemory);
    EXPECT_EQ(display->setMode(4, window->handle, 800, 600, 16), FrameworkResult::PrimarySurface);
    EXPECT_EQ(display->setMode(4, window->handle, 800, 600, 16), 0);
}
