// Image::resize and Image::resample: the copies and locks around the resampling dispatchers.
#include "img/image_row.h"
#include "img/resample.h"

namespace talvo::g {

namespace {

// Target (already created at source's size and format) becomes a copy of source; a keyed source's key
// pixels come out as the key pixel itself, and the copy takes the key.
void copyImage(Image& target, const Image& source) {
    if (source.hasColorKey()) {
        target.fill(source.keyPixel());
        target.setColorKey(source.keyPixel());
    }
    // blit only reads its source.
    target.blit(0, 0, const_cast<Image&>(source));
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
