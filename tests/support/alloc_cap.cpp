// The replaced global operator new and delete behind AllocCap: malloc and free, with the ceiling.
#include "tests/support/alloc_cap.h"

#include <atomic>
#include <cstdlib>
#include <limits>
#include <new>

namespace {

std::atomic<std::size_t> ceiling{std::numeric_limits<std::size_t>::max()};
std::atomic<std::size_t> largestAsked{0};
// The blocks this thread is still granted before its refusal; negative while none is armed.
thread_local constinit long long grantsLeft = -1;
thread_local constinit bool refusalCame = false;

void* take(std::size_t size) noexcept {
    std::size_t seen = largestAsked.load(std::memory_order_relaxed);
    while (size > seen && !largestAsked.compare_exchange_weak(seen, size, std::memory_order_relaxed)) {
    }
    if (size > ceiling.load(std::memory_order_relaxed)) return nullptr;
    if (grantsLeft == 0) {
        grantsLeft = -1;
        refusalCame = true;
        return nullptr;
    }
    if (grantsLeft > 0) --grantsLeft;
    return std::malloc(size == 0 ? 1 : size);
}

void* takeOrThrow(std::size_t size) {
    void* block = take(size);
    if (block == nullptr) throw std::bad_alloc();
    return block;
}

}  // namespace

namespace testsupport {

AllocCap::AllocCap(std::size_t bytes) noexcept {
    largestAsked.store(0);
    ceiling.store(bytes);
}

AllocCap::~AllocCap() { ceiling.store(std::numeric_limits<std::size_t>::max()); }

std::size_t AllocCap::largest() const noexcept { return largestAsked.load(); }

AllocRefusal::AllocRefusal(std::size_t granted) noexcept {
    refusalCame = false;
    grantsLeft = static_cast<long long>(granted);
}

AllocRefusal::~AllocRefusal() { grantsLeft = -1; }

bool AllocRefusal::refused() const noexcept { return refusalCame; }

}  // namespace testsupport

// The aligned forms stay the runtime's: they pair with its own aligned delete.
void* operator new(std::size_t size) { return takeOrThrow(size); }
void* operator new[](std::size_t size) { return takeOrThrow(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return take(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return take(size); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { std::free(block); }
