// A ceiling on the blocks operator new hands out, for tests that a file asking for a huge block fails
// with the module's own error: alloc_cap.cpp replaces the global operator new and delete of the test
// program it is linked into (works with and without the sanitizers, unlike an address-space limit).
#pragma once

#include <cstddef>

namespace testsupport {

// While one lives, operator new refuses every block above the ceiling: std::bad_alloc, or null from
// the nothrow forms. One at a time.
class AllocCap {
public:
    explicit AllocCap(std::size_t ceiling) noexcept;
    AllocCap(const AllocCap&) = delete;
    AllocCap& operator=(const AllocCap&) = delete;
    ~AllocCap();

    // The largest block asked for since the cap began, refused or not.
    [[nodiscard]] std::size_t largest() const noexcept;
};

}  // namespace testsupport
