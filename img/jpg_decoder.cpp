// JPEG decoder: open reads the header, every decode runs one full pass from the recorded start.
#include "img/jpg_decoder.h"

#include <cstring>
#include <new>

#include "img/jpg_codec.h"
#include "talvo/istream.h"

namespace talvo::g {

namespace {

[[noreturn]] void refuse(const char* function, const char* text) {
    reportAndThrow(SourceLocation{__FILE__, __LINE__, function}, Exception(text));
}

constexpr const char* noMemory = "talvo::g::JpgDecoder: not enough memory for the picture";

}  // namespace

JpgDecoder::JpgDecoder() noexcept = default;

JpgDecoder::~JpgDecoder() = default;

void JpgDecoder::open(io::IStream& in) {
    close();
    stream_ = &in;
    start_ = in.tellg();
    codec_ = std::make_unique<JpgCodec>();
    JpgCodec& c = *codec_;
    c.create(in);
    jpeg_decompress_struct& info = c.info();
    c.run([&info] { jpeg_read_header(&info, TRUE); });
    c.applySettings();
    c.run([&info] { jpeg_calc_output_dimensions(&info); });
    if (std::uint64_t{info.output_width} * info.output_height > std::uint64_t{maxPicturePixels}) {
        c.abort();
        refuse("talvo::g::JpgDecoder::open", "talvo::g::JpgDecoder: picture above 2^28 pixels");
    }
    format_ = PelFmt(fmtId::rgb888);
    width_ = info.output_width;
    height_ = info.output_height;
    bytesPerPixel_ = static_cast<std::uint32_t>(info.output_components);
    rowBytes_ = width_ * bytesPerPixel_;
    pass_ = Pass::headerRead;
}

void JpgDecoder::close() noexcept {
    codec_.reset();
    stream_ = nullptr;
    width_ = height_ = 0;
    rowBytes_ = bytesPerPixel_ = 0;
    pass_ = Pass::spent;
    start_ = -1;
}

void JpgDecoder::info(ImageInfo& info) const {
    info.width = static_cast<std::int32_t>(width_);
    info.height = static_cast<std::int32_t>(height_);
    info.format = format_;
}

void JpgDecoder::openAndRead(io::IStream& in, ImageRow& d) {
    try {
        open(in);
        markOpened();
        startPass("talvo::g::JpgDecoder::load");
        createAndRead(d);
    } catch (const std::bad_alloc&) {
        refuse("talvo::g::JpgDecoder::load", noMemory);
    }
}

void JpgDecoder::decode(const Rect& s, Image& d, const Rect& t, ResampleMode mode) {
    requireInside(s, static_cast<std::int32_t>(width_), static_cast<std::int32_t>(height_),
                  "talvo::g::JpgDecoder::decode");
    if (s.empty() || t.empty()) return;
    try {
        decodeRows(s, d, t, mode);
    } catch (const std::bad_alloc&) {
        refuse("talvo::g::JpgDecoder::decode", noMemory);
    }
}

void JpgDecoder::startPass(const char* function) {
    JpgCodec& c = *codec_;  // only an open picture has a pass
    jpeg_decompress_struct& info = c.info();
    if (pass_ == Pass::spent) {
        // Whatever ended the last pass, start over: the stream at the picture's start, fail cleared.
        c.abort();
        stream_->clear();
        if (start_ < 0 || stream_->seekg(start_) != start_)
            refuse(function, "talvo::g::JpgDecoder: cannot seek back to the picture");
        c.run([&info] { jpeg_read_header(&info, TRUE); });
        c.applySettings();
        c.run([&info] { jpeg_calc_output_dimensions(&info); });
        // A stream that changed under the decoder must not overrun the rows sized at open.
        if (info.output_width != width_ || info.output_height != height_ ||
            static_cast<std::uint32_t>(info.output_components) != bytesPerPixel_)
            refuse(function, "talvo::g::JpgDecoder: the picture changed since open");
    }
    pass_ = Pass::spent;
    JSAMPROW row = c.scanline(rowBytes_);
    c.run([&info] { jpeg_start_decompress(&info); });
    c.run([&info, &row] { jpeg_read_scanlines(&info, &row, 1); });  // never suspends: a row or a raise
    pass_ = Pass::firstRow;
}

void JpgDecoder::decodeRows(const Rect& s, Image& d, const Rect& t, ResampleMode mode) {
    if (pass_ != Pass::firstRow) startPass("talvo::g::JpgDecoder::decode");
    pass_ = Pass::spent;
    const bool direct = t.width() == s.width() && t.height() == s.height() && d.format().id() == format_.id() &&
                        writableDirectly(d, t);
    ImageRow picture;
    if (!direct) picture.create(s.width(), s.height(), format_);
    {
        const Image::Lock lock(direct ? d : picture, direct ? &t : nullptr, Image::lockWrite);
        readScanlines(s, lock.bits, lock.pitch);
    }
    JpgCodec& c = *codec_;
    jpeg_decompress_struct& info = c.info();
    c.run([&info] { jpeg_finish_decompress(&info); });
    if (!direct) deliver(picture, d, t, mode);
}

void JpgDecoder::readScanlines(const Rect& s, std::uint8_t* bits, std::int32_t pitch) {
    JpgCodec& c = *codec_;
    jpeg_decompress_struct& info = c.info();
    std::uint8_t* const scanline = c.scanline(rowBytes_);  // holds the first row
    const auto y0 = static_cast<JDIMENSION>(s.y0);
    const auto y1 = static_cast<JDIMENSION>(s.y1);
    const std::size_t skipBytes = std::size_t(s.x0) * bytesPerPixel_;
    const std::size_t copyBytes = std::size_t(s.width()) * bytesPerPixel_;
    // Full-width rows go straight into the destination, saving a copy per row.
    const bool wholeRows = copyBytes == rowBytes_;
    if (bits != nullptr && y0 == 0) std::memcpy(bits, scanline + skipBytes, copyBytes);
    c.run([&] {
        while (info.output_scanline < info.output_height) {
            const JDIMENSION line = info.output_scanline;
            std::uint8_t* target =
                bits != nullptr && line >= y0 && line < y1 ? bits + std::ptrdiff_t(line - y0) * pitch : nullptr;
            JSAMPROW row = target != nullptr && wholeRows ? target : scanline;
            if (jpeg_read_scanlines(&info, &row, 1) != 1) break;  // never suspends; finish then complains
            if (target != nullptr && !wholeRows) std::memcpy(target, scanline + skipBytes, copyBytes);
        }
    });
}

}  // namespace talvo::g
