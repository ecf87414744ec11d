// Sprite library runtime: the pool-backed allocation hooks and the error posts.
#include "sprite/ctyRuntime.h"

#include <malloc.h>

#include <atomic>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "sprite/ctyFormat.h"
#include "talvo/log_file_buf.h"
#include "talvo/throw_report.h"

namespace {

// The header in front of a pool block: the link, padded so the caller's bytes keep malloc's
// 16-byte alignment.
struct PoolHeader {
    PoolHeader* next;
    void* pad;
};
static_assert(sizeof(PoolHeader) == 16);

// A head of freePool marks a free pool number; null an empty pool.
PoolHeader* const freePool = reinterpret_cast<PoolHeader*>(~std::uintptr_t{0});

// Blocks from this size up are cache-line aligned; below it the padding would cost more than it saves.
constexpr std::size_t lineAlignedFrom = 256;

int currentPool = 0;
// Set by the first allocation, which may come from several threads at once: it is stored with
// release after currentPool, so a thread that reads it non-zero also reads currentPool's value.
std::atomic<int> poolCount{0};
std::mutex poolSetUp;
PoolHeader** poolTable = nullptr;

PoolHeader* headerOf(void* block) { return static_cast<PoolHeader*>(block) - 1; }

int pools() { return poolCount.load(std::memory_order_relaxed); }

bool usablePool(int number) { return number > 0 && number < pools() && poolTable[number] != freePool; }

int resolve(int number) { return number == -1 ? currentPool : number; }

// Takes a header out of its pool's list; false when the pool does not hold it.
bool unlink(int number, PoolHeader* header)
{
    for (PoolHeader** link = &poolTable[number]; *link != nullptr; link = &(*link)->next) {
        if (*link == header) {
            *link = header->next;
            return true;
        }
    }
    return false;
}

void linkHead(int number, PoolHeader* header)
{
    header->next = poolTable[number];
    poolTable[number] = header;
}

void* hookAlloc(std::size_t size) { return ctyPoolAlloc(-1, size); }
void* hookCalloc(std::size_t count, std::size_t size)
{
    if (size != 0 && count > SIZE_MAX / size) return nullptr;
    void* block = ctyPoolAlloc(-1, count * size);
    if (block != nullptr) std::memset(block, 0, count * size);
    return block;
}
void* hookRealloc(void* block, std::size_t size) { return ctyPoolRealloc(-1, block, size); }
void hookFree(void* block) { ctyPoolFree(-1, block); }

}  // namespace

ctyAllocHooks ctyHooks = {hookAlloc, hookCalloc, hookRealloc, hookFree};
ctyErrorRecord ctyError;

void* ctyAlloc(std::size_t size)
{
    void* block = ctyHooks.alloc(size == 0 ? 1 : size);
    if (block == nullptr) ctySetError(ctyCodeOutOfMemory);
    return block;
}

void* ctyCalloc(std::size_t size)
{
    void* block = ctyHooks.calloc(size == 0 ? 1 : size, 1);
    if (block == nullptr) ctySetError(ctyCodeOutOfMemory);
    return block;
}

void* ctyRealloc(void* block, std::size_t size)
{
    void* grown = ctyHooks.realloc(block, size == 0 ? 1 : size);
    if (grown == nullptr) ctySetError(ctyCodeOutOfMemory);
    return grown;
}

void ctyFree(void* block)
{
    if (block != nullptr) ctyHooks.free(block);
}

void ctyPoolInit()
{
    // Once set up, an allocation costs one load here and takes no lock.
    if (poolCount.load(std::memory_order_acquire) != 0) return;
    const std::lock_guard<std::mutex> hold(poolSetUp);
    if (pools() != 0) return;
    currentPool = 0;
    poolCount.store(1, std::memory_order_release);
}

int ctyPoolCreate()
{
    ctyPoolInit();
    const int count = pools();
    for (int number = 1; number < count; ++number) {
        if (poolTable[number] == freePool) {
            poolTable[number] = nullptr;
            return number;
        }
    }
    // The table also keeps a slot for pool 0, which never holds a list.
    auto* grown = static_cast<PoolHeader**>(
        std::realloc(poolTable, sizeof(PoolHeader*) * static_cast<std::size_t>(count + 1)));
    if (grown == nullptr) return ctyCodeOutOfMemory;
    poolTable = grown;
    poolTable[0] = nullptr;
    poolTable[count] = nullptr;
    poolCount.store(count + 1, std::memory_order_relaxed);
    return count;
}

int ctyPoolSelect(int number)
{
    const int previous = pools() == 0 ? 0 : currentPool;
    ctyPoolInit();
    currentPool = number;
    return previous;
}

void ctyPoolFreeAll(int number)
{
    number = resolve(number);
    if (!usablePool(number) || poolTable[number] == nullptr) return;
    for (PoolHeader* header = poolTable[number]; header != nullptr;) {
        PoolHeader* next = header->next;
        std::free(header);
        header = next;
    }
    poolTable[number] = freePool;
    if (currentPool == number) currentPool = 0;
}

void* ctyPoolAlloc(int number, std::size_t size)
{
    ctyPoolInit();
    number = resolve(number);
    if (number <= 0) {
        if (size < lineAlignedFrom) return std::malloc(size);
        // Pixel blocks start on a cache line, so source and destination of a copy never sit 16
        // or 48 bytes apart, which can make the library's copy up to three times slower.
        void* block = nullptr;
        return posix_memalign(&block, 64, size) == 0 ? block : nullptr;
    }
    if (!usablePool(number) || size > SIZE_MAX - sizeof(PoolHeader)) return nullptr;
    auto* header = static_cast<PoolHeader*>(std::malloc(size + sizeof(PoolHeader)));
    if (header == nullptr) return nullptr;
    linkHead(number, header);
    return header + 1;
}

void* ctyPoolRealloc(int number, void* block, std::size_t size)
{
    if (block == nullptr) return ctyPoolAlloc(number, size);
    number = resolve(number);
    if (number <= 0) return std::realloc(block, size);
    if (!usablePool(number) || size > SIZE_MAX - sizeof(PoolHeader)) return nullptr;
    PoolHeader* header = headerOf(block);
    if (!unlink(number, header)) return nullptr;
    auto* grown = static_cast<PoolHeader*>(std::realloc(header, size + sizeof(PoolHeader)));
    // A failed resize keeps the old block valid, so it goes back into its list.
    linkHead(number, grown != nullptr ? grown : header);
    return grown != nullptr ? grown + 1 : nullptr;
}

void ctyPoolFree(int number, void* block)
{
    if (block == nullptr) return;
    number = resolve(number);
    if (number <= 0) {
        std::free(block);
        return;
    }
    if (!usablePool(number) || !unlink(number, headerOf(block))) return;
    std::free(headerOf(block));
}

void ctyPoolTransfer(int to, int from, void* block)
{
    to = resolve(to);
    from = resolve(from);
    if (block == nullptr || from <= 0 || from == to || !usablePool(from) || !usablePool(to) ||
        poolTable[from] == nullptr)
        return;
    if (unlink(from, headerOf(block))) linkHead(to, headerOf(block));
}

std::size_t ctyBlockSize(void* block)
{
    if (block == nullptr) return 0;
    return currentPool > 0 ? malloc_usable_size(headerOf(block)) : malloc_usable_size(block);
}

void ctyPoolShutdown()
{
    std::free(poolTable);
    poolTable = nullptr;
    poolCount.store(0, std::memory_order_relaxed);
}

int ctyPostError(std::uint32_t context, std::uint8_t level, std::int32_t code, const char* detail,
                 const char* message, std::uint32_t extra1, std::uint32_t extra2,
                 std::int32_t extra3)
{
    if (ctyError.quiet > 0) return code;
    ctyError.context = context;
    ctyError.level = level;
    ctyError.code = code;
    ctyError.detail = detail;
    ctyError.message = message;
    ctyError.extra1 = extra1;
    ctyError.extra2 = extra2;
    ctyError.extra3 = extra3;
    ctyError.quiet = 0;
    if ((ctyError.options & 1) == 0 && ctyError.handler != nullptr) {
        ctyError.handler();
    } else if ((ctyError.options & 2) == 0 && ctyError.recovery != nullptr) {
        std::longjmp(ctyError.recovery->jump, code);
    }
    return ctyError.answer != 0 ? ctyError.answer : code;
}

int ctySetError(std::int32_t code, const char* detail)
{
    if (code == 0) return 0;
    return ctyCheckAnswer(ctyPostError(0, 0, code, detail, nullptr, 0, 0, -1));
}

int ctyErrorf(std::uint8_t level, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    ctyFormatToBuffer(nullptr, format, &args);
    va_end(args);
    return ctyCheckAnswer(ctyPostError(0, level, ctyCodeMessage, nullptr, ctyMessageBuffer(), 0, 0, -1));
}

int ctyCheckAnswer(int answer) noexcept
{
    if (answer == ctyStopAnswer && talvo::debuggerPresent()) talvo::debugBreak();
    return answer;
}
