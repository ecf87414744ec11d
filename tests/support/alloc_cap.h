// A ceiling on the blocks operator new hands out, for tests that a file asking for a huge block fails
// with the module's own error, and one refusal at a counted block, for tests that any allocation of a
// call may fail (a map node as well as a picture): alloc_cap.cpp replaces the global operator new
// and delete of the test program it is linked into (works with and without the sanitizers, unlike an
// address-space limit).
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

// While one lives, the thread that made it is granted `granted` more blocks and then refused one
// (std::bad_alloc, or null from the nothrow forms), whatever its size; later ones are granted again.
// Other threads are not counted. One at a time on a thread.
class AllocRefusal {
public:
    explicit AllocRefusal(std::size_t granted) noexcept;
    AllocRefusal(const AllocRefusal&) = delete;
    AllocRefusal& operator=(const AllocRefusal&) = delete;
    ~AllocRefusal();

    // Whether the refusal came: a sweep over `granted` ends at the first count it does not reach.
    [[nodiscard]] bool refused() const noexcept;
};

}  // namespace testsupport
