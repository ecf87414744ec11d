// The decoder interface's load operations and the paths both decoders share.
#include "img/image_decoder.h"

#include <algorithm>

#include "talvo/arc_stream.h"
#include "talvo/throw_report.h"

namespace talvo::g {

namespace {

[[noreturn]] void refuse(const char* function, const char* text) {
    reportAndThrow(SourceLocation{__FILE__, __LINE__, function}, Exception(text));
}


// Closes the decoder however load leaves.
class CloseOnExit {
public:
    explicit CloseOnExit(ImageDecoderI& decoder) noexcept : decoder_(decoder) {}
    CloseOnExit(const CloseOnExit&) = delete;
    CloseOnExit& operator=(const CloseOnExit&) = delete;
    ~CloseOnExit() { decoder_.close(); }

private:
    ImageDecoderI& decoder_;
};

}  // namespace

std::int64_t streamBytesLeft(io::IStream& in) {
    std::streambuf* buffer = in.rdbuf();
    if (buffer == nullptr || !in.good()) return 0;  // every read delivers nothing
    const std::streampos refused(-1);
    const std::streampos at = buffer->pubseekoff(0, std::ios_base::cur, std::ios_base::in);
    if (at == refused) return -1;
    const std::streampos end = buffer->pubseekoff(0, std::ios_base::end, std::ios_base::in);
    if (end == refused) return -1;
    if (buffer->pubseekpos(at, std::ios_base::in) == refused) in.setstate(io::failBit);
    return std::max<std::int64_t>(0, static_cast<std::int64_t>(end - at));
}

ImageDecoderI::~ImageDecoderI() = default;

void ImageDecoderI::read(const Rect* s, Image& d, const Rect* t, ResampleMode mode) {
    Rect source;
    if (s != nullptr) {
        source = *s;
    } else {
        ImageInfo picture;
        info(picture);
        source = {0, 0, picture.width, picture.height};
    }
    const Rect target = t != nullptr ? *t : Rect{0, 0, d.width(), d.height()};
    decode(source, d, target, mode);
}

void ImageDecoderI::load(io::IStream& in, ImageRow& d) {
    struct Reset {
        std::uint8_t& flag;
        ~Reset() { flag = 0; }
    } reset{opened_};
    const CloseOnExit closer(*this);  // destroyed first: close, then the flag back to 0
    openAndRead(in, d);
}

void ImageDecoderI::openAndRead(io::IStream& in, ImageRow& d) {
    open(in);
    markOpened();
    createAndRead(d);
}

void ImageDecoderI::createAndRead(ImageRow& d) {
    ImageInfo picture;
    info(picture);
    d.create(picture.width, picture.height, picture.format);
    read(nullptr, d, nullptr, loadResampleMode);
}

void ImageDecoderI::loadByName(const char* name, ImageRow& d) {
    io::IArcStream in;
    in.flags(in.flags() | io::rawFlag);
    in.open(name, std::ios_base::in, io::badBit | io::failBit);
    load(in, d);
}

void ImageDecoderI::requireInside(const Rect& s, std::int32_t width, std::int32_t height, const char* function) {
    if (s.x0 < 0 || s.y0 < 0 || s.x1 < s.x0 || s.y1 < s.y0 || s.x1 > width || s.y1 > height)
        refuse(function, "talvo::g::ImageDecoderI: source rectangle not inside the picture");
}

bool ImageDecoderI::writableDirectly(const Image& d, const Rect& t) noexcept {
    Rect inside{0, 0, d.width(), d.height()};
    if (d.hasClipRect()) inside.intersect(d.clipRect());
    return t.x0 >= inside.x0 && t.y0 >= inside.y0 && t.x1 <= inside.x1 && t.y1 <= inside.y1;
}

void ImageDecoderI::deliver(ImageRow& picture, Image& d, const Rect& t, ResampleMode mode) {
    if (picture.width() != t.width() || picture.height() != t.height()) {
        // t is not empty, so each side is 1 to 2^32 - 1: their product fits unsigned 64 bits.
        const auto w = static_cast<std::uint64_t>(std::int64_t{t.x1} - t.x0);
        const auto h = static_cast<std::uint64_t>(std::int64_t{t.y1} - t.y0);
        if (w * h > static_cast<std::uint64_t>(maxPicturePixels))
            refuse("talvo::g::ImageDecoderI::deliver", "talvo::g::ImageDecoderI: destination above 2^28 pixels");
        picture.resize(t.width(), t.height(), mode);
    }
    d.blit(t.x0, t.y0, picture);  // cut to d and its clip rectangle there
}

}  // namespace talvo::g
