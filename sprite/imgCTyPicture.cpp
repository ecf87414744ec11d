// TGA and JPEG pictures through the graphics core's decoders, copied into the image's own pixels;
// a JPEG picture decodes straight into the block a plain image then takes as its own. A block the
// library's hooks refuse is posted (-2) and the image keeps its picture: the new block is asked for
// once, while the old one lives.
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

namespace {

// The picture's rows into rows of toPitch bytes: at most what both hold, nothing without either.
void copyRows(std::uint8_t* to, std::int64_t toPitch, std::int64_t toRow, std::int64_t toRows,
              const talvo::g::Image::Lock& from, std::int64_t fromRow, std::int64_t fromRows)
{
    if (to == nullptr || from.bits == nullptr) return;
    if (toPitch == toRow && from.pitch == fromRow) {
        // Both keep their rows back to back: one block.
        std::memcpy(to, from.bits, static_cast<std::size_t>(std::min(toRow * toRows, fromRow * fromRows)));
        return;
    }
    const auto rowBytes = static_cast<std::size_t>(std::min(toRow, fromRow));
    for (std::int64_t r = 0; r < std::min(toRows, fromRows); ++r)
        std::memcpy(to + r * toPitch, from.bits + r * from.pitch, rowBytes);
}

// A row image's pixels and format, out of reach of its Create: a subclass's own Create asks for the
// new block while the old one lives. The old pixels are let go once the new ones are there, and come
// back otherwise (also when Create throws).
class HeldPixels {
public:
    explicit HeldPixels(imgRowCTy& image) noexcept
        : image_(image), width_(image.width), height_(image.height), fmt_(image.pelFmt.kind, image.pelFmt.palette),
          keyPel_(image.colorKeyPel), pels_(image.pels), lockedPels_(image.lockedPels), pitch_(image.pitch),
          ownsPels_(image.ownsPels), inPlace_(image.dataInPlace)
    {
        fmt_.ownsPalette = std::exchange(image.pelFmt.ownsPalette, 0);
        fmt_.paletteNotStored = image.pelFmt.paletteNotStored;
        image.ownsPels = 0;
    }
    HeldPixels(const HeldPixels&) = delete;
    HeldPixels& operator=(const HeldPixels&) = delete;
    ~HeldPixels()
    {
        if (!done_) giveBack();
    }

    // What a Create of its own kept stays the image's.
    void letGo() noexcept
    {
        if (image_.pels == pels_)
            image_.ownsPels = ownsPels_;
        else if (ownsPels_ != 0 && inPlace_ == 0)
            ctyFree(pels_);
        if (image_.pelFmt.palette == fmt_.palette) image_.pelFmt.ownsPalette = std::exchange(fmt_.ownsPalette, 0);
        done_ = true;
    }

    // The image as it was; what Create left in its place is dropped.
    void giveBack() noexcept
    {
        if (image_.ownsPels != 0 && image_.dataInPlace == 0) ctyFree(image_.pels);
        image_.width = width_;
        image_.height = height_;
        image_.pelFmt = imgPelFmt();
        std::swap(image_.pelFmt.kind, fmt_.kind);
        std::swap(image_.pelFmt.palette, fmt_.palette);
        std::swap(image_.pelFmt.ownsPalette, fmt_.ownsPalette);
        image_.pelFmt.paletteNotStored = fmt_.paletteNotStored;
        image_.colorKeyPel = keyPel_;
        image_.pels = pels_;
        image_.lockedPels = lockedPels_;
        image_.pitch = pitch_;
        image_.ownsPels = ownsPels_;
        image_.dataInPlace = inPlace_;
        done_ = true;
    }

private:
    imgRowCTy& image_;
    std::int32_t width_, height_;
    imgPelFmt fmt_;  // owns the old palette until it is given back
    std::uint32_t keyPel_;
    std::uint8_t* pels_;
    std::uint8_t* lockedPels_;
    std::int32_t pitch_;
    std::uint8_t ownsPels_;
    std::uint32_t inPlace_;
    bool done_ = false;
};

// Posts are dropped while it lives (the caller's own setting comes back after).
class PostsHeld {
public:
    PostsHeld() noexcept
    {
        if (saved_ < 1) ctyError.quiet = 1;
    }
    PostsHeld(const PostsHeld&) = delete;
    PostsHeld& operator=(const PostsHeld&) = delete;
    ~PostsHeld() { ctyError.quiet = saved_; }

private:
    std::int8_t saved_ = ctyError.quiet;
};

// True when the library's hooks refuse a row image's new block; the image is then as it was, and
// the caller posts -2 once the picture is let go, since a post may jump out of the load.
[[nodiscard]] bool takePicture(imgCTy& image, talvo::g::ImageRow& picture)
{
    const talvo::g::PelFmtId id = picture.format().id();
    const int kind = pelKindOfImg(id);
    if (kind < 0) {
        ctyErrorf(4, "imgCTy: a picture of pixel format %u has no kind here", id);
        return false;
    }
    talvo::g::Image::Lock source(picture, nullptr, talvo::g::Image::lockRead);
    const std::int64_t pictureRow = std::int64_t{picture.width()} * talvo::g::pelBytes(id);
    const imgPelFmt fmt(kind, nullptr);
    auto* row = dynamic_cast<imgRowCTy*>(&image);
    const std::int64_t bytes = imgCTy::PelBlockBytes(picture.width(), picture.height(), kind);
    if (row != nullptr && bytes >= 0 && typeid(image) == typeid(imgRowCTy)) {
        // The block is asked for once, while the old pixels live, and becomes the image's own.
        auto* block = static_cast<std::uint8_t*>(ctyHooks.alloc(bytes == 0 ? 1 : static_cast<std::size_t>(bytes)));
        if (block == nullptr) return true;
        const std::int64_t blockRow = std::int64_t{picture.width()} * imgPelBytes(kind);
        copyRows(block, blockRow, blockRow, picture.height(), source, pictureRow, picture.height());
        imgRowTakeBlock(*row, picture.width(), picture.height(), fmt, block);
        imgScopedLock lock(image, nullptr, 0);  // leaves the lock record as the copy does
        return false;
    }
    if (row != nullptr && bytes >= 0) {
        // A subclass's own Create is quiet while the load holds the picture (a post may jump out of
        // it): a block it could not have is the one failure a valid size meets, and the caller posts it.
        HeldPixels old(*row);
        {
            const PostsHeld held;
            image.Create(picture.width(), picture.height(), &fmt);
        }
        if (row->pels == nullptr) {
            old.giveBack();
            return true;
        }
        old.letGo();
    } else {
        image.Create(picture.width(), picture.height(), &fmt);
    }
    imgScopedLock lock(image, nullptr, 0);
    const std::int64_t imageRow = std::int64_t{image.lockRect.width} * imgPelBytes(image.pelFmt.kind);
    const std::int64_t imagePitch = std::int64_t{image.lockPitch} * imgPelBytes(image.pelFmt.kind);
    if (image.lockedPels != nullptr)
        copyRows(image.lockedPels, imagePitch, imageRow, image.lockRect.height, source, pictureRow, picture.height());
    return false;
}

}  // namespace

void imgTakePicture(imgCTy& image, talvo::g::ImageRow& picture)
{
    if (takePicture(image, picture)) ctySetError(ctyCodeOutOfMemory);
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
    bool refused = false;
    {
        Decoder decoder;
        talvo::g::ImageRow picture;
        decoder.loadByName(name, picture);
        refused = takePicture(image, picture);
    }
    // Posted with nothing of the load left alive, since a post may jump out of this call.
    if (refused) ctySetError(ctyCodeOutOfMemory);
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
    bool refused = false;
    bool cut = false;
    {
        talvo::g::TgaDecoder decoder;
        talvo::g::ImageRow picture;
        decoder.load(in, picture);
        // Without exceptions a cut file still decodes, its missing bytes zero; only the stream's
        // fail bit tells, and the caller hears it as from a cut BMP.
        cut = in.fail();
        refused = takePicture(*this, picture);
    }
    if (refused) ctySetError(ctyCodeOutOfMemory);
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
