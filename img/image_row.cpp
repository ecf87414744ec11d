// ImageRow: the checked size of a pixel store, owned and wrapped pixels, locks.
#include "img/image_row.h"

#include <cstddef>
#include <cstring>
#include <limits>
#include <memory>

#include "talvo/throw_report.h"

namespace talvo::g {

namespace {

struct StoreSize {
    std::int32_t pitch;
    std::size_t bytes;
};

[[noreturn]] void refuse(const char* function, const char* text) {
    reportAndThrow(TALVO_SOURCE_LOCATION(function), Exception(text));
}

// The one size check of every owned pixel store, in 64 bits. Negative sizes and unknown formats are
// errors in any case; the pitch must fit the signed 32-bit field that locks hand out.
StoreSize storeSize(const char* function, std::int32_t width, std::int32_t height, PelFmtId id) {
    if (width < 0 || height < 0) refuse(function, "talvo::g::ImageRow: negative image size");
    if (id >= pelFmtCount) refuse(function, "talvo::g::ImageRow: unknown pixel format");
    const std::int64_t pitch = std::int64_t{pelFmtBytes[id]} * width;
    if (pitch > std::numeric_limits<std::int32_t>::max())
        refuse(function, "talvo::g::ImageRow: row of more than 2^31 - 1 bytes");
    return {static_cast<std::int32_t>(pitch), static_cast<std::size_t>(pitch * height)};
}

}  // namespace

ImageRow::ImageRow(std::int32_t width, std::int32_t height, const PelFmt& format, void* pixels,
                   std::int32_t pitch) {
    if (width < 0 || height < 0) refuse("talvo::g::ImageRow::ImageRow", "talvo::g::ImageRow: negative image size");
    format_ = format;
    width_ = width;
    height_ = height;
    pixels_ = static_cast<std::uint8_t*>(pixels);
    pitch_ = pitch;
}

ImageRow::~ImageRow() { ImageRow::release(); }

std::unique_ptr<Image> ImageRow::clone() {
    auto copy = std::make_unique<ImageRow>();
    copy->create(width_, height_, format_);
    // The copy writes every pixel only from an unkeyed source that has pixels and a copy into itself.
    const PelFmtId id = format_.id();
    const bool copied = format_.palette() != nullptr ? id == fmtId::other8 : id >= fmtId::rgb888 && id <= fmtId::other8;
    if (hasColorKey() || pixels_ == nullptr || !copied)
        std::memset(copy->pixels_, 0, std::size_t(copy->pitch_) * static_cast<std::size_t>(height_));
    copy->blit(0, 0, *this);
    return copy;
}

void ImageRow::allocate() {
    const StoreSize size = storeSize("talvo::g::ImageRow::allocate", width_, height_, format_.id());
    auto block = std::make_unique_for_overwrite<std::uint8_t[]>(size.bytes);
    // Owned pixels still held would leak; foreign memory is never ours to free.
    if (owns_ != 0) delete[] pixels_;
    pixels_ = block.release();
    pitch_ = size.pitch;
    owns_ = 1;
}

void ImageRow::release() {
    if (owns_ != 0) delete[] pixels_;
    pixels_ = nullptr;
    keyFlag_ = 0;
}

void ImageRow::lock(Lock& lock, const Rect* rect, std::uint32_t) {
    lock.rect = rect != nullptr ? *rect : Rect{0, 0, width_, height_};
    lock.pitch = pitch_;
    lock.bits = pixels_ == nullptr
                    ? nullptr
                    : pixels_ + (std::ptrdiff_t{lock.rect.y0} * pitch_ +
                                 std::ptrdiff_t{lock.rect.x0} * pelBytes(format_.id()));
}

void ImageRow::unlock(Lock&) {}

void ImageRow::replacePixels(std::int32_t width, std::int32_t height, PelFmt& format) {
    const StoreSize size = storeSize("talvo::g::Image::create", width, height, format.id());
    auto block = std::make_unique_for_overwrite<std::uint8_t[]>(size.bytes);
    release();
    width_ = width;
    height_ = height;
    format_.swap(format);
    pixels_ = block.release();
    pitch_ = size.pitch;
    owns_ = 1;
}

}  // namespace talvo::g
