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
    EXPECT_EQ(input.mousePresent, 1);
    EXPECT_EQ(input.keyboardPresent, 1);
    EXPECT_EQ(input.screenWidth, 800);
    EXPECT_EQ(input.screenHeight, 600);

    plat::headless::moveMouseBy(20, 0);
    input.poll();
    plat::headless::moveMouseBy(-50, 0);
    input.poll();
    EXPECT_EQ(input.dx, -50);
    EXPECT_EQ(input.x, 0);

    plat::headless::moveMouseBy(790, 0);
    input.poll();
    EXPECT_EQ(input.x, 790);
    plat::headless::moveMouseBy(50, 0);
    input.poll();
    EXPECT_EQ(input.x, 799);

    plat::headless::moveMouseBy(0, 100000);
    input.poll();
    EXPECT_EQ(input.y, 599);
    plat::headless::moveMouseBy(0, -2147483647);
    input.poll();
    EXPECT_EQ(input.y, 0) << "extreme motion neither wraps nor escapes";
}

TEST_F(InputTest, ScriptedMoveEndsWhereItSaid)
{
    ASSERT_EQ(input.attach(*window), 0);
    for (auto [x, y] : {std::pair{120, 340}, std::pair{-5, 900}, std::pair{799, 0}, std::pair{400, 300}}) {
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
    input.poll();
    EXPECT_EQ(input.leftPressed, 1);
    EXPECT_EQ(input.leftDown, 1);
    for (int i = 0; i < 3; ++i) {
        input.poll();
        EXPECT_EQ(input.leftPressed, 0);
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
    plat::headless::pressButton(MouseButton::Middle);
    input.poll();
    EXPECT_EQ(input.middlePressed, 1);
    EXPECT_EQ(input.rightPressed, 0);
}

TEST_F(InputTest, SecondPressWithin300MsIsDouble)
{
    ASSERT_EQ(input.attach(*window), 0);
    auto press = [&](uint32_t waitBefore) {
        plat::headless::advanceClock(waitBefore);
        plat::headless::clickAt(10, 10);
        input.poll();
        const uint8_t doubled = input.leftDouble;
        input.poll(); // the release
        return doubled;
    };
    EXPECT_EQ(press(0), 0);
    EXPECT_EQ(press(200), 1);
    EXPECT_EQ(press(50), 1) << "the first press still counts, so a third quick one is double";
    EXPECT_EQ(press(300), 0) << "300 ms after the counted press is not double";
    EXPECT_EQ(press(299), 1);
    EXPECT_EQ(press(1000), 0);
}

TEST_F(InputTest, FirstPressRightAfterStartIsNoDouble)
{
    plat::headless::setClock(0);
    ASSERT_EQ(input.attach(*window), 0);
    plat::headless::advanceClock(100);
    plat::headless::pressButton(MouseButton::Left);
    input.poll();
    EXPECT_EQ(input.leftPressed, 1);
    EXPECT_EQ(input.leftDouble, 0);
}

TEST_F(InputTest, ReattachKeepsCursorHeldButtonAndDeviceCount)
{
    ASSERT_EQ(input.attach(*window), 0);
    const std::size_t open = plat::openInputCount();
    plat::headless::moveMouseTo(300, 200);
    input.poll();
    plat::headless::pressButton(MouseButton::Left);
    input.poll();
    ASSERT_EQ(input.leftPressed, 1);

    for (int board = 0; board < 3; ++board)
        ASSERT_EQ(input.attach(*window), 0);
    EXPECT_EQ(plat::openInputCount(), open) << "the earlier devices were released";
    EXPECT_EQ(input.x, 300);
    EXPECT_EQ(input.y, 200);
    input.poll();
    EXPECT_EQ(input.leftDown, 1);
    EXPECT_EQ(input.leftPressed, 0) << "a button held across the attach is no new press";
}

TEST_F(InputTest, DestructionReleasesEverything)
{
    const std::size_t before = plat::openInputCount();
    {
        Input local;
        plat::headless::attachJoystick(true);
        ASSERT_EQ(local.attach(*window), 0);
        EXPECT_EQ(plat::openInputCount(), before + 4);
    }
    EXPECT_EQ(plat::openInputCount(), before);
}

TEST_F(InputTest, NoJoystickIsFineAndAJoystickIsScaled)
{
    ASSERT_EQ(input.attach(*window), 0);
    EXPECT_EQ(input.joystickPresent, 0);

    plat::headless::attachJoystick(true);
    plat::headless::setJoystick(-32768, 16384, false, true);
    ASSERT_EQ(input.attach(*window), 0);
    EXPECT_EQ(input.joystickPresent, 1);
    input.poll();
    EXPECT_EQ(input.joyX, -1000);
    EXPECT_NEAR(input.joyY, 444, 1); // half way, less the 10 % dead zone, stretched
    EXPECT_EQ(input.joyButton0, 0);
    EXPECT_EQ(input.joyButton1, 1);
}

TEST_F(InputTest, SetupFailuresGiveTheirCodes)
{
    using plat::headless::InputFault;
    plat::headless::attachJoystick(true);
    const std::size_t before = plat::openInputCount();

    plat::headless::failNextInput(InputFault::JoystickProperty);
    EXPECT_EQ(input.attach(*window), FrameworkResult::JoystickProperty);
    EXPECT_EQ(input.joystickPresent, 0);
    EXPECT_EQ(input.mousePresent, 1) << "mouse and keyboard came before the joystick";

    plat::headless::failNextInput(InputFault::JoystickAcquire);
    EXPECT_EQ(input.attach(*window), FrameworkResult::JoystickAcquire);
    EXPECT_EQ(input.joystickPresent, 0);

    plat::headless::failNextInput(InputFault::JoystickEnumeration);
    EXPECT_EQ(input.attach(*window), FrameworkResult::JoystickEnumeration);
    plat::headless::failNextInput(InputFault::JoystickInterface);
    EXPECT_EQ(input.attach(*window), FrameworkResult::JoystickInterface);
    plat::headless::failNextInput(InputFault::System);
    EXPECT_EQ(input.attach(*window), FrameworkResult::DirectInput);
    EXPECT_EQ(input.mousePresent, 0);
    input.poll(); // nothing present: nothing read
    EXPECT_EQ(plat::openInputCount(), before) << "failed set-ups leave nothing open";

    EXPECT_EQ(input.attach(*window), 0);
    EXPECT_EQ(input.joystickPresent, 1);
}

TEST_F(InputTest, MissingMouseOrKeyboardIsNoError)
{
    plat::headless::setDevicesPresent(false, false);
    EXPECT_EQ(input.attach(*window), 0);
    EXPECT_EQ(input.mousePresent, 0);
    EXPECT_EQ(input.keyboardPresent, 0);
    plat::headless::moveMouseBy(5, 5);
    input.poll();
    EXPECT_EQ(input.x, 0);
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
    EXPECT_EQ(input.leftPressed, 1);
    EXPECT_EQ(input.keys[plat::dik::Q], 0x80);
}

TEST_F(InputTest, KeysOfTheGameByScanCode)
{
    ASSERT_EQ(input.attach(*window), 0);
    plat::headless::keyDown(*plat::keyCodesFromName("F1"));
    input.poll();
    EXPECT_NE(input.keys[0x3B], 0);
    plat::headless::keyUp(*plat::keyCodesFromName("F1"));
    plat::headless::tapKey(*plat::keyCodesFromName("Q"));
    input.poll();
    EXPECT_EQ(input.keys[0x3B], 0);
    input.poll();
    EXPECT_NE(input.keys[0x10], 0);
}

TEST_F(InputTest, LosingTheFocusStopsReadingUntilItReturns)
{
    ASSERT_EQ(input.attach(*window), 0);
    plat::headless::setInputFocus(false);
    plat::headless::moveMouseBy(10, 10);
    input.poll();
    input.poll();
    EXPECT_EQ(input.x, 0);
    plat::headless::setInputFocus(true);
    input.poll(); // the failed reads left the device wanting acquire; this poll re-acquires
    input.poll();
    EXPECT_EQ(input.x, 10);
}

} // namespace
