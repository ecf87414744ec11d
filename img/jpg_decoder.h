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
    // talvo::Exception with libjpeg's text (and the file's name when the stream reads a file), also
    // when the data runs out ("Premature end of JPEG file", "Empty input file") whatever the stream's
    // mask; other stream failures pass on as the mask decides; a picture above 2^28 pixels is refused.
    void open(io::IStream& in) override;
    // Destroys the decompressor and frees what decode kept.
    void close() noexcept override;
    void info(ImageInfo& info) const override;
    // One full decompression pass, every scanline read. A later decode, also after a failed one,
    // seeks the stream back to where open found it and starts over. Memory that runs out, for the
    // picture or for resampling it, raises talvo::Exception.
    void decode(const Rect& s, Image& d, const Rect& t, ResampleMode mode) override;

protected:
    // Creates d only once the pass has its first scanline, so a file without pixel data fails with
    // libjpeg's text and leaves d as it was; memory that runs out raises talvo::Exception.
    void openAndRead(io::IStream& in, ImageRow& d) override;

private:
    // Where the pass stands: one has run (or failed) since the last header, the header is read, or
    // the pass has started and its first scanline waits in the codec's row buffer.
    enum class Pass : std::uint8_t { spent, headerRead, firstRow };

    // Starts a pass, from the picture's start again when one has run, and reads its first scanline:
    // by then libjpeg has read the data of the first rows, for a progressive file all its scans.
    void startPass(const char* function);
    // decode's pass, the first scanline read already when openAndRead started it.
    void decodeRows(const Rect& s, Image& d, const Rect& t, ResampleMode mode);
    // Reads every scanline after the first, copying rows s.y0 to s.y1 - 1, columns s.x0 to s.x1 - 1,
    // the first one included, to bits + k x pitch (nothing when bits is null).
    void readScanlines(const Rect& s, std::uint8_t* bits, std::int32_t pitch);

    io::IStream* stream_ = nullptr;
    std::uint32_t width_ = 0;
    std::uint32_t height_ = 0;
    PelFmt format_;
    std::uint32_t rowBytes_ = 0;
    std::uint32_t bytesPerPixel_ = 0;
    Pass pass_ = Pass::spent;
    std::int64_t start_ = -1;  // stream position of the picture's first byte
    std::unique_ptr<JpgCodec> codec_;
};

}  // namespace talvo::g
