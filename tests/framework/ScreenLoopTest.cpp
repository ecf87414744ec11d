// A screen loop as the game runs it, driven in-process through the present hook.
#include "HeadlessScreen.h"

#include "platform/clock.h"
#include "platform/headless/window.h"

TEST_F(HeadlessScreen, PresentHookDrivesALoopToItsEnd)
{
    open();
    std::vector<int> clicksSeenAtFrame;
    plat::headless::setPresentHook([](const plat::headless::PresentedFrame& f) {
        if (f.number == 3) {
            plat::headless::postMessage(plat::Message{plat::msg::MouseMove, 0, plat::packPoint(400, 300)});
            plat::headless::postMessage(plat::Message{plat::msg::LButtonDown, 0, 0});
            plat::headless::postMessage(plat::Message{plat::msg::LButtonUp, 0, 0});
        }
        if (f.number == 8)
            plat::headless::requestClose();
    });
    int frame = 0;
    while (window->pumpMessage()) {
        ++frame;
        if (window->leftPressed)
            clicksSeenAtFrame.push_back(frame);
        display->back->fill(window->leftHeld ? 0xFFFF : 0);
        ASSERT_EQ(display->flip(0), 0);
        ASSERT_LT(frame, 100);
    }
    // Motion in frame 4, the press in frame 5 at the moved position, the release in 6;
    // the close posted after frame 8 is taken in frame 9.
    EXPECT_EQ(clicksSeenAtFrame, std::vector<int>{5});
    EXPECT_EQ(window->leftClickX, 400);
    EXPECT_EQ(frame, 9);
    EXPECT_EQ(plat::headless::presentCount(), 9u);
    EXPECT_EQ(plat::tickCount(), 9u * 16u);
}
