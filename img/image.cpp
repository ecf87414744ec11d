// Image operations common to every kind of image: locks, colour key, pixel reads, bounds, create.
#include "img/image.h"

#include <algorithm>
#include <array>
#include <cstddef>

namespace talvo::g {

namespace {

// Bytes and compared bits of opaqueBounds by format; bytes 0 for formats it does not handle. The
// formats with a layout compare its key bits, the others every bit.
struct KeyCompare {
    std::uint32_t bytes;
    std::uint32_t mask;
};

constexpr auto keyCompares = [] {
    std::array<KeyCompare, pelFmtCount> t{};
    for (PelFmtId id = fmtId::rgb888; id < pelFmtCount; ++id) {
        const std::uint32_t bytes = pelFmtBytes[id];
        t[id] = {bytes, id <= fmtId::rgba4444 ? pelLayouts[id].keyMask() : ~0u >> (32 - 8 * bytes)};
    }
    return t;
}();

// Widens `found` by the first and last pixel of each row that differs from the key in `mask`.
template <std::uint32_t Bytes>
void scanOpaque(const Image::Lock& lock, std::int32_t width, std::int32_t height, std::uint32_t key,
                std::uint32_t mask, Rect& found, bool& any) {
    key &= mask;
    const std::uint8_t* row = lock.bits;
    for (std::int32_t y = 0; y < height; ++y, row += lock.pitch) {
        std::int32_t first = 0;
        while (first < width && (loadPixelValue<Bytes>(row + std::ptrdiff_t{first} * Bytes) & mask) == key) ++first;
        if (first == width) continue;
        std::int32_t last = width - 1;
        while ((loadPixelValue<Bytes>(row + std::ptrdiff_t{last} * Bytes) & mask) == key) --last;
        if (!any) found = {first, y, last + 1, y + 1};
        found.x0 = std::min(found.x0, first);
        found.x1 = std::max(found.x1, last + 1);
        found.y1 = y + 1;
        any = true;
    }
}

}  // namespace

Image::Lock::Lock(Image& image, const Rect* rect, std::uint32_t mode) : image(&image), rect{}, mode(mode) {
    image.lock(*this, rect, mode);
}

Image::Lock::~Lock() {
    if (bits != nullptr) image->unlock(*this);
}

void Image::setColorKey(std::uint32_t pixel) {
    keyFlag_ = 1;
    keyPixel_ = pixel;
    keyRgbx_ = format_.toFormat(pixel, fmtId::rgbx8888);
}

void Image::clearColorKey() { keyFlag_ = 0; }

std::uint32_t Image::getPixel(std::int32_t x, std::int32_t y) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
    const Rect one{x, y, x + 1, y + 1};
    const Lock lock(*this, &one, lockRead);
    if (lock.bits == nullptr) return 0;
    const PelFmtId id = format_.id();
    if (id == fmtId::other8) return lock.bits[0];
    // The value as stored, Rgbx8888 without its x byte.
    return withPixelFormat(id, std::uint32_t{0}, [&]<PelFmtId Id>() {
        const std::uint32_t value = loadPixelValue<Pixel<Id>::bytes>(lock.bits);
        return Id == fmtId::rgbx8888 ? value & ~Pixel<Id>::layout.xMask() : value;
    });
}

void Image::bounds(Rect& rect) const { rect = {0, 0, width_, height_}; }

void Image::opaqueBounds(Rect& rect) {
    const PelFmtId id = format_.id();
    if (id >= pelFmtCount || keyCompares[id].bytes == 0) return;
    rect = {};
    if (width_ <= 0 || height_ <= 0) return;
    const Lock lock(*this, nullptr, lockRead);
    if (lock.bits == nullptr) return;
    const KeyCompare compare = keyCompares[id];
    Rect found;
    bool any = false;
    switch (compare.bytes) {
        case 1: scanOpaque<1>(lock, width_, height_, keyPixel_, compare.mask, found, any); break;
        case 2: scanOpaque<2>(lock, width_, height_, keyPixel_, compare.mask, found, any); break;
        case 3: scanOpaque<3>(lock, width_, height_, keyPixel_, compare.mask, found, any); break;
        default: scanOpaque<4>(lock, width_, height_, keyPixel_, compare.mask, found, any); break;
    }
    if (any) rect = found;
}

void Image::setColorKeyRgb(std::uint32_t rgba) {
    setColorKey(format_.fromRgb(Rgba8888::fromValue(rgba)));
    keyRgbx_ = rgba;
}

void Image::create(std::int32_t width, std::int32_t height, const PelFmt& format) {
    PelFmt copy(format);  // before anything changes; also keeps a format assigned to itself
    replacePixels(width, height, copy);
    if (clipFlag_ != 0) clipRect_ = {0, 0, width, height};
}

void Image::setClipRect(const Rect& rect) noexcept {
    clipFlag_ = 1;
    clipRect_ = rect;
}

}  // namespace talvo::g
