// Every board loop, the 6x6 one included, rests 1 ms per pass while the window is inactive
// instead of spinning.
#include "BoardTest.h"

#include "platform/headless/window.h"

#include <ostream>

namespace {
struct BoardEntry {
    BoardLayout layout;
    int buttonX;
    int buttonY;
};

void PrintTo(const BoardEntry& entry, std::ostream* out) { *out << entry.layout.n << "x" << entry.layout.n; }
} // namespace

class InactiveBoardTest : public BoardTest, public ::testing::WithParamInterface<BoardEntry> {};

TEST_P(InactiveBoardTest, SleepsWhileTheWindowIsInactive)
{
    const BoardEntry& entry = GetParam();
    ASSERT_NO_FATAL_FAILURE(enterBoard(entry.layout, entry.buttonX, entry.buttonY));
    ASSERT_TRUE(game->advance(1));
    const uint32_t before = game->frame().tick;
    ASSERT_TRUE(game->advance(1));
    EXPECT_EQ(game->frame().tick - before, 16u) << "an active frame costs the present's 16 ms";
    // One pass inactive, then active again: that pass sleeps 1 ms of the virtual clock.
    plat::headless::setWindowActive(false);
    plat::headless::setWindowActive(true);
    const uint32_t active = game->frame().tick;
    ASSERT_TRUE(game->advance(1));
    EXPECT_EQ(game->frame().tick - active, 17u);
    EXPECT_EQ(game->finish(), 0);
}

INSTANTIATE_TEST_SUITE_P(Boards, InactiveBoardTest,
                         ::testing::Values(BoardEntry{Layout6x6, 300, 200}, BoardEntry{Layout8x8, 300, 260},
                                           BoardEntry{Layout10x10, 300, 320}),
                         [](const auto& info) { return "Board" + std::to_string(info.param.layout.n); });
