// TGA decoder: header checks, raw and run-length pixel data, 16-bit widening, rectangle delivery.
#include "img/tga_decoder.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "img/palette.h"
#include "talvo/istream.h"
#include "talvo/throw_report.h"

namespace talvo::g {

namespace {

constexpr const char* openFunction = "talvo::g::TgaDecoder::do_open";

// A picture the header allows may still be more than the machine gives: the decoder's own error.
constexpr const char* noMemory = "talvo::g::TgaDecoder: not enough memory for the picture";

[[noreturn]] void refuse(const char* text) {
    reportAndThrow(SourceLocation{__FILE__, __LINE__, openFunction}, Exception(text));
}

std::uint32_t le16(const std::uint8_t* p) { return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8; }

// Reads and drops count bytes; a failure without an exception just stops taking bytes.
void skip(io::IStream& in, std::size_t count) {
    std::uint8_t scratch[4096];
    while (count > 0 && !in.fail()) {
        const std::size_t n = std::min(count, sizeof scratch);
        in.read(scratch, n);
        count -= n;
    }
}

// Buffered bytes for run-length data. It fails where a reader taking one byte per call would, and
// gives back what it read ahead, so the stream ends where that reader would leave it.
class PacketReader {
public:
    // With eof in the mask any short block read would throw, so then it reads one byte per call.
    explicit PacketReader(io::IStream& in)
        : in_(in), start_(in.tellg()), chunk_((in.exceptions() & io::eofBit) != 0 ? 1 : sizeof buffer_) {}

    // Copies up to n bytes; fewer only when the stream fails without an exception.
    std::size_t take(std::uint8_t* out, std::size_t n) {
        std::size_t got = 0;
        while (got < n) {
            if (next_ == end_ && !refill()) break;
            const std::size_t k = std::min(n - got, end_ - next_);
            std::memcpy(out + got, buffer_ + next_, k);
            next_ += k;
            got += k;
        }
        return got;
    }

    void giveBack() {
        if (start_ < 0 || in_.fail() || (next_ == end_ && !in_.eof())) return;
        in_.seekg(start_ + static_cast<std::int64_t>(before_ + next_));
    }

private:
    bool refill() {
        before_ += end_;
        next_ = end_ = 0;
        end_ = in_.readPartial(buffer_, chunk_);
        return end_ != 0;
    }

    io::IStream& in_;
    std::int64_t start_;
    std::size_t chunk_;
    std::size_t before_ = 0;  // bytes of the blocks already used up
    std::size_t next_ = 0;
    std::size_t end_ = 0;
    std::uint8_t buffer_[8192];
};

// n bytes at `at` repeat the pel of bpp bytes; doubling copies keep it to a few memcpy calls.
void fillRun(std::uint8_t* at, std::size_t n, const std::uint8_t* pel, std::uint32_t bpp) {
    std::memcpy(at, pel, bpp);
    for (std::size_t done = bpp; done < n;) {
        const std::size_t k = std::min(done, n - done);
        std::memcpy(at + done, at, k);
        done += k;
    }
}

// Packets run on across rows until `total` bytes are filled; a packet passing the end is cut there.
// Returns the bytes written: fewer than total after a read that fails quietly, where the failed
// packet ends as a byte-wise reader ends it (a raw pixel's missing bytes keep the packet's previous
// pixel's) and a byte-wise reader would write only zeros after it.
std::size_t readPackets(PacketReader& reader, std::uint8_t* block, std::size_t total, std::uint32_t bpp) {
    std::size_t pos = 0;
    while (pos < total) {
        std::uint8_t header = 0;
        if (reader.take(&header, 1) == 0) return pos;
        const std::size_t pixels = header < 128 ? header + 1u : header - 127u;
        const std::size_t n = std::min(pixels * bpp, total - pos);
        std::uint8_t* at = block + pos;
        if (header < 128) {
            const std::size_t got = reader.take(at, n);
            if (got < n) {
                for (std::size_t j = got; j < n; ++j) at[j] = j >= bpp ? at[j - bpp] : 0;
                return pos + n;
            }
        } else {
            std::uint8_t pel[4] = {};
            const std::size_t got = reader.take(pel, bpp);
            fillRun(at, n, pel, bpp);
            if (got < bpp) return pos + n;
        }
        pos += n;
    }
    return pos;
}

// The whole block in one read, failing as that read fails; bytes that do not arrive are zero.
void readRaw(io::IStream& in, std::uint8_t* block, std::size_t total) {
    const std::size_t got = in.readPartial(block, total);
    if (got == total) return;
    if (got != 0) in.read(block + got, total - got);  // gains fail (and throws) as one short read does
    std::memset(block + got, 0, total - got);
}

using Bytes = std::unique_ptr<std::uint8_t[], detail::FreeBytes>;

// Not cleared: the readers write every byte.
Bytes newBlock(std::size_t size) {
    Bytes block(static_cast<std::uint8_t*>(std::malloc(std::max<std::size_t>(size, 1))));
    if (!block) throw std::bad_alloc();
    return block;
}

// 16-bit pixels to B, G, R by plain shifts (0x7FFF gives 248); bit 15 is dropped.
Bytes widen16(const std::uint8_t* words, std::size_t pixels) {
    Bytes wide = newBlock(pixels * 3);
    std::uint8_t* out = wide.get();
    for (std::size_t i = 0; i < pixels; ++i, out += 3) {
        const std::uint32_t w = le16(words + 2 * i);
        out[0] = static_cast<std::uint8_t>((w & 31) << 3);
        out[1] = static_cast<std::uint8_t>(((w >> 5) & 31) << 3);
        out[2] = static_cast<std::uint8_t>(((w >> 10) & 31) << 3);
    }
    return wide;
}

// Depth 8: a palette of the file's entries, or 256 greys without a colour map; alpha 255.
// 15- and 16-bit entries widen as 16-bit pixels do, 32-bit ones lose their alpha byte; entries
// of any other size are taken as 3 bytes B, G, R. The map's entry 0 is index `first`: the indices
// below it are left all zero, as those past the palette's end read.
PelFmt readPalette(io::IStream& in, std::uint32_t first, std::uint32_t length, std::uint32_t entryBits) {
    if (length == 0) first = 0;
    const std::uint32_t count = length == 0 ? 256 : first + length;
    const std::size_t entryBytes = entryBits == 15 || entryBits == 16 ? 2 : entryBits == 32 ? 4 : 3;
    std::unique_ptr<std::uint8_t[]> stored(new std::uint8_t[std::size_t{length} * entryBytes]());
    if (length != 0) in.read(stored.get(), std::size_t{length} * entryBytes);
    const Bytes wide = entryBytes == 2 ? widen16(stored.get(), length) : nullptr;
    const std::uint8_t* colours = wide ? wide.get() : stored.get();
    const std::size_t stride = wide ? 3 : entryBytes;
    std::unique_ptr<std::uint8_t[]> entries(new std::uint8_t[std::size_t{count} * 4]());
    for (std::uint32_t i = first; i < count; ++i) {
        std::uint8_t* e = entries.get() + std::size_t{i} * 4;
        for (std::uint32_t c = 0; c < 3; ++c)
            e[c] = length == 0 ? static_cast<std::uint8_t>(i) : colours[std::size_t{i - first} * stride + c];
        e[3] = 255;
    }
    Palette palette;
    palette.set(entries.get(), count);
    PelFmt owned;
    owned = PelFmt(fmtId::other8, &palette);  // assignment copies the palette: the borrowed one dies here
    return owned;
}

// A header whose pixels the stream cannot hold is refused before any block is allocated for them:
// raw data must be there byte for byte, while every run-length packet, down to a lone header byte
// where the file is cut, gives at most 128 pixels.
void requireStoredPixels(io::IStream& in, std::uint32_t type, std::int64_t pixels, std::int64_t bpp) {
    const std::int64_t stored = pixels * bpp;
    const std::int64_t left = streamBytesLeft(in);
    if (left < 0 || left >= stored) return;
    const std::int64_t given = type == 9 || type == 10 ? (left + bpp) / (1 + bpp) * 128 * bpp : left;
    if (stored - given > maxMissingPictureBytes)
        refuse("talvo::g::TgaDecoder: the stream cannot hold the pixels the header declares");
}

}  // namespace

TgaDecoder::~TgaDecoder() = default;

// Header, id field, colour map: everything before the pixels.
TgaDecoder::Header TgaDecoder::readHeader(io::IStream& in) {
    std::uint8_t h[18] = {};
    in.read(h, sizeof h);
    Header header;
    header.type = h[2];
    const std::uint32_t type = header.type;
    if (type != 1 && type != 2 && type != 3 && type != 9 && type != 10) refuse("Unknown TGA Image Type");
    header.depth = h[16];
    const std::uint32_t depth = header.depth;
    // Below 8 bits a run-length packet would never advance; other depths have no format here.
    if (depth != 8 && depth != 16 && depth != 24 && depth != 32)
        refuse("talvo::g::TgaDecoder: pixel depth other than 8, 16, 24 or 32");
    header.width = static_cast<std::int32_t>(le16(h + 12));
    header.height = static_cast<std::int32_t>(le16(h + 14));
    // 64-bit sizes: 65535 x 65535 x 4 bytes does not fit 32 bits.
    if (std::int64_t{header.width} * header.height > maxPicturePixels)
        refuse("talvo::g::TgaDecoder: picture above 2^28 pixels");

    skip(in, h[0]);
    const std::uint32_t mapLength = le16(h + 5);
    if (depth == 8) {
        header.format = readPalette(in, le16(h + 3), mapLength, h[7]);
    } else {
        if (h[1] == 1) skip(in, std::size_t{mapLength} * ((h[7] + 7u) / 8));
        header.format = PelFmt(depth == 32 ? fmtId::rgba8888 : fmtId::rgb888);
    }
    requireStoredPixels(in, type, std::int64_t{header.width} * header.height, depth / 8);
    return header;
}

// All pixel bytes as stored (bottom row first) into block; those that fail quietly are zero.
void TgaDecoder::readPixels(io::IStream& in, const Header& header, std::uint8_t* block) {
    const std::uint32_t bpp = header.depth / 8u;
    const std::size_t total = header.pixels() * bpp;
    if (header.type == 9 || header.type == 10) {
        PacketReader reader(in);
        const std::size_t written = readPackets(reader, block, total, bpp);
        std::memset(block + written, 0, total - written);
        reader.giveBack();
    } else {
        readRaw(in, block, total);
    }
}

void TgaDecoder::open(io::IStream& in) {
    Header header = readHeader(in);
    try {
        readBlock(in, header);
    } catch (const std::bad_alloc&) {
        refuse(noMemory);
    }
}

void TgaDecoder::readBlock(io::IStream& in, Header& header) {
    std::uint32_t bpp = header.depth / 8u;
    Bytes block = newBlock(header.pixels() * bpp);
    readPixels(in, header, block.get());
    if (header.depth == 16) {
        block = widen16(block.get(), header.pixels());
        bpp = 3;
    }

    width_ = header.width;
    height_ = header.height;
    format_.swap(header.format);
    bytesPerPixel_ = bpp;
    rowBytes_ = static_cast<std::uint32_t>(header.width) * bpp;
    pixels_ = std::move(block);
}

// Without 16-bit widening the stored bytes are d's own pixels: read them into d and turn the rows
// over there. A second picture-sized block would cost fresh page faults on every load.
void TgaDecoder::openAndRead(io::IStream& in, ImageRow& d) {
    try {
        readInto(in, d);
    } catch (const std::bad_alloc&) {
        refuse(noMemory);
    }
}

void TgaDecoder::readInto(io::IStream& in, ImageRow& d) {
    Header header = readHeader(in);
    if (header.depth == 16) {
        readBlock(in, header);
        markOpened();
        createAndRead(d);
        return;
    }
    markOpened();
    d.create(header.width, header.height, header.format);  // owned rows lie back to back
    const std::size_t rowBytes = std::size_t(header.width) * (header.depth / 8u);
    std::uint8_t none = 0;  // an empty picture still makes the empty read the block path makes
    std::uint8_t* rows = d.pixels() != nullptr ? d.pixels() : &none;
    readPixels(in, header, rows);
    for (std::int32_t top = 0, bottom = header.height - 1; top < bottom; ++top, --bottom)
        std::swap_ranges(rows + std::size_t(top) * rowBytes, rows + std::size_t(top + 1) * rowBytes,
                         rows + std::size_t(bottom) * rowBytes);
}

void TgaDecoder::close() noexcept {
    pixels_.reset();
    width_ = height_ = 0;
    rowBytes_ = bytesPerPixel_ = 0;
}

void TgaDecoder::info(ImageInfo& info) const {
    info.width = width_;
    info.height = height_;
    info.format = format_;
}

void TgaDecoder::decode(const Rect& s, Image& d, const Rect& t, ResampleMode mode) {
    requireInside(s, width_, height_, "talvo::g::TgaDecoder::decode");
    if (s.empty() || t.empty()) return;
    // Picture row y is stored row height - 1 - y.
    const auto stored = [&](std::int32_t y) {
        return pixels_.get() + std::size_t(height_ - 1 - y) * rowBytes_ + std::size_t(s.x0) * bytesPerPixel_;
    };
    if (t.width() == s.width() && t.height() == s.height() && d.format().id() == format_.id() &&
        writableDirectly(d, t)) {
        const Image::Lock lock(d, &t, Image::lockWrite);
        if (lock.bits == nullptr) return;
        const std::size_t length = std::size_t(s.width()) * bytesPerPixel_;
        for (std::int32_t i = 0; i < s.height(); ++i)
            std::memcpy(lock.bits + std::ptrdiff_t{i} * lock.pitch, stored(s.y0 + i), length);
        return;
    }
    ImageRow wrapper(s.width(), s.height(), format_, stored(s.y0), -static_cast<std::int32_t>(rowBytes_));
    deliver(wrapper, d, t, mode);
}

}  // namespace talvo::g
