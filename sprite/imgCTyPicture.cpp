// TGA and JPEG pictures through the graphics core's decoders, copied into the image's own pixels.
#include "sprite/imgCTyPicture.h"

#include <algorithm>
#include <cstring>

#include "img/image_decoder.h"
#include "img/jpg_decoder.h"
#include "img/tga_decoder.h"
#include "sprite/ctyRuntime.h"
#include "sprite/imgCTy.h"
#include "sprite/imgScopedLock.h"
#include "talvo/istream.h"

// At most what both hold is copied, and nothing when either lock fails.
void imgTakePicture(imgCTy& image, talvo::g::ImageRow& picture)
{
    const talvo::g::PelFmtId id = picture.format().id();
    const int kind = pelKindOfImg(id);
    if (kind < 0) {
        ctyErrorf(4, "imgCTy: a picture of pixel format %u has no kind here", id);
        return;
    }
    talvo::g::Image::Lock source(picture, nullptr, talvo::g::Image::lockRead);
    const imgPelFmt fmt(kind, nullptr);
    image.Create(picture.width(), picture.height(), &fmt);
    imgScopedLock lock(image, nullptr, 0);
    if (source.bits == nullptr || image.lockedPels == nullptr) return;
    const std::int64_t imageRow = std::int64_t{image.lockRect.width} * imgPelBytes(image.pelFmt.kind);
    const std::int64_t pictureRow = std::int64_t{picture.width()} * talvo::g::pelBytes(id);
    const std::int64_t rows = std::min<std::int64_t>(image.lockRect.height, picture.height());
    const std::int64_t imagePitch = std::int64_t{image.lockPitch} * imgPelBytes(image.pelFmt.kind);
    if (imagePitch == imageRow && source.pitch == pictureRow) {
        // Both keep their rows back to back: one block.
        const std::int64_t bytes = std::min(imageRow * image.lockRect.height, pictureRow * picture.height());
        std::memcpy(image.lockedPels, source.bits, static_cast<std::size_t>(bytes));
        return;
    }
    const auto rowBytes = static_cast<std::size_t>(std::min(imageRow, pictureRow));
    for (std::int64_t r = 0; r < rows; ++r)
        std::memcpy(image.lockedPels + r * imagePitch, source.bits + r * source.pitch, rowBytes);
}

namespace {

// A picture file opened by name through the decoder; a file that cannot be opened raises.
template <class Decoder>
void loadNamed(imgCTy& image, const char* name)
{
    if (name == nullptr) {
        ctySetError(ctyCodeOpenFailed, name);
        return;
    }
    Decoder decoder;
    talvo::g::ImageRow picture;
    decoder.loadByName(name, picture);
    imgTakePicture(image, picture);
}

}  // namespace

void imgCTy::LoadTga(const char* name) { loadNamed<talvo::g::TgaDecoder>(*this, name); }

void imgCTy::ReadTga(talvo::io::IStream& in)
{
    talvo::g::TgaDecoder decoder;
    talvo::g::ImageRow picture;
    decoder.load(in, picture);
    // Without exceptions a cut file still decodes, its missing bytes zero; only the stream's
    // fail bit tells, and the caller hears it as from a cut BMP.
    const bool cut = in.fail();
    imgTakePicture(*this, picture);
    if (cut) ctySetError(ctyCodeNotAPicture, "");
}

void imgCTy::LoadJpg(const char* name) { loadNamed<talvo::g::JpgDecoder>(*this, name); }
