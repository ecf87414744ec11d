// The picture-file decoder interface and its load operations, shared by the TGA and JPEG decoders.
#pragma once

#include <cstdint>

#include "img/image_row.h"
#include "img/pel_fmt.h"
#include "img/rect.h"

namespace talvo::io {
class IStream;
}

namespace talvo::g {

// A picture's size and the format its pixels decode to.
struct ImageInfo {
    std::int32_t width = 0;
    std::int32_t height = 0;
    PelFmt format;
};

// Pictures, and resampling targets, above this many pixels are refused.
inline constexpr std::int64_t maxPicturePixels = std::int64_t{1} << 28;

// A picture file may lack this many bytes of its pixels and still be read as a cut file; one that
// lacks more is refused before its block is allocated, so a few header bytes cannot ask for gigabytes.
inline constexpr std::int64_t maxMissingPictureBytes = std::int64_t{1} << 20;

// Bytes the stream holds past its read position, which it keeps: 0 past the end or once it is no
// longer good, -1 when its buffer cannot tell (then nothing is known to be missing).
[[nodiscard]] std::int64_t streamBytesLeft(io::IStream& in);

class ImageDecoderI {
public:
    // The resampling mode load passes: filtered, no wrap.
    static constexpr ResampleMode loadResampleMode = 1;

    ImageDecoderI() noexcept = default;
    ImageDecoderI(const ImageDecoderI&) = delete;
    ImageDecoderI& operator=(const ImageDecoderI&) = delete;
    virtual ~ImageDecoderI();

    // Binds the stream (kept alive by the caller until close) and reads what decode needs. Opening
    // again drops the previous picture.
    virtual void open(io::IStream& in) = 0;
    // Releases what open and decode hold; harmless when nothing is open.
    virtual void close() noexcept = 0;
    // Size and decoded format of the open picture.
    virtual void info(ImageInfo& info) const = 0;
    // Puts source rectangle s of the picture into rectangle t of d, converting the format and
    // resampling with `mode` when the sizes differ; only the part of t inside d (and its clip
    // rectangle when that is on) is written. Raises talvo::Exception when s is not inside the picture;
    // an empty s or t writes nothing.
    virtual void decode(const Rect& s, Image& d, const Rect& t, ResampleMode mode) = 0;

    // decode with null rectangles taken as the whole picture and the whole destination.
    void read(const Rect* s, Image& d, const Rect* t, ResampleMode mode);
    // open, create d at the picture's size and format, read all of it, close: close runs on every path.
    // A failure leaves d with what create and decode gave it.
    void load(io::IStream& in, ImageRow& d);
    // load from a file opened raw with the mask bad and fail, so a missing file raises
    // talvo::io::Failure, and a short one too unless the decoder names it (JPEG does).
    void loadByName(const char* name, ImageRow& d);

    [[nodiscard]] bool opened() const noexcept { return opened_ != 0; }

protected:
    // load's steps after the stream: open, mark opened, createAndRead. A decoder that can read its
    // pixels straight into d overrides it; a failure while reading then leaves d as create made it.
    virtual void openAndRead(io::IStream& in, ImageRow& d);
    void markOpened() noexcept { opened_ = 1; }
    // Creates d at the open picture's size and format and reads all of it.
    void createAndRead(ImageRow& d);
    // Raises talvo::Exception unless s lies inside a picture of width x height.
    static void requireInside(const Rect& s, std::int32_t width, std::int32_t height, const char* function);
    // True when t may be written through a lock of d: inside d and inside its clip rectangle when on.
    [[nodiscard]] static bool writableDirectly(const Image& d, const Rect& t) noexcept;
    // The general path: resizes the picture to t's size when it differs, then blits it at t, which
    // converts the format and writes only inside d and its clip rectangle. t must not be empty;
    // above maxPicturePixels it raises talvo::Exception.
    static void deliver(ImageRow& picture, Image& d, const Rect& t, ResampleMode mode);

private:
    std::uint8_t opened_ = 0;
};

}  // namespace talvo::g
