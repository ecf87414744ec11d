// BMP pictures into Surfaces: 8-bit (plain and RLE8) through a colour table, and our own
// stand-in for the system's DIB stretch for 16-, 24- and 32-bit pictures. Every read is
// checked against the bytes of the file and every write against the picture. A damaged file
// draws what it holds and says what is wrong through setDataFileDamage; one whose header leaves
// nothing to draw, or nothing right (masks no picture has, more colours than 8-bit pixels can use,
// pixels inside what precedes them), is refused with the same words.
#include "framework/DataFile.h"
#include "framework/Display.h"
#include "framework/Surface.h"
#include "platform/pixels.h"

#include <array>
#include <bit>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <utility>
#include <vector>

namespace {
constexpr uint32_t compressionRgb = 0;
constexpr uint32_t compressionRle8 = 1;
constexpr uint32_t compressionBitFields = 3;
constexpr std::size_t fileHeaderSize = 14;
// Bit-field masks after a 40-byte header end here; the larger headers hold them.
constexpr uint64_t masksEnd = fileHeaderSize + 40 + 12;

struct Bytes {
    const uint8_t* data;
    std::size_t size;

    [[nodiscard]] bool has(uint64_t offset, uint64_t count) const { return offset <= size && count <= size - offset; }
    [[nodiscard]] uint16_t u16(std::size_t at) const { return static_cast<uint16_t>(data[at] | (data[at + 1] << 8)); }
    [[nodiscard]] uint32_t u32(std::size_t at) const
    {
        return static_cast<uint32_t>(u16(at)) | (static_cast<uint32_t>(u16(at + 2)) << 16);
    }
};

struct Header {
    uint32_t dataOffset = 0;
    uint32_t headerSize = 0;
    int32_t width = 0;
    int32_t height = 0; // rows, positive
    int32_t rawHeight = 0; // as the header gives it, negative for top-down rows
    bool topDown = false;
    uint16_t bitCount = 0;
    uint32_t compression = 0;
    uint32_t coloursUsed = 0;
    uint32_t imageSize = 0;          // the pixel bytes the header gives; 0 for "as the rows need"
    uint64_t profileEnd = 0;         // where an embedded or linked colour profile ends, 0 without one
    std::array<uint32_t, 3> masks{}; // red, green, blue of bit-field pictures
    bool masksRead = false;          // false for a file that ends before them
};

// The fixed part every reader needs: the file header and a 40-byte (or larger) info header.
bool readHeader(const Bytes& file, Header& h)
{
    if (!file.has(0, 2) || file.data[0] != 'B' || file.data[1] != 'M')
        return false;
    const char* const cut = "the file ends inside its header";
    if (!file.has(0, fileHeaderSize + 40)) {
        setDataFileDamage(cut);
        return false;
    }
    h.dataOffset = file.u32(10);
    h.headerSize = file.u32(14);
    if (h.headerSize < 40)
        return false;
    if (!file.has(fileHeaderSize, h.headerSize)) {
        setDataFileDamage(cut);
        return false;
    }
    h.width = static_cast<int32_t>(file.u32(18));
    h.rawHeight = static_cast<int32_t>(file.u32(22));
    if (h.rawHeight == INT32_MIN)
        return false;
    h.topDown = h.rawHeight < 0;
    h.height = h.topDown ? -h.rawHeight : h.rawHeight;
    h.bitCount = file.u16(28);
    h.compression = file.u32(30);
    h.imageSize = file.u32(34);
    h.coloursUsed = file.u32(46);
    // The newest header may keep a colour profile anywhere in the file, after the pixels too.
    constexpr uint32_t profileEmbedded = 0x4D424544, profileLinked = 0x4C494E4B; // 'MBED', 'LINK'
    if (h.headerSize >= 124 && (file.u32(fileHeaderSize + 56) == profileEmbedded ||
                                file.u32(fileHeaderSize + 56) == profileLinked))
        h.profileEnd = fileHeaderSize + uint64_t{file.u32(fileHeaderSize + 112)} + file.u32(fileHeaderSize + 116);
    // Bit-field masks sit in the larger headers, or right after a 40-byte one.
    h.masksRead = h.compression == compressionBitFields && file.has(0, masksEnd);
    if (h.masksRead)
        h.masks = {file.u32(54), file.u32(58), file.u32(62)};
    return true;
}

// The red, green and blue masks of a format, in the order a picture's are held.
constexpr std::array<uint32_t, 3> masksOf(const plat::PixelFormat& f) { return {f.redMask, f.greenMask, f.blueMask}; }

// Where the picture's pixels go: the locked surface, in the display's format.
struct Target {
    uint8_t* pixels;
    int32_t pitch;
    uint32_t bytes;
    int width;
    int height;

    void put(int x, int y, uint32_t value) const
    {
        if (x < 0 || y < 0 || x >= width || y >= height)
            return;
        plat::writePixel(pixels + static_cast<std::ptrdiff_t>(y) * pitch + static_cast<std::ptrdiff_t>(x) * bytes,
                         bytes, value);
    }
};

// The display pixel for a colour; on 8-bit displays the nearest palette index.
struct ColourMapper {
    const PixelFormatInfo& format;
    const DisplayPalette* palette;

    [[nodiscard]] uint32_t operator()(uint8_t r, uint8_t g, uint8_t b) const
    {
        if (format.depth == 8)
            return palette ? static_cast<uint32_t>(palette->nearestIndex(r, g, b)) : 0;
        return format.pixelFromRgb(r, g, b);
    }
};

using ColourTable = std::array<uint32_t, 256>;

// The colour table entries read: as many as the header gives (a count above 256 is refused), all 256
// when it gives none.
uint32_t tableEntries(const Header& h) { return (h.coloursUsed == 0 || h.coloursUsed > 256) ? 256 : h.coloursUsed; }

// The colour table follows the info header, whatever its size; entries missing from the
// file count as black.
ColourTable colourTable(const Bytes& file, const Header& h, const ColourMapper& map, bool rawIndices)
{
    ColourTable table{};
    const uint64_t start = fileHeaderSize + uint64_t{h.headerSize};
    const uint32_t count = tableEntries(h);
    for (uint32_t i = 0; i < 256; ++i) {
        if (rawIndices) {
            table[i] = i;
            continue;
        }
        const uint64_t at = start + 4 * uint64_t{i};
        if (i < count && file.has(at, 4))
            table[i] = map(file.data[at + 2], file.data[at + 1], file.data[at]);
        else
            table[i] = map(0, 0, 0);
    }
    return table;
}

int rowOf(const Header& h, int fileRow) { return h.topDown ? fileRow : h.height - 1 - fileRow; }

uint64_t rowStride(const Header& h) { return ((uint64_t(h.width) * h.bitCount + 31) / 32) * 4; }

// The last row's padding may be left out: every pixel is there all the same.
uint64_t lastRowPadding(const Header& h) { return rowStride(h) - (uint64_t(h.width) * h.bitCount + 7) / 8; }

// Where the header's sizes disagree with the rows it describes (a width or height that was
// changed), in words; "" when they agree. The rows the file holds are checked as they are drawn,
// so only what lies beyond them is left: the image size the header gives and the file's length.
// Run-length data has no size the rows fix: its file must only hold the size the header gives.
std::string sizesDisagree(const Bytes& file, const Header& h)
{
    const bool runLength = h.compression == compressionRle8;
    const uint64_t rows = rowStride(h) * uint64_t(h.height);
    if (!runLength && h.imageSize != 0 && (h.imageSize > rows || h.imageSize < rows - lastRowPadding(h)))
        return "the header gives " + std::to_string(h.imageSize) + " bytes of pixels, its rows need " +
               std::to_string(rows);
    const uint64_t need = uint64_t{h.dataOffset} + (runLength ? h.imageSize : rows);
    const bool tooLong = !runLength && file.size > need && file.size > h.profileEnd;
    if (tooLong || (runLength && file.size < need))
        return "the file is " + std::to_string(file.size) + " bytes, its header and " +
               (runLength ? "run-length data" : "rows") + " need " + std::to_string(need);
    return {};
}

// Row r (in file order) of rows ends inside the data: the damage text naming it, 1-based.
std::string endsInRow(const char* data, int r, int rows)
{
    return std::string("the ") + data + " ends in row " + std::to_string(r + 1) + " of " + std::to_string(rows);
}

// The pixels of the rows the file holds; the rest of the picture stays as created. Returns the
// first row (in file order) the file does not hold whole, h.height when it holds every row.
int drawIndexed(const Bytes& file, const Header& h, const ColourTable& table, const Target& t)
{
    const uint64_t stride = rowStride(h);
    for (int r = 0; r < h.height; ++r) {
        const uint64_t start = h.dataOffset + stride * uint64_t(r);
        if (!file.has(start, 1))
            return r;
        const uint64_t available = file.size - start;
        const int n = static_cast<int>(available < uint64_t(h.width) ? available : uint64_t(h.width));
        const int y = rowOf(h, r);
        for (int x = 0; x < n; ++x)
            t.put(x, y, table[file.data[start + uint64_t(x)]]);
        if (n < h.width)
            return r;
    }
    return h.height;
}

// Draws the runs; returns the damage text, "" for data that fits the picture and ends with it.
std::string drawRle8(const Bytes& file, const Header& h, const ColourTable& table, const Target& t)
{
    const char* const data = "run-length data";
    const std::string overrun = "the run-length data runs past the picture";
    std::string damage;
    std::size_t i = h.dataOffset;
    int col = 0;
    int row = 0;
    while (i + 1 < file.size && row < h.height) {
        const uint8_t count = file.data[i];
        const uint8_t code = file.data[i + 1];
        if (count > 0) {
            for (int k = 0; k < count; ++k)
                t.put(col + k, rowOf(h, row), table[code]);
            if (col + count > h.width && damage.empty())
                damage = overrun;
            col += count;
            i += 2;
        } else if (code == 0) {
            col = 0;
            ++row;
            i += 2;
        } else if (code == 1) {
            return damage;
        } else if (code == 2) {
            if (i + 3 >= file.size)
                return damage.empty() ? endsInRow(data, row, h.height) : damage;
            col += file.data[i + 2];
            row += file.data[i + 3];
            i += 4;
            if ((col > h.width || row > h.height) && damage.empty())
                damage = overrun;
        } else {
            // Absolute run: only the bytes present in the file are drawn.
            for (int k = 0; k < code && i + 2 + k < file.size; ++k)
                t.put(col + k, rowOf(h, row), table[file.data[i + 2 + k]]);
            if (damage.empty()) {
                if (col + code > h.width)
                    damage = overrun;
                else if (i + 2 + code > file.size)
                    damage = endsInRow(data, row, h.height);
            }
            col += code;
            i += 2 + ((code + 1u) & ~1u);
        }
        if (col > 0x10000)
            col = 0x10000; // runs past the row draw nothing; keep the column from growing
    }
    if (!damage.empty())
        return damage;
    if (row < h.height)
        return endsInRow(data, row, h.height);
    // Below the last row only an end of line, a delta or the end of the picture may follow.
    if (i + 1 < file.size && (file.data[i] > 0 || file.data[i + 1] > 2))
        return overrun;
    return {};
}

// A channel of a bit-field pixel widened to 8 bits by repeating its high bits.
struct Channel {
    uint32_t mask = 0;
    int shift = 0;
    int bits = 0;

    explicit Channel(uint32_t m) : mask(m)
    {
        if (!m)
            return;
        while (!((m >> shift) & 1u))
            ++shift;
        while (shift + bits < 32 && ((m >> (shift + bits)) & 1u))
            ++bits;
    }

    [[nodiscard]] uint8_t operator()(uint32_t pixel) const
    {
        if (bits == 0)
            return 0;
        const uint32_t v = (pixel & mask) >> shift;
        if (bits >= 8)
            return static_cast<uint8_t>(v >> (bits - 8));
        uint32_t out = 0;
        int filled = 0;
        for (; filled < 8; filled += bits)
            out = (out << bits) | v;
        return static_cast<uint8_t>(out >> (filled - 8));
    }
};

template <uint32_t InBytes>
int drawDirect(const Bytes& file, const Header& h, const std::array<uint32_t, 3>& masks, const ColourMapper& map,
               const Target& t)
{
    const Channel red(masks[0]), green(masks[1]), blue(masks[2]);
    const uint64_t stride = rowStride(h);
    for (int r = 0; r < h.height; ++r) {
        const uint64_t start = h.dataOffset + stride * uint64_t(r);
        if (!file.has(start, InBytes))
            return r;
        const uint64_t whole = (file.size - start) / InBytes;
        const int n = static_cast<int>(whole < uint64_t(h.width) ? whole : uint64_t(h.width));
        const int y = rowOf(h, r);
        const uint8_t* p = file.data + start;
        if constexpr (InBytes == 3) {
            // The game's pictures onto its 5-6-5 display: the same values as below, without a
            // call per pixel.
            if (masks == masksOf(plat::format::Rgb888) && map.format.depth == 16 &&
                map.format.layout == PixelFormatInfo::layoutRgb565 && t.bytes == 2 && y >= 0 && y < t.height) {
                uint8_t* row = t.pixels + static_cast<std::ptrdiff_t>(y) * t.pitch;
                for (int x = 0; x < n && x < t.width; ++x, p += 3) {
                    const auto v = static_cast<uint16_t>((p[2] >> 3) << 11 | (p[1] >> 2) << 5 | p[0] >> 3);
                    std::memcpy(row + 2 * x, &v, 2);
                }
                if (n < h.width)
                    return r;
                continue;
            }
        }
        for (int x = 0; x < n; ++x, p += InBytes) {
            const uint32_t v = plat::readPixel(p, InBytes);
            t.put(x, y, map(red(v), green(v), blue(v)));
        }
        if (n < h.width)
            return r;
    }
    return h.height;
}

// 8-bit pictures plain or run-length coded; 16-, 24- and 32-bit ones plain, and 16- and 32-bit
// ones with bit fields.
bool drawable(const Header& h)
{
    if (h.bitCount == 8)
        return h.compression == compressionRgb || h.compression == compressionRle8;
    if (h.bitCount == 16 || h.bitCount == 32)
        return h.compression == compressionRgb || h.compression == compressionBitFields;
    return h.bitCount == 24 && h.compression == compressionRgb;
}

// Pixels may follow a gap, but what is read before them must not be them: the headers, the masks
// after a 40-byte header, the colour table an 8-bit picture counts (without a count, pictures
// that use only the entries before their pixels read right). In words; "" when none is.
std::string pixelsOverlap(const Header& h)
{
    const uint64_t headersEnd = fileHeaderSize + uint64_t{h.headerSize};
    if (h.dataOffset < headersEnd)
        return "its header overlaps its pixels";
    if (h.compression == compressionBitFields && h.dataOffset < masksEnd)
        return "its colour masks overlap its pixels";
    if (h.bitCount == 8 && h.coloursUsed != 0 && h.dataOffset < headersEnd + 4 * uint64_t{tableEntries(h)})
        return "its colour table overlaps its pixels";
    return {};
}

// Bit-field masks no picture has, in words; "" when each colour is one run of bits within the
// pixel and no two share a bit. Alpha is not read, so its mask is not judged.
std::string masksDamage(const Header& h)
{
    constexpr const char* names[] = {"red", "green", "blue"};
    const uint64_t pixelBits = (uint64_t{1} << h.bitCount) - 1;
    for (std::size_t i = 0; i < h.masks.size(); ++i) {
        const uint32_t m = h.masks[i];
        const std::string its = std::string("its ") + names[i] + " mask ";
        if (m == 0)
            return its + "is 0";
        char hex[11];
        std::snprintf(hex, sizeof hex, "0x%08X", static_cast<unsigned>(m));
        if (m & ~pixelBits)
            return its + hex + " reaches past its " + std::to_string(h.bitCount) + "-bit pixels";
        if (const uint32_t run = m >> std::countr_zero(m); run & (run + 1))
            return its + hex + " has a gap";
        for (std::size_t j = 0; j < i; ++j)
            if (m & h.masks[j])
                return std::string("its ") + names[j] + " and " + names[i] + " masks overlap";
    }
    return {};
}

// What makes the header's picture no picture at all, in words; "" when there is one to draw, if
// only in part. Checked before a surface is asked for, so a refused size is left to the machine
// only when the file holds the rows it declares.
std::string headerDamage(const Bytes& file, const Header& h)
{
    const bool plain = drawable(h) && h.compression != compressionRle8;
    if (drawable(h)) {
        // Indices above 255 cannot occur: a larger count is a damaged header, not a table to cut.
        if (h.bitCount == 8 && h.coloursUsed > 256)
            return "its header declares " + std::to_string(h.coloursUsed) +
                   " colours, more than its 8-bit pixels can use";
        if (std::string overlap = pixelsOverlap(h); !overlap.empty())
            return overlap;
        // A file that ends before its masks holds no pixels either: it draws nothing, as any cut one.
        if (h.masksRead)
            if (std::string masks = masksDamage(h); !masks.empty())
                return masks;
    }
    if (surfaceSizeAllowed(h.width, h.height))
        return {};
    // A file cut short still draws what it holds; here nothing could be drawn. With at most 32 bits
    // per pixel a row takes under 2^33 bytes and there are under 2^31 rows: no overflow.
    bool holdsRows = h.width >= 0;
    if (holdsRows && plain && h.height > 0)
        holdsRows = file.has(h.dataOffset, rowStride(h) * uint64_t(h.height) - lastRowPadding(h));
    if (holdsRows)
        return {};
    return "its header declares " + std::to_string(h.width) + "x" + std::to_string(h.rawHeight) +
           " pixels, more than its " + std::to_string(file.size) + " bytes hold";
}

// Our stand-in for drawing a drawable 16-, 24- or 32-bit DIB onto the surface; returns as
// drawDirect does.
int drawDeepPicture(const Bytes& file, const Header& h, const ColourMapper& map, const Target& t)
{
    std::array<uint32_t, 3> masks;
    if (h.compression == compressionBitFields)
        masks = h.masks;
    else if (h.bitCount == 16)
        masks = masksOf(plat::format::Rgb555);
    else
        masks = masksOf(plat::format::Rgb888);
    switch (h.bitCount) {
    case 16: return drawDirect<2>(file, h, masks, map, t);
    case 24: return drawDirect<3>(file, h, masks, map, t);
    default: return drawDirect<4>(file, h, masks, map, t);
    }
}
} // namespace

int Surface::loadBitmap(Display* d, int k, const char* path, bool mapToPalette)
{
    setDataFileDamage({});
    std::vector<uint8_t> data;
    if (const DataFileStatus status = readDataFile(path, MaxDataFileBytes, data); !status.ok())
        return status.outOfMemory ? FrameworkResult::NoMemory : FrameworkResult::FileOpen;
    return loadBitmapFromMemory(d, k, data.data(), data.size(), mapToPalette);
}

int Surface::loadBitmapFromMemory(Display* d, int k, const uint8_t* data, std::size_t size, bool mapToPalette)
{
    // Memory that runs out on the way leaves no picture, as any picture that cannot be loaded.
    try {
        return drawBitmap(d, k, data, size, mapToPalette);
    } catch (const std::bad_alloc&) {
        release();
        width = height = 0;
        setDataFileDamage({});
        return FrameworkResult::NoMemory;
    }
}

int Surface::drawBitmap(Display* d, int k, const uint8_t* data, std::size_t size, bool mapToPalette)
{
    setDataFileDamage({});
    const Bytes file{data, data ? size : 0};
    Header h;
    if (!readHeader(file, h))
        return FrameworkResult::NotBmp;
    if (std::string damage = headerDamage(file, h); !damage.empty()) {
        setDataFileDamage(std::move(damage));
        return FrameworkResult::NotBmp;
    }
    if (const int created = create(d, k, h.width, h.height); created != FrameworkResult::Ok)
        return created;
    if (!d->pixelFormat || !surface)
        return FrameworkResult::SurfaceCreation;
    if (!drawable(h)) {
        // The Surface stays as created.
        setDataFileDamage(std::to_string(h.bitCount) + " bits per pixel with compression " +
                          std::to_string(h.compression) + ", which the game cannot draw");
        return FrameworkResult::Ok;
    }
    const PixelFormatInfo& format = *d->pixelFormat;
    const uint32_t depth = format.depth;
    if (depth != 8 && depth != 16 && depth != 24 && depth != 32)
        return FrameworkResult::Ok;
    const bool indexed = h.bitCount == 8;

    const bool wasLocked = (flags & SurfaceFlag::locked) != 0;
    if (lock() != FrameworkResult::Ok || !pixels)
        return FrameworkResult::Ok;
    const Target target{pixels, pitch, depth / 8, width, height};
    const bool paletteMapped = depth == 8 && mapToPalette && palette && !palette->entries.empty();
    const ColourMapper map{format, paletteMapped ? palette : nullptr};
    if (indexed) {
        // On an 8-bit display without palette mapping the indices are copied as they are.
        const bool rawIndices = depth == 8 && !paletteMapped;
        const ColourTable table = colourTable(file, h, map, rawIndices);
        if (h.compression == compressionRle8) {
            (void)fillRect(0, 0, width, height, table[0]);
            setDataFileDamage(drawRle8(file, h, table, target));
        } else if (const int r = drawIndexed(file, h, table, target); r < h.height) {
            setDataFileDamage(endsInRow("pixel data", r, h.height));
        }
    } else if (const int r = drawDeepPicture(file, h, map, target); r < h.height) {
        setDataFileDamage(endsInRow("pixel data", r, h.height));
    }
    if (lastDataFileDamage().empty())
        setDataFileDamage(sizesDisagree(file, h));
    if (!wasLocked)
        unlock();
    return FrameworkResult::Ok;
}
