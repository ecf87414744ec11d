// Shared body of the decoder fuzz targets: load, a clipped sub-rectangle into a resized Rgb565
// destination, and optionally a second decode; exceptions are answers, crashes and leaks are not.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "img/image_decoder.h"
#include "img/image_row.h"
#include "talvo/exception.h"
#include "talvo/istream.h"
#include "talvo/log_category.h"
#include "talvo/mem_buf.h"

namespace imgfuzz {

// The resampled decode skips pictures claiming more pixels: the limit itself has a unit test, and
// resampling big ones is slow.
inline constexpr std::int64_t maxPixels = std::int64_t{1} << 20;

class Stream {
public:
    Stream(const std::uint8_t* data, std::size_t size, talvo::io::IoState mask) {
        auto* block = static_cast<char*>(std::malloc(size == 0 ? 1 : size));
        if (size != 0) std::memcpy(block, data, size);
        buffer_.set(block, size, size);
        in_.init(&buffer_);
        in_.exceptions(mask);
    }
    talvo::io::IStream& in() { return in_; }

private:
    talvo::io::MemBuf buffer_;
    talvo::io::IStream in_;
};

template <class Decoder>
void run(const std::uint8_t* data, std::size_t size, int decodes) {
    const talvo::io::IoState mask = (size & 1) != 0 ? 0 : talvo::io::badBit | talvo::io::failBit;
    try {
        Stream stream(data, size, mask);
        talvo::g::ImageRow image;
        Decoder().load(stream.in(), image);
    } catch (const talvo::Exception&) {
    }
    try {
        Stream stream(data, size, mask);
        Decoder decoder;
        decoder.open(stream.in());
        talvo::g::ImageInfo info;
        decoder.info(info);
        const std::int32_t w = info.width, h = info.height;
        if (std::int64_t{w} * h > maxPixels) return;
        const talvo::g::Rect s{w / 4, h / 3, w - w / 5, h - h / 6};
        talvo::g::ImageRow d;
        d.create(37, 23, talvo::g::PelFmt(4));
        // Another size than s, reaching past the destination's left edge.
        const talvo::g::Rect t{-3, 2, -3 + s.width() * 3 / 2 + 1, 2 + s.height() / 2 + 1};
        for (int k = 0; k < decodes; ++k) decoder.decode(s, d, t, std::uint32_t(k));
    } catch (const talvo::Exception&) {
    }
}

// Every rejected input would log an entry; a fuzz run makes millions.
inline void quietLog() { ++talvo::logGate.suspend; }

}  // namespace imgfuzz
