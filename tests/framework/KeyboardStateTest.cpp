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

TEST_F(KeyboardStateTest, APressIsReportedOnceEvenWhenReleasedBetweenPolls)
{
    headless::keyDown(key("F5"));
    for (int code = -1; code <= 256; ++code)
        EXPECT_FALSE(KeyboardState::wasPressed(code)) << "nothing before the first poll: " << code;
    pollKeyboardState();
    headless::keyUp(key("F5"));
    pollKeyboardState();
    headless::keyDown(key("F5"));
    EXPECT_FALSE(KeyboardState::wasPressed(vk::F5)) << "not before a poll has seen it";
    pollKeyboardState();
    EXPECT_TRUE(KeyboardState::wasPressed(vk::F5));
    EXPECT_TRUE(KeyboardState::wasPressed(vk::F5)) << "asking does not poll";
    pollKeyboardState();
    EXPECT_FALSE(KeyboardState::wasPressed(vk::F5)) << "held: reported once";
    headless::keyUp(key("F5"));

    headless::tapKey(key("F9"));
    pollKeyboardState();
    EXPECT_TRUE(KeyboardState::wasPressed(vk::F9));
    EXPECT_EQ(KeyboardState::global().pressedCount, 1);
    EXPECT_EQ(KeyboardState::global().releasedCount, 1); // F5
    pollKeyboardState();
    EXPECT_FALSE(KeyboardState::wasPressed(vk::F9));
    EXPECT_EQ(KeyboardState::global().releasedCount, 1); // F9
}

TEST_F(KeyboardStateTest, UndividedModifiersAreNotCountedAndTheCursorMoves)
{
    pollKeyboardState();
    headless::keyDown(key("LSHIFT"));
    headless::moveMouseTo(40, 30);
    pollKeyboardState();
    const KeyboardState& k = KeyboardState::global();
    EXPECT_EQ(k.current[vk::Shift], 128);
    EXPECT_EQ(k.current[vk::LShift], 128);
    EXPECT_EQ(k.downCount, 1);
    EXPECT_EQ(k.pressedCount, 1);
    EXPECT_FLOAT_EQ(k.cursorDeltaX, 40.0f);
    headless::moveMouseTo(35, 30);
    pollKeyboardState();
    EXPECT_EQ(k.downCount, 1);
    EXPECT_EQ(k.pressedCount, 0);
    EXPECT_EQ(k.cursorX, 35);
    EXPECT_EQ(k.cursorY, 30);
    EXPECT_FLOAT_EQ(k.cursorDeltaX, -5.0f);
}

} // namespace
