// Runtime: allocation hooks and pools, the error record, the memory buffer.
#include <gtest/gtest.h>

#include <cstring>
#include <latch>
#include <thread>
#include <vector>

#include "sprite/ctyMemBuffer.h"
#include "sprite/ctyRuntime.h"
#include "spriteTestSupport.h"

namespace {

// Swaps in hooks that fail every allocation for one scope.
class FailingHooks {
public:
    FailingHooks() : saved_(ctyHooks)
    {
        ctyHooks.alloc = [](std::size_t) -> void* { return nullptr; };
        ctyHooks.calloc = [](std::size_t, std::size_t) -> void* { return nullptr; };
        ctyHooks.realloc = [](void*, std::size_t) -> void* { return nullptr; };
    }
    ~FailingHooks() { ctyHooks = saved_; }

private:
    ctyAllocHooks saved_;
};

TEST(CtyRuntime, AllocationHooksCountZeroAsOneAndPostMinus2OnFailure)
{
    resetErrors();
    void* one = ctyAlloc(0);
    ASSERT_NE(one, nullptr);
    static_cast<char*>(one)[0] = 7;
    ctyFree(one);
    auto* zeroed = static_cast<unsigned char*>(ctyCalloc(64));
    ASSERT_NE(zeroed, nullptr);
    for (int i = 0; i < 64; ++i) EXPECT_EQ(zeroed[i], 0);
    void* grown = ctyRealloc(zeroed, 4096);
    ASSERT_NE(grown, nullptr);
    ctyFree(grown);
    ctyFree(nullptr);
    EXPECT_EQ(ctyError.code, 0);

    FailingHooks failing;
    void* kept = std::malloc(8);
    EXPECT_EQ(ctyAlloc(16), nullptr);
    EXPECT_EQ(ctyError.code, -2);
    ctyError.code = 0;
    EXPECT_EQ(ctyCalloc(16), nullptr);
    EXPECT_EQ(ctyError.code, -2);
    ctyError.code = 0;
    EXPECT_EQ(ctyRealloc(kept, 32), nullptr);
    EXPECT_EQ(ctyError.code, -2);
    std::free(kept);  // a failed resize leaves the old block valid
}

TEST(CtyRuntime, PoolsLinkAlignFreeAllAndTransfer)
{
    const int first = ctyPoolCreate();
    const int second = ctyPoolCreate();
    ASSERT_GT(first, 0);
    ASSERT_GT(second, first);
    std::uintptr_t addresses = 0;
    void* blocks[5];
    for (int i = 0; i < 5; ++i) {
        blocks[i] = ctyPoolAlloc(first, 24 + i);
        ASSERT_NE(blocks[i], nullptr);
        addresses |= reinterpret_cast<std::uintptr_t>(blocks[i]);
        std::memset(blocks[i], 0xAB, 24 + static_cast<std::size_t>(i));
    }
    EXPECT_EQ(addresses % 16, 0u) << "pool blocks keep 16-byte alignment on 64-bit";
    blocks[2] = ctyPoolRealloc(first, blocks[2], 4000);
    ASSERT_NE(blocks[2], nullptr);
    EXPECT_EQ(static_cast<unsigned char*>(blocks[2])[25], 0xAB);
    ctyPoolFree(first, blocks[0]);
    ctyPoolFree(second, blocks[1]);  // not in that pool: nothing is freed
    ctyPoolTransfer(second, first, blocks[1]);
    const int previous = ctyPoolSelect(second);
    EXPECT_GE(ctyBlockSize(blocks[1]), 25u);
    ctyPoolFreeAll(-1);  // the current pool: frees blocks[1]; pool 0 becomes current
    EXPECT_EQ(ctyPoolSelect(previous), 0);
    ctyPoolFreeAll(first);
    EXPECT_EQ(ctyPoolCreate(), first) << "the lowest free number is reused";
    EXPECT_EQ(ctyPoolCreate(), second);
    ctyPoolFreeAll(first);
    ctyPoolFreeAll(second);
}

// The first allocations set the pools up, and they may come from several threads at once (the
// draw path is meant for several): each gets its block, and the pools are set up once.
TEST(CtyRuntime, FirstAllocationsOnSeveralThreads)
{
    ctyPoolShutdown();  // as before any allocation
    constexpr int count = 4;
    std::latch start(count);
    std::vector<void*> blocks(count);
    std::vector<std::thread> threads;
    for (int i = 0; i < count; ++i)
        threads.emplace_back([&, i] {
            start.arrive_and_wait();
            blocks[static_cast<std::size_t>(i)] = ctyAlloc(64);
        });
    for (std::thread& t : threads) t.join();
    for (void* block : blocks) {
        EXPECT_NE(block, nullptr);
        ctyFree(block);
    }
    EXPECT_EQ(ctyPoolSelect(0), 0);
    EXPECT_EQ(ctyPoolCreate(), 1);
    ctyPoolShutdown();
}

TEST(CtyRuntime, PostsRecordTheirValuesAndReturnTheirCode)
{
    resetErrors();
    ctyError.code = 5;
    EXPECT_EQ(ctySetError(0), 0);
    EXPECT_EQ(ctyError.code, 5) << "code 0 posts nothing";
    const char* name = "missing.bmp";
    EXPECT_EQ(ctySetError(-17, name), -17);
    EXPECT_EQ(ctyError.detail, name) << "the detail keeps a whole pointer";
    EXPECT_EQ(ctyError.level, 0);
    EXPECT_EQ(ctyError.extra3, -1);

    EXPECT_EQ(ctyErrorf(4, "Unknow palette kind: %d", 7), -97);
    EXPECT_EQ(ctyError.code, -97);
    EXPECT_EQ(ctyError.level, 4);
    EXPECT_EQ(lastMessage(), "Unknow palette kind: 7");

    ctyError.quiet = 1;
    EXPECT_EQ(ctySetError(-5), -5);
    EXPECT_EQ(ctyError.code, -97) << "a quiet record keeps its values";
    resetErrors();
    ctyError.handler = [] { ctyError.answer = 3; };
    EXPECT_EQ(ctySetError(-5), 3) << "a handler's answer replaces the code";
    ctyError.handler = [] { ctyError.answer = ctyStopAnswer; };
    EXPECT_EQ(ctySetError(-5), -94) << "without a debugger the stop answer only returns";
    resetErrors();
}

TEST(CtyRuntime, MemoryBufferGrowsReadsInsideAndFailsSticky)
{
    resetErrors();
    ctyMemBuffer buffer;
    const std::uint8_t one = 0x5A;
    buffer.Write(&one, 1);
    EXPECT_EQ(buffer.capacity, 10485761);
    buffer.Write32(0x11223344);
    EXPECT_EQ(buffer.length, 5);
    EXPECT_EQ(std::memcmp(buffer.data + 1, "\x44\x33\x22\x11", 4), 0);
    buffer.position = 1;
    EXPECT_EQ(buffer.Remaining(), 4);
    EXPECT_EQ(buffer.Read32(), 0x11223344u);
    EXPECT_FALSE(buffer.failed);

    std::uint8_t past[6] = {1, 2, 3, 4, 5, 6};
    buffer.position = 3;
    buffer.Read(past, 6);
    EXPECT_EQ(std::memcmp(past, "\x22\x11\0\0\0\0", 6), 0) << "bytes past the length read as zeros";
    EXPECT_EQ(buffer.position, 5);
    EXPECT_TRUE(buffer.failed);

    ctyMemBuffer full;
    {
        FailingHooks failing;
        full.Write(&one, 1);
    }
    EXPECT_EQ(full.length, 0);
    EXPECT_EQ(full.data, nullptr);
    EXPECT_TRUE(full.failed);
    EXPECT_EQ(ctyError.code, -2);
    resetErrors();
}

}  // namespace
