// The window's pump on the headless backend: one message per frame, destroy, clicks, keys.
#include "HeadlessScreen.h"

#include "platform/clock.h"
#include "platform/headless/window.h"

using plat::Message;
using plat::headless::postMessage;
namespace msg = plat::msg;

class WindowPump : public HeadlessScreen {
protected:
    void SetUp() override
    {
        HeadlessScreen::SetUp();
        ASSERT_TRUE(window->create("Velmoor", nullptr, nullptr, WindowStylePopup, 0, 0, 800, 600));
    }
};

TEST_F(WindowPump, ButtonsTakeOneFrameEachAndClickAtTheLastMotion)
{
    EXPECT_EQ(window->active, 1);
    // A press and release queued together: pressed in one frame, released in the next.
    postMessage(Message{msg::LButtonDown, 0, plat::packPoint(300, 200)});
    postMessage(Message{msg::LButtonUp, 0, 0});
    ASSERT_TRUE(window->pumpMessage());
    EXPECT_EQ(window->leftPressed, 1);
    EXPECT_EQ(window->leftHeld, 1);
    EXPECT_EQ(window->leftClickX, 0) << "a click without motion is at (0,0), not at its own position";
    EXPECT_EQ(window->leftClickY, 0);
    ASSERT_TRUE(window->pumpMessage());
    EXPECT_EQ(window->leftPressed, 0);
    EXPECT_EQ(window->leftHeld, 0);

    postMessage(Message{msg::MouseMove, 0, plat::packPoint(640, 480)});
    postMessage(Message{msg::RButtonDown, 0, 0});
    window->pumpMessage();
    window->pumpMessage();
    EXPECT_EQ(window->rightPressed, 1);
    EXPECT_EQ(window->rightClickX, 640);
    EXPECT_EQ(window->rightClickY, 480);
}

TEST_F(WindowPump, DestroyEndsThePumpWhileMessagesRemain)
{
    plat::headless::requestClose();
    postMessage(Message{msg::KeyDown, 'A', 0});
    postMessage(Message{msg::KeyDown, 'B', 0});
    EXPECT_TRUE(window->pumpMessage()); // takes Close, which destroys the window
    EXPECT_EQ(window->handle, 0u);
    EXPECT_FALSE(window->pumpMessage());
    EXPECT_FALSE(window->pumpMessage());
    EXPECT_EQ(plat::headless::pendingMessages(), 2u);
    EXPECT_EQ(window->keyDown['A'], 0);
}

TEST_F(WindowPump, KeysCharactersAndActivation)
{
    postMessage(Message{msg::KeyDown, 0x74, 0});
    window->pumpMessage();
    EXPECT_EQ(window->keyDown[0x74], 1);
    EXPECT_EQ(window->lastKeyDown, 0x74);
    window->pumpMessage();
    EXPECT_EQ(window->lastKeyDown, -1); // per-frame fields reset on every pump
    postMessage(Message{msg::KeyUp, 0x74, 0});
    window->pumpMessage();
    EXPECT_EQ(window->keyDown[0x74], 0);
    EXPECT_EQ(window->lastKeyUp, 0x74);

    // Codes of 256 and more would index past the key table: ignored.
    postMessage(Message{msg::KeyDown, 256, 0});
    postMessage(Message{msg::KeyUp, 0x10000, 0});
    window->pumpMessage();
    window->pumpMessage();
    EXPECT_EQ(window->lastKeyDown, -1);
    EXPECT_EQ(window->lastKeyUp, -1);
    for (uint8_t k : window->keyDown)
        EXPECT_EQ(k, 0);

    postMessage(Message{msg::Char, 0x1E4, 0});
    window->pumpMessage();
    EXPECT_EQ(window->charPending, 1);
    EXPECT_EQ(window->charCode, 0xE4);

    // The wait of an inactive window lasts its time only while no message comes.
    plat::headless::setWindowActive(false);
    window->pumpMessage();
    EXPECT_EQ(window->active, 0);
    const uint32_t before = plat::tickCount();
    plat::waitForMessage(window->handle, 16);
    EXPECT_EQ(plat::tickCount() - before, 16u);
    plat::headless::setWindowActive(true);
    plat::waitForMessage(window->handle, 16);
    EXPECT_EQ(plat::tickCount() - before, 16u);
    window->pumpMessage();
    EXPECT_EQ(window->active, 1);
}
