// Truevision TGA decoder: types 1, 2, 3, 9, 10 at depths 8, 16, 24, 32, read whole at open.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <memory>

#include "img/image_decoder.h"

namespace talvo::g {

namespace detail {
// Picture blocks come from malloc: no constructor runs over bytes the reader writes anyway.
struct FreeBytes {
    void operator()(std::uint8_t* p) const noexcept { std::free(p); }
};
}  // namespace detail

class TgaDecoder : public ImageDecoderI {
public:
    TgaDecoder() noexcept = default;
    ~TgaDecoder() override;

    // Reads header and pixels; on any failure the decoder keeps what it held before. Raises
    // talvo::Exception for an unknown image type, a depth other than 8, 16, 24, 32, a picture above
    // 2^28 pixels, and a stream lacking more than maxMissingPictureBytes of the stored pixels (run-length
    // types: beyond the most their packets could give); stream failures pass on as the
    // stream's mask decides. Bytes that fail to arrive without an exception read as 0, except in a cut
    // raw packet: there a pixel's missing bytes keep the packet's previous pixel's, as a reader taking
    // one byte per call leaves them.
    void open(io::IStream& in) override;
    void close() noexcept override;
    void info(ImageInfo& info) const override;
    void decode(const Rect& s, Image& d, const Rect& t, ResampleMode mode) override;

protected:
    void openAndRead(io::IStream& in, ImageRow& d) override;

private:
    struct Header {
        std::uint32_t type = 0;
        std::uint32_t depth = 0;
        std::int32_t width = 0;
        std::int32_t height = 0;
        PelFmt format;
        [[nodiscard]] std::size_t pixels() const noexcept {
            return static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
        }
    };
    static Header readHeader(io::IStream& in);
    static void readPixels(io::IStream& in, const Header& header, std::uint8_t* block);
    // Reads the pixels into a new block (widened from 16 bits) and takes the picture.
    void readBlock(io::IStream& in, Header& header);
    void readInto(io::IStream& in, ImageRow& d);

    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
    PelFmt format_;
    std::uint32_t rowBytes_ = 0;
    std::uint32_t bytesPerPixel_ = 0;
    std::unique_ptr<std::uint8_t[], detail::FreeBytes> pixels_;  // height x row bytes, the bottom row first
};

}  // namespace talvo::g
