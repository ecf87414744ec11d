// Input on the headless backend: the cursor, button flags, double presses, re-attaching,
// the joystick and the failures of its set-up.
#include "HeadlessScreen.h"

#include "framework/Input.h"
#include "framework/Result.h"
#include "platform/clock.h"
#include "platform/headless/input.h"
#include "platform/input.h"
#include "platform/keycodes.h"

namespace {

using plat::headless::MouseButton;

class InputTest : public HeadlessScreen {
protected:
    void SetUp() override
    {
        HeadlessScreen::SetUp();
        plat::headless::resetInput();
        open();
        plat::headless::setClock(10000);
    }
    void TearDown() override
    {
        plat::headless::resetInput();
        HeadlessScreen::TearDown();
    }

    Input input;
};

TEST_F(InputTest, CursorIsClampedToTheScreen)
{
    ASSERT_EQ(input.attach(*window), 0);
    const struct {
        int dx, dy, x, y;
    } moves[] = {
        {20, 0, 20, 0}, {-50, 0, 0, 0}, {790, 0, 790, 0}, {50, 0, 799, 0},
        {0, 100000, 799, 599}, {0, -2147483647, 799, 0}, // extreme motion neither wraps nor escapes
    };
    for (const auto& m : moves) {
        plat::headless::moveMouseBy(m.dx, m.dy);
        input.poll();
        EXPECT_EQ(input.dx, m.dx);
        EXPECT_EQ(input.x, m.x) << m.dx;
        EXPECT_EQ(input.y, m.y) << m.dy;
    }
    // The script's move ends where it said, clamped as the framework clamps.
    for (auto [x, y] : {std::pair{120, 340}, std::pair{-5, 900}, std::pair{400, 300}}) {
        plat::headless::moveMouseTo(x, y);
        input.poll();
        EXPECT_EQ(input.x, std::clamp(x, 0, 799));
        EXPECT_EQ(input.y, std::clamp(y, 0, 599));
    }
}

TEST_F(InputTest, HeldButtonIsPressedInTheFirstPollOnly)
{
    ASSERT_EQ(input.attach(*window), 0);
    plat::headless::pressButton(MouseButton::Left);
    for (int i = 0; i < 3; ++i) {
        input.poll();
        EXPECT_EQ(input.leftPressed, i == 0) << i;
        EXPECT_EQ(input.leftDown, 1);
    }
    plat::headless::releaseButton(MouseButton::Left);
    input.poll();
    EXPECT_EQ(input.leftDown, 0);
    // Byte 1 of the device is the right button, byte 2 the middle one.
    plat::headless::pressButton(MouseButton::Right);
    input.poll();
    EXPECT_EQ(input.rightPressed, 1);
    EXPECT_EQ(input.middlePressed, 0);
}

// A press and release between two polls (a 0 ms click, a key tap, a touchpad tap) reads as
// down in the first poll and up in the next.
TEST_F(InputTest, PressAndReleaseWithinOneReadRegister)
{
    ASSERT_EQ(input.attach(*window), 0);
    const auto q = *plat::keyCodesFromName("Q");
    plat::headless::quickClickAt(50, 60);
    plat::headless::quickTapKey(q);
    input.poll();
    EXPECT_EQ(input.x, 50);
    EXPECT_EQ(input.leftPressed, 1);
    EXPECT_EQ(input.leftDown, 1);
    EXPECT_EQ(input.keys[plat::dik::Q], 0x80);
    input.poll();
    EXPECT_EQ(input.leftDown, 0);
    EXPECT_EQ(input.keys[plat::dik::Q], 0);
    plat::headless::quickClickAt(50, 60, MouseButton::Right);
    input.poll();
    EXPECT_EQ(input.rightPressed, 1);
    EXPECT_EQ(input.leftPressed, 0);
    // Quick clicks in consecutive reads: a read showing the button up comes between them.
    plat::headless::quickClickAt(10, 10);
    plat::headless::quickClickAt(20, 20);
    int presses = 0;
    for (int i = 0; i < 4; ++i) {
        input.poll();
        presses += input.leftPressed;
    }
    EXPECT_EQ(presses, 2);
    EXPECT_EQ(input.leftDown, 0);
}

// An absolute pointer puts the cursor where it is, from wherever relative motion clamped the
// cursor before, and the first poll starts the cursor there.
TEST_F(InputTest, CursorFollowsAnAbsolutePointer)
{
    plat::headless::movePointerTo(123, 45);
    ASSERT_EQ(input.attach(*window), 0);
    input.poll();
    EXPECT_EQ(input.x, 123);
    EXPECT_EQ(input.y, 45);
    const struct {
        bool absolute;
        int a, b, x, y;
    } steps[] = {
        {false, -5000, 0, 0, 45}, {true, 300, 200, 300, 200}, {true, 900, -4, 799, 0},
        {false, -10, 10, 789, 10}, {false, 0, 9000, 789, 599}, {true, 400, 300, 400, 300},
    };
    for (const auto& step : steps) {
        step.absolute ? plat::headless::movePointerTo(step.a, step.b) : plat::headless::moveMouseBy(step.a, step.b);
        input.poll();
        EXPECT_EQ(input.x, step.x) << step.a << "," << step.b;
        EXPECT_EQ(input.y, step.y) << step.a << "," << step.b;
    }
}

TEST_F(InputTest, SecondPressWithin300MsIsDouble)
{
    plat::headless::setClock(0);
    ASSERT_EQ(input.attach(*window), 0);
    auto press = [&](uint32_t waitBefore) {
        plat::headless::advanceClock(waitBefore);
        plat::headless::clickAt(10, 10);
        input.poll();
        const uint8_t doubled = input.leftDouble;
        input.poll(); // the release
        return doubled;
    };
    EXPECT_EQ(press(100), 0) << "the first press right after start";
    EXPECT_EQ(press(200), 1);
    EXPECT_EQ(press(50), 1) << "the first press still counts, so a third quick one is double";
    EXPECT_EQ(press(300), 0) << "300 ms after the counted press is not double";
    EXPECT_EQ(press(299), 1);
}

TEST_F(InputTest, ReattachKeepsCursorHeldButtonAndDeviceCount)
{
    const std::size_t before = plat::openInputCount();
    {
        Input local;
        plat::headless::attachJoystick(true);
        ASSERT_EQ(local.attach(*window), 0);
        const std::size_t open = plat::openInputCount();
        EXPECT_EQ(open, before + 4);
        plat::headless::moveMouseTo(300, 200);
        local.poll();
        plat::headless::pressButton(MouseButton::Left);
        local.poll();
        ASSERT_EQ(local.leftPressed, 1);
        for (int board = 0; board < 3; ++board)
            ASSERT_EQ(local.attach(*window), 0);
        EXPECT_EQ(plat::openInputCount(), open) << "the earlier devices were released";
        EXPECT_EQ(local.x, 300);
        EXPECT_EQ(local.y, 200);
        local.poll();
        EXPECT_EQ(local.leftDown, 1);
        EXPECT_EQ(local.leftPressed, 0) << "a button held across the attach is no new press";
    }
    EXPECT_EQ(plat::openInputCount(), before) << "destruction releases everything";
}

TEST_F(InputTest, JoystickSetupFailuresGiveTheirCodesAndLeaveNothingOpen)
{
    using plat::headless::InputFault;
    const std::size_t before = plat::openInputCount();
    ASSERT_EQ(input.attach(*window), 0);
    EXPECT_EQ(input.joystickPresent, 0) << "no joystick is a normal state";
    plat::headless::attachJoystick(true);
    const struct {
        InputFault fault;
        int result;
    } cases[] = {
        {InputFault::JoystickProperty, FrameworkResult::JoystickProperty}, // 41
        {InputFault::JoystickAcquire, FrameworkResult::JoystickAcquire},   // 42
        {InputFault::JoystickEnumeration, FrameworkResult::JoystickEnumeration},
        {InputFault::JoystickInterface, FrameworkResult::JoystickInterface},
        {InputFault::System, FrameworkResult::DirectInput},
    };
    for (const auto& c : cases) {
        plat::headless::failNextInput(c.fault);
        EXPECT_EQ(input.attach(*window), c.result);
        EXPECT_EQ(input.joystickPresent, 0);
        EXPECT_EQ(input.mousePresent, c.fault != InputFault::System) << "mouse and keyboard come first";
    }
    input.poll(); // nothing present: nothing read
    EXPECT_EQ(plat::openInputCount(), before);
    plat::headless::setJoystick(-32768, 16384, false, true);
    EXPECT_EQ(input.attach(*window), 0);
    EXPECT_EQ(input.joystickPresent, 1);
    input.poll();
    EXPECT_EQ(input.joyX, -1000);
    EXPECT_NEAR(input.joyY, 444, 1); // half way, less the 10 % dead zone, stretched
    EXPECT_EQ(input.joyButton1, 1);

    plat::headless::setDevicesPresent(false, false); // a missing mouse or keyboard is no error
    EXPECT_EQ(input.attach(*window), 0);
    EXPECT_EQ(input.mousePresent, 0);
    EXPECT_EQ(input.keyboardPresent, 0);
}

TEST_F(InputTest, FailedReadGivesAZeroedStateAndReacquires)
{
    ASSERT_EQ(input.attach(*window), 0);
    plat::headless::pressButton(MouseButton::Left);
    plat::headless::keyDown(*plat::keyCodesFromName("Q"));
    input.poll();
    ASSERT_EQ(input.leftDown, 1);
    ASSERT_EQ(input.keys[plat::dik::Q], 0x80);

    plat::headless::failNextInput(plat::headless::InputFault::MouseRead);
    plat::headless::failNextInput(plat::headless::InputFault::KeyboardRead);
    plat::headless::moveMouseBy(7, 0);
    input.poll();
    EXPECT_EQ(input.dx, 0);
    EXPECT_EQ(input.leftDown, 0);
    EXPECT_EQ(input.keys[plat::dik::Q], 0) << "no stale keys";

    input.poll(); // re-acquired: reads again, the queued motion was kept
    EXPECT_EQ(input.dx, 7);
    EXPECT_EQ(input.leftDown, 1);
    EXPECT_EQ(input.keys[plat::dik::Q], 0x80);

    // Without the focus nothing is read until it returns and a poll re-acquires.
    plat::headless::setInputFocus(false);
    plat::headless::moveMouseBy(10, 10);
    input.poll();
    EXPECT_EQ(input.x, 7);
    plat::headless::setInputFocus(true);
    input.poll();
    input.poll();
    EXPECT_EQ(input.x, 17);
}

} // namespace
