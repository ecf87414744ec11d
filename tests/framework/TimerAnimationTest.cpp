// Timer over the virtual clock, rectangles, and sprite-strip animation frames.
#include "HeadlessScreen.h"

#include "framework/Animation.h"
#include "framework/Timer.h"
#include "platform/clock.h"

TEST_F(HeadlessTest, TimerMeasuresSecondsAcrossTheWrap)
{
    plat::headless::setClock(0xFFFFFFFFu - 20);
    Timer t;
    plat::headless::advanceClock(50); // wraps past 2^32
    EXPECT_NEAR(t.advance(1.0), 0.05, 1e-9);
    plat::headless::advanceClock(30);
    EXPECT_NEAR(t.advance(2.0), 0.06, 1e-9);
    EXPECT_NEAR(t.time, 0.08, 1e-9); // stored unscaled
    t.restart();
    EXPECT_EQ(t.time, 0.0);
    plat::headless::advanceClock(250);
    EXPECT_NEAR(t.advance(1.0), 0.25, 1e-9);

    Rect r;
    EXPECT_EQ(makeRect(r, 1, 2, 3, 4), (Rect{1, 2, 3, 4}));
    EXPECT_EQ(makeRectXYWH(r, 10, 20, 35, 35), (Rect{10, 20, 45, 55}));
}

TEST(Animation, SetupOrdersFramesRowByRow)
{
    Animation a;
    Surface strip;
    a.addFrame(&strip, 0, 0, 1, 1);
    a.setup(&strip, 5, 7, 35, 20, 3, 2);
    a.setup(&strip, 0, 0, 1, 1, 0, 5); // empty grids add nothing
    a.setup(&strip, 0, 0, 1, 1, 5, -1);
    ASSERT_EQ(a.frameCount(), 7);
    EXPECT_EQ(a.frames[0].rect, (Rect{0, 0, 1, 1})); // earlier frames stay in front
    for (int i = 0; i < 6; ++i) {
        const int c = i % 3, r = i / 3;
        EXPECT_EQ(a.frames[static_cast<std::size_t>(i + 1)].rect,
                  (Rect{5 + c * 35, 7 + r * 20, 5 + (c + 1) * 35, 7 + (r + 1) * 20}))
            << i;
    }
}

TEST_F(HeadlessScreen, AnimationDrawsFramesAndRefusesOthers)
{
    open();
    Surface strip;
    ASSERT_EQ(strip.create(display.get(), SurfaceKind::System, 70, 35), 0);
    ASSERT_EQ(strip.fillRect(0, 0, 35, 35, 0x1111), 0);
    ASSERT_EQ(strip.fillRect(35, 0, 70, 35, 0x2222), 0);
    Animation a;
    a.setup(&strip, 0, 0, 35, 35, 2, 1);
    const auto at = [&](int x, int y) {
        return reinterpret_cast<const uint16_t*>(display->back->pixels + y * display->back->pitch)[x];
    };
    ASSERT_EQ(a.drawFrame(display->back, 100, 100, 1), 0);
    EXPECT_EQ(at(100, 100), 0x2222);
    // Partly off the screen: drawn clipped, the stored frame unchanged.
    ASSERT_EQ(a.drawFrame(display->back, -10, 0, 0), 0);
    EXPECT_EQ(at(0, 0), 0x1111);
    EXPECT_EQ(a.frames[0].rect, (Rect{0, 0, 35, 35}));

    ASSERT_EQ(display->back->fill(0), 0);
    EXPECT_NE(a.drawFrame(display->back, 0, 0, 2), 0);
    EXPECT_NE(a.drawFrame(display->back, 0, 0, -1), 0);
    int drawn = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x)
            drawn += at(x, y) != 0;
    EXPECT_EQ(drawn, 0);
}
