// Image::resize and Image::resample: the copies and locks around the resampling dispatchers.
#include <cstddef>
#include <cstring>

#include "img/image_row.h"
#include "img/resample.h"

namespace talvo::g {

namespace {

// ---- Stand-in for Image::fill and Image::blit, same format only, until the drawing operations land ----

// The bits a key compares: colour and alpha of formats 1 to 8, the whole value of the others.
std::uint32_t keyCompareMask(PelFmtId id) {
    if (id >= 1 && id <= 8) return pelLayouts[id].keyMask();
    const std::uint32_t bytes = pelBytes(id);
    return bytes >= 4 ? ~0u : (1u << (8 * bytes)) - 1u;
}

std::uint32_t loadValue(const std::uint8_t* p, std::uint32_t bytes) {
    std::uint32_t v = 0;
    for (std::uint32_t k = 0; k < bytes; ++k) v |= std::uint32_t{p[k]} << (8 * k);
    return v;
}

void storeValue(std::uint8_t* p, std::uint32_t bytes, std::uint32_t v) {
    for (std::uint32_t k = 0; k < bytes; ++k) p[k] = static_cast<std::uint8_t>(v >> (8 * k));
}

void fillWhole(Image& image, std::uint32_t pixel) {
    const Image::Lock lock(image, nullptr, Image::lockWrite);
    const std::uint32_t bytes = pelBytes(image.format().id());
    if (lock.bits == nullptr) return;
    for (std::int32_t y = 0; y < image.height(); ++y) {
        std::uint8_t* row = lock.bits + std::ptrdiff_t{y} * lock.pitch;
        for (std::int32_t x = 0; x < image.width(); ++x) storeValue(row + std::ptrdiff_t{x} * bytes, bytes, pixel);
    }
}

// Source and target have one size and format; source pixels equal to its key are skipped.
void copyWhole(Image& target, const Image& source) {
    const Image::Lock to(target, nullptr, Image::lockReadWrite);
    const Image::Lock from(const_cast<Image&>(source), nullptr, Image::lockRead);
    if (to.bits == nullptr || from.bits == nullptr) return;
    const std::uint32_t bytes = pelBytes(source.format().id());
    const std::uint32_t mask = keyCompareMask(source.format().id());
    const bool keyed = source.hasColorKey();
    for (std::int32_t y = 0; y < source.height(); ++y) {
        std::uint8_t* out = to.bits + std::ptrdiff_t{y} * to.pitch;
        const std::uint8_t* in = from.bits + std::ptrdiff_t{y} * from.pitch;
        for (std::int32_t x = 0; x < source.width(); ++x, out += bytes, in += bytes)
            if (!keyed || ((loadValue(in, bytes) ^ source.keyPixel()) & mask) != 0) std::memcpy(out, in, bytes);
    }
}

// ---- end of the stand-in ----

// Target (already created at source's size and format) becomes a copy of source; a keyed source's key
// pixels come out as the key pixel itself, and the copy takes the key.
void copyImage(Image& target, const Image& source) {
    if (source.hasColorKey()) {
        fillWhole(target, source.keyPixel());
        target.setColorKey(source.keyPixel());
    }
    copyWhole(target, source);
}

}  // namespace

void Image::resize(std::int32_t width, std::int32_t height, ResampleMode mode) {
    if (width == width_ && height == height_) return;
    resample(*this, width, height, mode);
}

void Image::resample(const Image& source, std::int32_t width, std::int32_t height, ResampleMode mode) {
    if (source.width() == width && source.height() == height) {
        if (&source == this) return;
        create(width, height, source.format());
        copyImage(*this, source);
        return;
    }
    // In place, the pixels are sampled from a copy taken before create replaces them.
    ImageRow copy;
    const Image* sampled = &source;
    if (&source == this) {
        copy.create(width_, height_, format_);
        copyImage(copy, *this);
        sampled = &copy;
    }
    create(width, height, sampled->format());
    Lock target(*this, nullptr, lockWrite);
    const Lock from(const_cast<Image&>(*sampled), nullptr, lockRead);
    if (sampled->hasColorKey())
        resampleKeyed(width, height, mode, target, from, sampled->keyPixel(), format_, *sampled);
    else
        resamplePlain(width, height, mode, target, from, sampled->keyPixel(), format_, *sampled);
    // The target is unlocked before the source.
    if (target.bits != nullptr) {
        unlock(target);
        target.bits = nullptr;
    }
}

}  // namespace talvo::g
