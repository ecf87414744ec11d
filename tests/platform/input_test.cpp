// The input area on the headless backend: queued steps, cursor tracking, window messages,
// focus, joystick scaling and injected faults.
#include "platform/headless/input.h"
#include "platform/headless/message_queue.h"
#include "platform/input.h"
#include "platform/keycodes.h"
#include "platform/platform.h"
#include "platform/window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

using namespace plat;
using headless::MouseButton;

class HeadlessInput : public ::testing::Test {
protected:
    void SetUp() override
    {
        setBackendKind(BackendKind::Headless);
        headless::resetInput();
        headless::clearMessages();
        system = openInputSystem();
        ASSERT_NE(system, InputHandle::None);
        mouse = openMouse(system);
        keyboard = openKeyboard(system);
        ASSERT_TRUE(acquire(mouse));
        ASSERT_TRUE(acquire(keyboard));
    }

    void TearDown() override
    {
        for (InputHandle h : {mouse, keyboard, system})
            closeInput(h);
    }

    static std::vector<Message> drainMessages()
    {
        std::vector<Message> out;
        while (auto m = headless::takeMessage())
            out.push_back(*m);
        return out;
    }
    using Heard = std::vector<std::pair<uint32_t, uintptr_t>>; // message and wParam
    static Heard drainHeard()
    {
        Heard out;
        for (const Message& m : drainMessages())
            out.emplace_back(m.message, m.wParam);
        return out;
    }
    // One mouse read as motion and the left and right buttons.
    std::vector<int> readMouse()
    {
        MouseState m;
        EXPECT_TRUE(plat::readMouse(mouse, m));
        return {m.dx, m.dy, m.buttons[0] != 0, m.buttons[1] != 0};
    }

    InputHandle system = InputHandle::None;
    InputHandle mouse = InputHandle::None;
    InputHandle keyboard = InputHandle::None;
};

TEST_F(HeadlessInput, MoveQueuesTheMotionThatBringsTheCursorThereClampedToTheScreen)
{
    headless::moveMouseTo(100, 50);
    headless::moveMouseTo(-20, screenHeight() + 100);
    EXPECT_EQ(readMouse(), (std::vector<int>{100, 50, 0, 0}));
    // The motion is what the hand did; the framework's clamp puts the cursor at the edge.
    EXPECT_EQ(readMouse(), (std::vector<int>{-120, screenHeight() + 100 - 50, 0, 0}));
    EXPECT_EQ(readMouse(), (std::vector<int>{0, 0, 0, 0})); // an empty queue is no motion
    const auto messages = drainMessages();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[1].message, msg::MouseMove);
    EXPECT_EQ(messages[1].lParam, packPoint(0, screenHeight() - 1));
}

TEST_F(HeadlessInput, ClickHoldsTheButtonForOneReadAndPressUntilRelease)
{
    headless::clickAt(30, 40);
    EXPECT_EQ(readMouse(), (std::vector<int>{30, 40, 1, 0}));
    EXPECT_EQ(readMouse(), (std::vector<int>{0, 0, 0, 0}));
    const Heard heard = drainHeard();
    ASSERT_EQ(heard.size(), 3u);
    EXPECT_EQ(heard[1].first, msg::LButtonDown);
    EXPECT_EQ(heard[2].first, msg::LButtonUp);
    // The asynchronous state saw the press even though the button is up again.
    EXPECT_EQ(asyncKeyState(vk::LButton), 1);
    EXPECT_EQ(asyncKeyState(vk::LButton), 0);

    headless::pressButton(MouseButton::Right);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(readMouse(), (std::vector<int>{0, 0, 0, 1})) << "read " << i;
    EXPECT_EQ(asyncKeyState(vk::RButton), 0x8001);
    EXPECT_EQ(asyncKeyState(vk::RButton), 0x8000);
    headless::releaseButton(MouseButton::Right);
    EXPECT_EQ(readMouse(), (std::vector<int>{0, 0, 0, 0}));
}

TEST_F(HeadlessInput, KeysReachTheScanTableTheKeyStateAndTheWindow)
{
    const KeyCodes q = *keyCodesFromName("q");
    EXPECT_EQ(q.scanCode, dik::Q);
    EXPECT_EQ(q.virtualKey, 'Q');
    headless::tapKey(q);
    KeyboardScan keys;
    ASSERT_TRUE(readKeyboard(keyboard, keys));
    EXPECT_EQ(keys[dik::Q], 0x80);
    ASSERT_TRUE(readKeyboard(keyboard, keys));
    EXPECT_EQ(keys[dik::Q], 0);
    EXPECT_EQ(asyncKeyState('Q'), 1); // pressed since the last query, up now
    EXPECT_EQ(asyncKeyState('Q'), 0);
    EXPECT_EQ(asyncKeyState(-1), 0);
    EXPECT_EQ(asyncKeyState(256), 0);
    EXPECT_EQ(drainHeard(), (Heard{{msg::KeyDown, 'Q'}, {msg::Char, 'q'}, {msg::KeyUp, 'Q'}}));

    // Sided modifiers also hold the undivided code, which is what the window hears.
    headless::keyDown(*keyCodesFromName("LSHIFT"));
    EXPECT_EQ(asyncKeyState(vk::LShift) & 0x8000, 0x8000);
    EXPECT_EQ(asyncKeyState(vk::Shift) & 0x8000, 0x8000);
    EXPECT_EQ(asyncKeyState(vk::RShift), 0);
    EXPECT_EQ(drainHeard(), (Heard{{msg::KeyDown, vk::Shift}}));
    headless::keyUp(*keyCodesFromName("LSHIFT"));
    EXPECT_EQ(asyncKeyState(vk::Shift), 0);
}

TEST_F(HeadlessInput, FailedReadsGiveZeroedRecordsAndKeepTheQueuedSteps)
{
    headless::pressButton(MouseButton::Left);
    headless::failNextInput(headless::InputFault::MouseRead);
    MouseState m{9, 9, {1, 1, 1}};
    EXPECT_FALSE(plat::readMouse(mouse, m));
    EXPECT_EQ(std::vector<int>({m.dx, m.dy, m.buttons[0], m.buttons[1], m.buttons[2]}), std::vector<int>(5, 0));
    headless::setInputFocus(false);
    KeyboardScan keys;
    keys.fill(0xAA);
    EXPECT_FALSE(readKeyboard(keyboard, keys));
    EXPECT_EQ(keys, KeyboardScan{});
    EXPECT_FALSE(acquire(mouse));
    headless::setInputFocus(true);
    EXPECT_FALSE(plat::readMouse(mouse, m)) << "a failed read wants acquire first";
    ASSERT_TRUE(acquire(mouse));
    EXPECT_EQ(readMouse(), (std::vector<int>{0, 0, 1, 0}));
}

TEST_F(HeadlessInput, HandlesAreCountedAndChecked)
{
    const std::size_t before = openInputCount();
    MouseState m;
    EXPECT_FALSE(plat::readMouse(keyboard, m)) << "a keyboard handle is no mouse";
    EXPECT_FALSE(plat::readMouse(InputHandle::None, m));
    closeInput(mouse);
    EXPECT_FALSE(plat::readMouse(mouse, m));
    EXPECT_EQ(openInputCount(), before - 1);
    closeInput(mouse); // twice is harmless
    mouse = InputHandle::None;
    EXPECT_EQ(openMouse(InputHandle::None), InputHandle::None);
    headless::setDevicesPresent(false, true);
    EXPECT_EQ(openMouse(system), InputHandle::None);
    headless::failNextInput(headless::InputFault::System);
    EXPECT_EQ(openInputSystem(), InputHandle::None);
}

// Opening, faults and scaling through the framework are the framework's tests; here the
// handle's own checks, and the dead zone and range applied to a raw reading.
TEST_F(HeadlessInput, JoystickSettingsAreCheckedAndApplied)
{
    EXPECT_EQ(openJoystick(system).result, JoystickResult::NoneAttached);
    headless::attachJoystick(true);
    const JoystickOpen j = openJoystick(system);
    ASSERT_EQ(j.result, JoystickResult::Opened);
    EXPECT_FALSE(setJoystickRange(j.handle, 5, 5)) << "an empty range is refused";
    EXPECT_FALSE(setJoystickDeadZone(j.handle, 10001));
    ASSERT_TRUE(setJoystickRange(j.handle, 0, 100));
    ASSERT_TRUE(setJoystickDeadZone(j.handle, 1000));
    ASSERT_TRUE(acquire(j.handle));
    JoystickState s;
    headless::setJoystick(3000, -32768, false, true); // x inside the 10 % dead zone
    ASSERT_TRUE(readJoystick(j.handle, s));
    EXPECT_EQ(std::vector<int>({s.x, s.y, s.button0, s.button1}), std::vector<int>({50, 0, 0, 1}));
    closeInput(j.handle);
    EXPECT_FALSE(readJoystick(j.handle, s));
}

TEST(JoystickAxis, ScalesAgainstAReferenceAndKeepsTheDeadZoneCentred)
{
    // Reference: the reading as a fraction of the half range, the dead zone cut out and the
    // rest stretched back over the whole range.
    auto reference = [](int raw, int min, int max, unsigned zone) {
        double v = std::max(raw, -32767) / 32767.0;
        const double z = zone / 10000.0;
        const double m = std::abs(v) <= z ? 0 : (std::abs(v) - z) / (1 - z);
        return (min + max) / 2.0 + (v < 0 ? -m : m) * (max - min) / 2.0;
    };
    for (int raw = -32768; raw <= 32767; raw += 997)
        for (unsigned zone : {0u, 1000u, 5000u, 9999u}) {
            const int got = scaleJoystickAxis(raw, -1000, 1000, zone);
            EXPECT_NEAR(got, reference(raw, -1000, 1000, zone), 0.5) << raw << " zone " << zone;
            EXPECT_GE(got, -1000);
            EXPECT_LE(got, 1000);
        }
    EXPECT_EQ(scaleJoystickAxis(0, 0, 65535, 0), 32768);
    EXPECT_EQ(scaleJoystickAxis(32767, -1000, 1000, 10000), 0);
}

} // namespace
