// Losing the display ends the process: the owner's hook once, one line on stderr, status 1,
// and no destructor (they would call into the display that is gone).
#include "platform/window.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

struct TellsWhenDestroyed {
    ~TellsWhenDestroyed() { std::fputs("destructor ran\n", stderr); }
};

TEST(DisplayLost, HookRunsOnceThenTheProcessEndsWithStatusOne)
{
    EXPECT_EXIT(
        {
            static TellsWhenDestroyed global;
            plat::setDisplayLostHook([](const char* reason) {
                std::fprintf(stderr, "hook: %s\n", reason);
                plat::endOnDisplayLost("lost again inside the hook");
            });
            plat::endOnDisplayLost("the X server went away");
        },
        ::testing::ExitedWithCode(1), ": the display was lost: the X server went away\nhook: the X server went away\n$");
}

} // namespace
