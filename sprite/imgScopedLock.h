// Scoped pixel access: locks an image, or works through the lock its caller already holds.
#pragma once

#include <cstdint>

#include "sprite/imgCTy.h"

class imgScopedLock {
public:
    // Locks at rect (null: the whole image) unless the image is locked already; then the
    // caller's lock is used as it stands and kept.
    imgScopedLock(imgCTy& image, const imgRect* rect, int access);
    imgScopedLock(const imgScopedLock&) = delete;
    imgScopedLock& operator=(const imgScopedLock&) = delete;
    // Ends the lock only when this object took it.
    ~imgScopedLock();

    // The first byte of count pixels from (x, y) on one row, or null when the lock does not
    // cover them all.
    [[nodiscard]] std::uint8_t* Span(int x, int y, int count) const noexcept;
    [[nodiscard]] bool Owned() const noexcept { return owned_; }

private:
    imgCTy& image_;
    bool owned_;
};
