// BMP files: SaveBmp writes any image, ReadBmp and LoadBmp read what it writes and other files
// with the 40- or 108-byte header.
#include <cstdio>
#include <cstring>
#include <ios>

#include "img/image_decoder.h"
#include "sprite/ctyRuntime.h"
#include "sprite/imgCTy.h"
#include "sprite/imgScopedLock.h"
#include "sprite/palCTy.h"
#include "talvo/arc_stream.h"
#include "talvo/istream.h"

namespace {

void put16(std::uint8_t* at, std::uint32_t value)
{
    at[0] = static_cast<std::uint8_t>(value);
    at[1] = static_cast<std::uint8_t>(value >> 8);
}

void put32(std::uint8_t* at, std::uint32_t value)
{
    put16(at, value);
    put16(at + 2, value >> 16);
}

std::uint32_t get16(const std::uint8_t* at) { return at[0] | static_cast<std::uint32_t>(at[1]) << 8; }

std::uint32_t get32(const std::uint8_t* at) { return get16(at) | get16(at + 2) << 16; }

// The file header, 14 bytes little-endian on disk.
struct BmpFileHeader {
    static constexpr int bytes = 14;
    std::uint16_t signature = 0x4D42;  // "BM"
    std::uint32_t fileSize = 0;
    std::uint16_t reserved1 = 0, reserved2 = 0;
    std::uint32_t pelsOffset = 0;

    void put(std::uint8_t* at) const
    {
        put16(at, signature), put32(at + 2, fileSize), put16(at + 6, reserved1), put16(at + 8, reserved2);
        put32(at + 10, pelsOffset);
    }
    static BmpFileHeader from(const std::uint8_t* at)
    {
        return {static_cast<std::uint16_t>(get16(at)), get32(at + 2), static_cast<std::uint16_t>(get16(at + 6)),
                static_cast<std::uint16_t>(get16(at + 8)), get32(at + 10)};
    }
};

// The 40-byte information header, which follows the file header.
struct BmpInfoHeader {
    static constexpr int bytes = 40;
    std::uint32_t size = bytes;
    std::int32_t width = 0, height = 0;  // rows bottom-up
    std::uint16_t planes = 1, bitsPerPel = 0;
    std::uint32_t compression = 0;  // 0 plain, 3 bit fields (three masks follow)
    std::uint32_t imageSize = 0;
    std::int32_t xPelsPerMeter = 0, yPelsPerMeter = 0;
    std::uint32_t coloursUsed = 0, coloursImportant = 0;

    void put(std::uint8_t* at) const
    {
        put32(at, size), put32(at + 4, static_cast<std::uint32_t>(width)), put32(at + 8, static_cast<std::uint32_t>(height));
        put16(at + 12, planes), put16(at + 14, bitsPerPel), put32(at + 16, compression), put32(at + 20, imageSize);
        put32(at + 24, static_cast<std::uint32_t>(xPelsPerMeter)), put32(at + 28, static_cast<std::uint32_t>(yPelsPerMeter));
        put32(at + 32, coloursUsed), put32(at + 36, coloursImportant);
    }
    static BmpInfoHeader from(const std::uint8_t* at)
    {
        return {get32(at),
                static_cast<std::int32_t>(get32(at + 4)),
                static_cast<std::int32_t>(get32(at + 8)),
                static_cast<std::uint16_t>(get16(at + 12)),
                static_cast<std::uint16_t>(get16(at + 14)),
                get32(at + 16),
                get32(at + 20),
                static_cast<std::int32_t>(get32(at + 24)),
                static_cast<std::int32_t>(get32(at + 28)),
                get32(at + 32),
                get32(at + 36)};
    }
};

constexpr int headerBytes = BmpFileHeader::bytes + BmpInfoHeader::bytes;

// The 108-byte information header, the smallest that carries an alpha mask: the 40 bytes, the red,
// green, blue and alpha masks, the colour space, and its end points and gammas (unused for sRGB).
constexpr int v4InfoBytes = 108;
constexpr int v4Extra = v4InfoBytes - BmpInfoHeader::bytes;
constexpr std::uint32_t colourSpaceSrgb = 0x73524742;  // "sRGB"

// The masks of bit-field files: red, green, blue right after the 40 bytes, then alpha in the larger header.
constexpr int maskBytes = 12;

// Bytes of one file row of width pixels, padded to a multiple of 4.
std::int64_t rowBytes(std::int64_t width, int bits) { return (width * bits + 31) / 32 * 4; }

// Skips bytes of the input with its buffer's relative seek, as long as the stream is readable.
// A buffer that does not seek past its end (a memory stream) is moved to its end instead, so the
// next read comes up short as on a file cut there; one that does not move at all fails the stream.
void skip(talvo::io::IStream& in, std::int64_t bytes)
{
    if (bytes <= 0 || in.rdbuf() == nullptr || in.fail()) return;
    const std::streampos refused(-1);
    std::streambuf& buffer = *in.rdbuf();
    if (buffer.pubseekoff(bytes, std::ios_base::cur, std::ios_base::in) != refused) return;
    if (buffer.pubseekoff(0, std::ios_base::end, std::ios_base::in) == refused) in.setstate(talvo::io::failBit);
}

int refuse() { return ctySetError(ctyCodeNotAPicture, ""); }

// The kind plain pixels of a depth are read as: 16-bit ones are 5-5-5, 32-bit ones B, G, R, A.
PelKind plainKind(int bits)
{
    return bits == 16   ? PelKind::Rgbx5551
           : bits == 24 ? PelKind::Rgb888
           : bits == 32 ? PelKind::Rgba8888
                        : PelKind::None;
}

// The kind of pixels of this depth with these red, green, blue and alpha masks, among the kinds'
// layouts; a kind without alpha has the alpha mask 0.
PelKind maskedKind(int bits, const std::uint8_t* masks)
{
    const std::uint32_t red = get32(masks), green = get32(masks + 4), blue = get32(masks + 8);
    const std::uint32_t alpha = get32(masks + 12);
    for (const PelKindInfo& k : pelKinds) {
        if (8 * k.bytes == bits && k.r.bits > 0 && red == k.r.mask() && green == k.g.mask() && blue == k.b.mask() &&
            alpha == (k.alpha ? k.a.mask() : 0u))
            return k.kind;
    }
    return PelKind::None;
}

// Bit fields where plain pixels would be read as another layout; an alpha mask needs the larger header.
bool writesMasks(int kind)
{
    const PelKindInfo* k = pelKindOf(kind);
    return k != nullptr && k->r.bits > 0 && k->kind != plainKind(8 * k->bytes);
}

}  // namespace

void imgCTy::SaveBmp(const char* name)
{
    const int kind = pelFmt.kind;
    const int bytes = imgPelBytes(kind);
    if (name == nullptr || bytes == 0 || PelBlockBytes(width, height, kind) < 0) {
        ctySetError(ctyCodeCreateFailed, name);
        return;
    }
    const int bits = 8 * bytes;
    const std::uint32_t compression = writesMasks(kind) ? 3 : 0;
    const bool alphaMask = compression == 3 && pelKindOf(kind)->alpha;
    // Only index images have a colour table; an empty palette writes the grey ramp.
    const palCTy* palette = kind == PelKind::Index8 && pelFmt.palette != nullptr && pelFmt.palette->count > 0 &&
                                    pelFmt.palette->entries != nullptr
                                ? pelFmt.palette
                                : nullptr;
    const std::uint32_t colours = kind != PelKind::Index8 ? 0 : palette != nullptr ? palette->count : 256;
    const std::int64_t rowSize = rowBytes(width, bits);
    const std::uint32_t headerLength = alphaMask ? BmpFileHeader::bytes + v4InfoBytes
                                                 : headerBytes + (compression == 3 ? maskBytes : 0);
    const std::uint32_t extra = 4 * colours;

    BmpFileHeader fileHeader;
    fileHeader.fileSize = static_cast<std::uint32_t>(rowSize * height) + extra + headerLength;
    fileHeader.pelsOffset = headerLength + extra;
    BmpInfoHeader info;
    if (alphaMask) info.size = v4InfoBytes;
    info.width = width;
    info.height = height;
    info.bitsPerPel = static_cast<std::uint16_t>(bits);
    info.compression = compression;
    info.imageSize = static_cast<std::uint32_t>(rowSize * height);
    info.coloursUsed = colours;
    std::uint8_t header[BmpFileHeader::bytes + v4InfoBytes] = {};
    fileHeader.put(header);
    info.put(header + BmpFileHeader::bytes);
    if (compression == 3) {
        const PelKindInfo& layout = *pelKindOf(kind);
        put32(header + headerBytes, layout.r.mask());
        put32(header + headerBytes + 4, layout.g.mask());
        put32(header + headerBytes + 8, layout.b.mask());
        if (alphaMask) {
            put32(header + headerBytes + 12, layout.a.mask());
            put32(header + headerBytes + 16, colourSpaceSrgb);
        }
    }

    std::FILE* file = std::fopen(name, "wb");
    if (file == nullptr) {
        ctySetError(ctyCodeCreateFailed, name);
        return;
    }
    // Larger stdio blocks: a screenshot then takes a few dozen writes instead of hundreds.
    std::setvbuf(file, nullptr, _IOFBF, std::size_t{1} << 16);
    bool ok = std::fwrite(header, headerLength, 1, file) == 1;
    if (colours > 0) {
        for (std::uint32_t i = 0; i < colours && ok; ++i) {
            std::uint8_t entry[4] = {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i),
                                     static_cast<std::uint8_t>(i), 0};
            if (palette != nullptr) std::memcpy(entry, palette->entries + 4 * i, 3);
            ok = std::fwrite(entry, sizeof entry, 1, file) == 1;
        }
    }
    if (width > 0 && height > 0) {
        imgScopedLock lock(*this, nullptr, 1);
        const std::size_t pelBytes = static_cast<std::size_t>(width) * static_cast<std::size_t>(bytes);
        static const std::uint8_t padding[4] = {0, 0, 0, 0};
        const std::size_t padBytes = static_cast<std::size_t>(rowSize) - pelBytes;
        for (int r = 0; r < height && ok; ++r) {
            const std::uint8_t* row = lock.Span(0, height - 1 - r, width);
            ok = row != nullptr && std::fwrite(row, 1, pelBytes, file) == pelBytes &&
                 (padBytes == 0 || std::fwrite(padding, 1, padBytes, file) == padBytes);
        }
    }
    ok = std::fclose(file) == 0 && ok;
    if (!ok) ctySetError(ctyCodeCreateFailed, name);
}

void imgCTy::ReadBmp(talvo::io::IStream& in)
{
    // Zero past what is read: the 40-byte header has no alpha mask.
    std::uint8_t header[BmpFileHeader::bytes + v4InfoBytes] = {};
    in.read(header, headerBytes);
    if (in.fail() || BmpFileHeader::from(header).signature != BmpFileHeader{}.signature) {
        refuse();
        return;
    }
    const BmpInfoHeader info = BmpInfoHeader::from(header + BmpFileHeader::bytes);
    const bool v4 = info.size == v4InfoBytes;
    if (v4) in.read(header + headerBytes, v4Extra);
    const int bits = info.bitsPerPel;
    const std::uint32_t compression = info.compression;
    const std::uint32_t coloursUsed = info.coloursUsed;
    const std::int32_t fileWidth = info.width;
    const std::int32_t fileHeight = info.height;
    if (fileWidth <= 0 || fileHeight <= 0 || std::int64_t{fileWidth} * fileHeight > maxPels ||
        (bits != 8 && bits != 16 && bits != 24 && bits != 32) || (compression != 0 && compression != 3) ||
        (info.size != BmpInfoHeader::bytes && !v4) || coloursUsed > 256 || in.fail()) {
        refuse();
        return;
    }
    const std::uint32_t colours = bits == 8 && coloursUsed == 0 ? 256 : coloursUsed;
    // Pixels may start after a gap, never inside the masks or the colour table.
    const bool masksFollow = compression == 3 && !v4;
    const std::int64_t tablesEnd =
        BmpFileHeader::bytes + std::int64_t{info.size} + (masksFollow ? maskBytes : 0) + std::int64_t{4} * colours;
    const std::int64_t pelsOffset = BmpFileHeader::from(header).pelsOffset;
    if (pelsOffset < tablesEnd) {
        refuse();
        return;
    }
    // Bit fields choose the kind by their masks: another layout would come back as wrong colours.
    PelKind kind = bits == 16 ? plainKind(bits) : PelKind::None;
    if (compression == 3 && (bits == 16 || bits == 32)) {
        if (masksFollow) in.read(header + headerBytes, maskBytes);
        kind = in.fail() ? PelKind::None : maskedKind(bits, header + headerBytes);
        if (kind == PelKind::None) {
            refuse();
            return;
        }
    } else if (masksFollow) {
        skip(in, maskBytes);
    }
    if (colours > 0) {
        if (bits == 8) {
            kind = PelKind::Index8;
        } else {
            refuse();  // a colour table on a direct-colour file: read on as the file says
        }
    } else if (bits == 24 || (bits == 32 && compression == 0)) {
        kind = plainKind(bits);  // plain 32-bit files stay B, G, R, A, as files already written expect
    }

    palCTy palette;
    if (colours > 0) {
        std::uint8_t table[4 * 256] = {};
        in.read(table, 4 * colours);
        palette.Set(table, colours);
    }
    skip(in, pelsOffset - tablesEnd);
    // Rows the stream cannot hold get no image: a cut file keeps its size only while it lacks little.
    const std::int64_t stored =
        rowBytes(fileWidth, bits) * (fileHeight - 1) + std::int64_t{fileWidth} * ((bits + 7) / 8);
    const std::int64_t left = talvo::g::streamBytesLeft(in);
    if (left >= 0 && stored - left > talvo::g::maxMissingPictureBytes) {
        refuse();
        return;
    }
    const imgPelFmt fmt(pelKindNumber(kind), colours > 0 ? &palette : nullptr);
    Create(fileWidth, fileHeight, &fmt);
    const int fileBytes = (bits + 7) / 8;
    if (width != fileWidth || height != fileHeight) return;  // Create has posted why
    if (fileBytes > imgPelBytes(pelFmt.kind)) {
        refuse();
        return;
    }

    const std::int64_t rowSize = rowBytes(width, bits);
    const std::size_t pelBytes = static_cast<std::size_t>(width) * static_cast<std::size_t>(fileBytes);
    bool shortBody = false;
    {
        imgScopedLock lock(*this, nullptr, 0);
        // Create leaves the image unlocked, so the lock is this one's and covers the image.
        if (!lock.Owned() || lockedPels == nullptr || lockPitch < width) {
            refuse();
            return;
        }
        for (int r = 0; r < height; ++r) {
            // Rows sit fileBytes x pitch apart, as the file's pixels are laid out.
            std::uint8_t* row = lockedPels + static_cast<std::int64_t>(height - 1 - r) * fileBytes * lockPitch;
            if (!shortBody) {
                in.read(row, pelBytes);
                shortBody = in.fail();
                skip(in, rowSize - static_cast<std::int64_t>(pelBytes));
            }
            if (shortBody) std::memset(row, 0, pelBytes);
        }
    }
    if (shortBody) refuse();
}

void imgCTy::LoadBmp(const char* name)
{
    talvo::io::IArcStream in;
    if (name != nullptr) in.open(name, static_cast<std::ios_base::openmode>(8), 0);
    if (name == nullptr || in.fail()) {
        ctySetError(ctyCodeOpenFailed, name);
        return;
    }
    ReadBmp(in);
}
