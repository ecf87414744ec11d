// The format record's palette ownership and its value-level conversions.
#include "img/pel_fmt.h"

#include <memory>
#include <utility>

#include "img/palette.h"

namespace talvo::g {

namespace {

std::unique_ptr<Palette> copyOf(const Palette* palette) {
    if (palette == nullptr) return nullptr;
    auto copy = std::make_unique<Palette>();
    copy->copy(*palette);
    return copy;
}

}  // namespace

PelFmt::PelFmt(const PelFmt& other) : id_(other.id_) {
    auto copy = copyOf(other.palette_);
    owns_ = copy ? 1 : 0;
    palette_ = copy.release();
}

PelFmt& PelFmt::operator=(const PelFmt& other) {
    if (&other == this) return *this;
    // Copy before freeing: the other record may borrow the very palette this one owns.
    PelFmt copy(other);
    swap(copy);
    return *this;
}

PelFmt::~PelFmt() {
    if (owns_ != 0) delete palette_;  // the palette's destructor frees its storage
}

void PelFmt::swap(PelFmt& other) noexcept {
    std::swap(id_, other.id_);
    std::swap(palette_, other.palette_);
    std::swap(owns_, other.owns_);
}

std::uint32_t PelFmt::toFormat(std::uint32_t value, PelFmtId target) const noexcept {
    if (palette_ != nullptr) return palette_->entryAs(value, target);
    return withPixelFormat(id_, std::uint32_t{0}, [&]<PelFmtId S>() {
        return convertPixelFrom(Pixel<S>::fromValue(value), target);
    });
}

std::uint32_t PelFmt::fromRgb(const Rgba8888& colour) const noexcept {
    if (palette_ != nullptr) return palette_->nearest(colour);
    return convertPixelFrom(colour, id_);
}

}  // namespace talvo::g
