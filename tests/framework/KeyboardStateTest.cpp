// The keyboard state poller over the headless asynchronous key state.
#include "framework/KeyboardState.h"
#include "platform/headless/input.h"
#include "platform/input.h"
#include "platform/keycodes.h"
#include "platform/platform.h"

#include <gtest/gtest.h>

namespace {

using namespace plat;

class KeyboardStateTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        setBackendKind(BackendKind::Headless);
        headless::resetInput();
        KeyboardState::global() = KeyboardState{};
    }
    void TearDown() override { headless::resetInput(); }

    static KeyCodes key(const char* name) { return *keyCodesFromName(name); }
};

TEST_F(KeyboardStateTest, NothingIsPressedBeforeTheFirstPoll)
{
    headless::keyDown(key("F5"));
    for (int code = -1; code <= 256; ++code)
        EXPECT_FALSE(KeyboardState::wasPressed(code)) << code;
    EXPECT_EQ(KeyboardState::global().initialized, 0);
}

TEST_F(KeyboardStateTest, HeldKeyIsReportedOnceAfterThePollThatSawItGoDown)
{
    pollKeyboardState();
    headless::keyDown(key("F5"));
    EXPECT_FALSE(KeyboardState::wasPressed(vk::F5)) << "not before a poll has seen it";
    pollKeyboardState();
    EXPECT_TRUE(KeyboardState::wasPressed(vk::F5));
    EXPECT_TRUE(KeyboardState::wasPressed(vk::F5)) << "asking does not poll";
    for (int frame = 0; frame < 3; ++frame) {
        pollKeyboardState();
        EXPECT_FALSE(KeyboardState::wasPressed(vk::F5)) << frame;
    }
    headless::keyUp(key("F5"));
    pollKeyboardState();
    EXPECT_EQ(KeyboardState::global().releasedCount, 1);
    EXPECT_FALSE(KeyboardState::wasPressed(vk::F5));
}

TEST_F(KeyboardStateTest, PressAndReleaseBetweenTwoPollsIsStillSeen)
{
    pollKeyboardState();
    headless::tapKey(key("F9"));
    pollKeyboardState();
    EXPECT_TRUE(KeyboardState::wasPressed(vk::F9));
    EXPECT_EQ(KeyboardState::global().pressedCount, 1);
    pollKeyboardState();
    EXPECT_FALSE(KeyboardState::wasPressed(vk::F9));
    EXPECT_EQ(KeyboardState::global().releasedCount, 1);
}

TEST_F(KeyboardStateTest, UndividedModifiersAreNotCounted)
{
    pollKeyboardState();
    headless::keyDown(key("LSHIFT"));
    pollKeyboardState();
    const KeyboardState& k = KeyboardState::global();
    EXPECT_EQ(k.current[vk::Shift], 128);
    EXPECT_EQ(k.current[vk::LShift], 128);
    EXPECT_EQ(k.downCount, 1);
    EXPECT_EQ(k.pressedCount, 1);
    pollKeyboardState();
    EXPECT_EQ(k.downCount, 1);
    EXPECT_EQ(k.pressedCount, 0);
}

TEST_F(KeyboardStateTest, CursorAndItsDelta)
{
    pollKeyboardState();
    headless::moveMouseTo(40, 30);
    pollKeyboardState();
    const KeyboardState& k = KeyboardState::global();
    EXPECT_EQ(k.cursorX, 40);
    EXPECT_EQ(k.cursorY, 30);
    EXPECT_FLOAT_EQ(k.cursorDeltaX, 40.0f);
    headless::moveMouseTo(35, 30);
    pollKeyboardState();
    EXPECT_FLOAT_EQ(k.cursorDeltaX, -5.0f);
    EXPECT_EQ(k.previousCursorX, 40);
}

TEST_F(KeyboardStateTest, InitRunsOnce)
{
    KeyboardState k;
    k.init();
    k.current[5] = 128;
    k.init();
    EXPECT_EQ(k.current[5], 128);
}

} // namespace
