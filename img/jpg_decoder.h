// JPEG decoder over the system libjpeg: B, G, R scanlines into Rgb888 pictures, one pass per decode.
#pragma once

#include <cstdint>
#include <memory>

#include "img/image_decoder.h"

namespace talvo::g {

class JpgCodec;

class JpgDecoder : public ImageDecoderI {
public:
    JpgDecoder() noexcept;
    ~JpgDecoder() override;

    // Creates the decompressor and reads the header. libjpeg's errors and warnings raise
    // talvo::Exception with libjpeg's text; stream failures pass on as the stream's mask decides;
    // a picture above 2^28 pixels is refused.
    void open(io::IStream& in) override;
    // Destroys the decompressor and frees what decode kept.
    void close() noexcept override;
    void info(ImageInfo& info) const override;
    // One full decompression pass, every scanline read. A later decode, also after a failed one,
    // seeks the stream back to where open found it and starts over.
    void decode(const Rect& s, Image& d, const Rect& t, ResampleMode mode) override;

private:
    // Reads every scanline, copying rows s.y0 to s.y1 - 1, columns s.x0 to s.x1 - 1, to bits + k x pitch
    // (nothing when bits is null).
    void readScanlines(const Rect& s, std::uint8_t* bits, std::int32_t pitch);

    io::IStream* stream_ = nullptr;
    std::uint32_t width_ = 0;
    std::uint32_t height_ = 0;
    PelFmt format_;
    std::uint32_t rowBytes_ = 0;
    std::uint32_t bytesPerPixel_ = 0;
    std::uint8_t headerReady_ = 0;  // header read and no pass run since
    std::int64_t start_ = -1;       // stream position of the picture's first byte
    std::unique_ptr<JpgCodec> codec_;
};

}  // namespace talvo::g
