// Sprite library runtime: allocation hooks and pools, the one error record and its posts.
#pragma once

#include <cstddef>
#include <cstdint>

#include "sprite/ctyError.h"

// The four replaceable allocation hooks; the defaults go through the pools below.
struct ctyAllocHooks {
    void* (*alloc)(std::size_t size);
    void* (*calloc)(std::size_t count, std::size_t size);
    void* (*realloc)(void* block, std::size_t size);
    void (*free)(void* block);
};
extern ctyAllocHooks ctyHooks;

// Size 0 counts as 1; a null answer of the hook posts ctyCodeOutOfMemory and gives null.
[[nodiscard]] void* ctyAlloc(std::size_t size);
[[nodiscard]] void* ctyCalloc(std::size_t size);
[[nodiscard]] void* ctyRealloc(void* block, std::size_t size);
void ctyFree(void* block);

// Pools: 0 is the plain heap (blocks of 256 bytes and more start on 64 bytes); a block of a pool above 0 carries a pointer-sized link in a
// 16-byte header (so the caller's bytes stay 16-byte aligned) to the next older block.
// Sets the pools up (pool 0 current) unless they are: the first allocation does, and several threads
// may make theirs at once. Creating, selecting and freeing pools, and the blocks of pools above 0,
// are for one thread at a time.
void ctyPoolInit();
[[nodiscard]] int ctyPoolCreate();
int ctyPoolSelect(int number);
void ctyPoolFreeAll(int number);
[[nodiscard]] void* ctyPoolAlloc(int number, std::size_t size);
[[nodiscard]] void* ctyPoolRealloc(int number, void* block, std::size_t size);
void ctyPoolFree(int number, void* block);
void ctyPoolTransfer(int to, int from, void* block);
[[nodiscard]] std::size_t ctyBlockSize(void* block);
void ctyPoolShutdown();

int ctyPostError(std::uint32_t context, std::uint8_t level, std::int32_t code, const char* detail,
                 const char* message, std::uint32_t extra1, std::uint32_t extra2,
                 std::int32_t extra3);
// Posts a code (0 posts nothing and answers 0); the answer is already checked for ctyStopAnswer.
int ctySetError(std::int32_t code, const char* detail = nullptr);
// Formats into the message buffer and posts it as ctyCodeMessage; the answer is already checked for ctyStopAnswer.
int ctyErrorf(std::uint8_t level, const char* format, ...)
    __attribute__((format(printf, 2, 3)));
// The callers' convention: an answer of ctyStopAnswer stops in an attached debugger (never without one).
int ctyCheckAnswer(int answer) noexcept;
