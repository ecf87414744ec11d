// Input as tablets, remote desktops and touchpads give it, end to end on the headless backend:
// an absolute pointer, and clicks and a key tap pressed and released within one frame.
#include "GameTest.h"

#include "game/GameState.h"
#include "platform/headless/input.h"
#include "platform/keycodes.h"

using ShortInputTest = GameTest;

TEST_F(ShortInputTest, PointerAndOneFrameClicksPlayABoardAndAOneFrameTapQuits)
{
    ASSERT_NO_FATAL_FAILURE(startAtMenu());
    plat::headless::movePointerTo(300, 200); // on the 6x6 button
    ASSERT_TRUE(game->waitUntil([](const auto&) { return gameState.mouseX == 300 && gameState.mouseY == 200; }, 10));
    plat::headless::quickClickAt(300, 200);
    const Area besideTheBoard{20, 300, 140, 500};
    ASSERT_TRUE(game->waitUntil(
        [&](const auto&) { return shows("Data/Field[6x6].bmp", 0, 0, besideTheBoard) == "equal"; }, 400))
        << "the 6x6 board did not open";
    plat::headless::quickClickAt(275, 291); // square (2, 2)
    ASSERT_TRUE(game->waitUntil([](const auto&) { return gameState.score == 1; }, 10)) << "the click was lost";
    plat::headless::quickClickAt(380, 520); // the end button
    ASSERT_TRUE(waitForMenu());
    plat::headless::quickTapKey(*plat::keyCodesFromName("Q"));
    EXPECT_EQ(game->finish(false), 0);
    EXPECT_EQ(fileBytes("Data/scores.dat"), scoresFileBytes(1));
}
