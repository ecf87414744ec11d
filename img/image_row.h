// The one concrete image: its pixels in one block of rows, owned or wrapped.
#pragma once

#include <cstdint>
#include <memory>

#include "img/image.h"

namespace talvo::g {

class ImageRow : public Image {
public:
    // Empty: no pixels, nothing owned.
    ImageRow() noexcept = default;
    // Wraps foreign memory (pitch may be negative); the format's palette is copied. Raises
    // talvo::Exception for a negative size.
    ImageRow(std::int32_t width, std::int32_t height, const PelFmt& format, void* pixels, std::int32_t pitch);
    ~ImageRow() override;

    // Owned rows lie back to back: pitch = bytes per pixel x width. Owned pixels held before are
    // freed once the new block exists; the key is left alone.
    // Cleared first where the copy leaves pixels unwritten (a keyed source, formats without a copy).
    [[nodiscard]] std::unique_ptr<Image> clone() override;
    void allocate() override;
    void release() override;
    void lock(Lock& lock, const Rect* rect, std::uint32_t mode) override;
    void unlock(Lock& lock) override;

    [[nodiscard]] std::uint8_t* pixels() const noexcept { return pixels_; }
    [[nodiscard]] std::int32_t pitch() const noexcept { return pitch_; }
    [[nodiscard]] bool ownsPixels() const noexcept { return owns_ != 0; }

protected:
    void replacePixels(std::int32_t width, std::int32_t height, PelFmt& format) override;

private:
    std::uint8_t* pixels_ = nullptr;
    std::int32_t pitch_ = 0;
    std::uint8_t owns_ = 0;
};

}  // namespace talvo::g
