// The virtual clock of the headless backend.
#include "platform/clock.h"
#include "platform/platform.h"

#include <gtest/gtest.h>

TEST(HeadlessClock, AdvancesOnSleepAndWrapsAt32Bits)
{
    plat::setBackendKind(plat::BackendKind::Headless);
    plat::headless::setClock(0xFFFFFFF0u);
    plat::sleep(0x20);
    EXPECT_EQ(plat::tickCount(), 0x10u);
    plat::headless::advanceClock(16);
    EXPECT_EQ(plat::tickCount(), 0x20u);
    // Differences stay right across the wrap, which is how every caller measures time.
    EXPECT_EQ(plat::tickCount() - 0xFFFFFFF0u, 0x30u);
}
