// TGA and JPEG pictures through the graphics core's decoders, copied into the image's own pixels;
// a JPEG picture decodes straight into the block a plain image then takes as its own. A block the
// library's hooks refuse is posted (-2) and the image keeps its picture.
#include "sprite/imgCTyPicture.h"

#include <algorithm>
#include <cstring>
#include <typeinfo>
#include <utility>

#include "img/image_decoder.h"
#include "img/jpg_decoder.h"
#include "img/tga_decoder.h"
#include "sprite/ctyRuntime.h"
#include "sprite/imgCTy.h"
#include "sprite/imgRowCTy.h"
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
    // A row image's Create drops its pixels before it asks for the new block; a block the hooks
    // refuse is posted as Create posts it, but the image keeps its picture.
    if (dynamic_cast<imgRowCTy*>(&image) != nullptr) {
        const std::int64_t bytes = imgCTy::PelBlockBytes(picture.width(), picture.height(), kind);
        void* probe = bytes < 0 ? nullptr : ctyHooks.alloc(bytes == 0 ? 1 : static_cast<std::size_t>(bytes));
        if (bytes >= 0 && probe == nullptr) {
            ctySetError(ctyCodeOutOfMemory);
            return;
        }
        ctyFree(probe);
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

// Thrown where the library's hooks refuse the picture's block: the load posts it once the decoder is gone.
struct BlockRefused {};

// A picture whose pixels lie as an imgRowCTy's would (rows back to back, from the library's
// allocation hooks), so a plain image can take the block instead of a copy: the decoder writes it
// through the lock. A picture no image kind holds keeps the graphics core's own pixels.
class RowBlockPicture : public talvo::g::ImageRow {
public:
    RowBlockPicture() = default;
    ~RowBlockPicture() override { ctyFree(block_); }

    void lock(Lock& lock, const talvo::g::Rect* rect, std::uint32_t mode) override
    {
        if (block_ == nullptr) {
            ImageRow::lock(lock, rect, mode);
            return;
        }
        lock.rect = rect != nullptr ? *rect : talvo::g::Rect{0, 0, width_, height_};
        lock.pitch = rowBytes_;
        lock.bits = block_ + std::ptrdiff_t{lock.rect.y0} * rowBytes_ +
                    std::ptrdiff_t{lock.rect.x0} * imgPelBytes(kind_);
    }

    [[nodiscard]] int kind() const noexcept { return block_ != nullptr ? kind_ : -1; }
    // The block for the image to own; the picture is left without it.
    [[nodiscard]] std::uint8_t* giveBlock() noexcept { return std::exchange(block_, nullptr); }

protected:
    // The hooks' refusal is no allocation failure of the decoder's: the image posts it, as its Create would.
    void replacePixels(std::int32_t width, std::int32_t height, talvo::g::PelFmt& format) override
    {
        const int kind = pelKindOfImg(format.id());
        const std::int64_t bytes = kind < 0 ? -1 : imgCTy::PelBlockBytes(width, height, kind);
        if (bytes < 0) {
            ImageRow::replacePixels(width, height, format);
            ctyFree(giveBlock());
            return;
        }
        auto* block = static_cast<std::uint8_t*>(ctyHooks.alloc(bytes == 0 ? 1 : static_cast<std::size_t>(bytes)));
        if (block == nullptr) throw BlockRefused{};
        release();
        ctyFree(std::exchange(block_, block));
        kind_ = kind;
        rowBytes_ = width * imgPelBytes(kind);
        width_ = width;
        height_ = height;
        format_.swap(format);
    }

private:
    std::uint8_t* block_ = nullptr;
    int kind_ = 0;
    std::int32_t rowBytes_ = 0;
};

// The plain image takes the decoded block, or a copy of a picture no image kind holds.
void takeDecoded(imgRowCTy& image, RowBlockPicture& picture)
{
    const int kind = picture.kind();
    if (kind < 0) {
        imgTakePicture(image, picture);
        return;
    }
    imgRowTakeBlock(image, picture.width(), picture.height(), imgPelFmt(kind, nullptr), picture.giveBlock());
    imgScopedLock lock(image, nullptr, 0);  // leaves the lock record as the copy does
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

void imgCTy::LoadJpg(const char* name)
{
    // An image that may create or lock otherwise gets a copy through its own calls.
    if (name == nullptr || typeid(*this) != typeid(imgRowCTy)) {
        loadNamed<talvo::g::JpgDecoder>(*this, name);
        return;
    }
    bool refused = false;
    {
        talvo::g::JpgDecoder decoder;
        RowBlockPicture picture;
        try {
            decoder.loadByName(name, picture);
        } catch (const BlockRefused&) {
            refused = true;
        }
        if (!refused) takeDecoded(static_cast<imgRowCTy&>(*this), picture);
    }
    // Posted with nothing of the load left alive, since a post may jump out of this call.
    if (refused) ctySetError(ctyCodeOutOfMemory);
}
