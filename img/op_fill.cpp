// Fill: the one-image dispatch and the row writers by pixel size.
#include <algorithm>
#include <cstring>

#include "img/clip.h"
#include "img/image.h"
#include "img/op_dispatch.h"

namespace talvo::g {

namespace {

// 48 bytes hold a whole number of pixels of 2, 3 and 4 bytes, so rows are written in block copies.
constexpr std::size_t blockBytes = 48;

template <std::uint32_t B>
void fillRect(Image& image, const Rect* rect, std::uint32_t colour) {
    const Rect area = settleArea(image, rect);
    if (area.empty()) return;
    Image::Lock lock(image, &area, Image::lockReadWrite);
    if (lock.bits == nullptr) return;
    std::uint8_t block[blockBytes];
    for (std::size_t i = 0; i < blockBytes; i += B) storePixelValue<B>(block + i, colour);
    std::size_t rowBytes = std::size_t{B} * static_cast<std::size_t>(area.width());
    std::int32_t rows = area.height();
    if (lock.pitch > 0 && static_cast<std::size_t>(lock.pitch) == rowBytes) {  // back to back: one run
        rowBytes *= static_cast<std::size_t>(rows);
        rows = 1;
    }
    std::uint8_t* row = lock.bits;
    for (std::int32_t y = 0; y < rows; ++y, row += lock.pitch) {
        std::uint8_t* p = row;
        std::size_t left = rowBytes;
        for (; left >= blockBytes; left -= blockBytes, p += blockBytes) std::memcpy(p, block, blockBytes);
        std::memcpy(p, block, left);
    }
}

// The row writers by pixel size.
constexpr auto& fillRect16 = fillRect<2>;
constexpr auto& fillRect24 = fillRect<3>;
constexpr auto& fillRect32 = fillRect<4>;

struct WriteFill {
    template <std::uint32_t B>
    void operator()(const UOpFillStd& op) const {
        writerFor<B>(fillRect16, fillRect24, fillRect32)(*op.dst, op.rect, op.colour);
    }
};

template <class F>
using UOpFillStdImplementation = OneImageWorker<UOpFillStd, WriteFill>;

}  // namespace

TALVO_G_FIRST_DISPATCH(UOpFillStd, UOpFillStdImplementation, dst)

}  // namespace talvo::g
