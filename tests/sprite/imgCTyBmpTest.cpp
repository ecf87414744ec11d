// BMP files: header golden vectors, a reference writer on seeded images, round trips, bad files.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "sprite/imgRle8CTy.h"
#include "sprite/imgRowCTy.h"
#include "sprite/palCTy.h"
#include "spriteBmpSupport.h"
#include "spriteTestSupport.h"
#include "talvo/exception.h"

namespace {

std::uint32_t at32(const std::vector<std::uint8_t>& b, std::size_t o)
{
    return b[o] | b[o + 1] << 8 | b[o + 2] << 16 | static_cast<std::uint32_t>(b[o + 3]) << 24;
}
std::uint32_t at16(const std::vector<std::uint8_t>& b, std::size_t o) { return b[o] | b[o + 1] << 8; }

void push32(std::vector<std::uint8_t>& out, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
void push16(std::vector<std::uint8_t>& out, std::uint32_t v)
{
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

// The file as the format description lays it out, from raw pixels (pitch in pixels).
std::vector<std::uint8_t> referenceBmp(int kind, int width, int height, const std::uint8_t* pels, int pitch,
                                       const palCTy* palette)
{
    const int bytesPerPel[11] = {4, 3, 4, 4, 2, 2, 2, 2, 2, 1, 4};
    const int bits = 8 * bytesPerPel[kind];
    const std::uint32_t compression = (kind == 2 || kind == 4 || kind == 6 || kind == 7 || kind == 8) ? 3 : 0;
    const std::uint32_t colours = kind != 9 ? 0 : (palette != nullptr && palette->count > 0 ? palette->count : 256);
    const std::uint32_t rowSize = static_cast<std::uint32_t>((width * bits + 31) / 32 * 4);
    const std::uint32_t imageSize = rowSize * static_cast<std::uint32_t>(height);
    // 16-bit kinds with alpha take the 108-byte header, whose masks include alpha.
    const bool alphaMask = kind == 6 || kind == 8;
    const std::uint32_t infoSize = alphaMask ? 108 : 40;
    const std::uint32_t tables = 14 + infoSize + (compression == 3 && !alphaMask ? 12 : 0) + 4 * colours;
    std::vector<std::uint8_t> out{'B', 'M'};
    push32(out, imageSize + tables);
    push32(out, 0);
    push32(out, tables);
    push32(out, infoSize);
    push32(out, static_cast<std::uint32_t>(width));
    push32(out, static_cast<std::uint32_t>(height));
    push16(out, 1);
    push16(out, static_cast<std::uint32_t>(bits));
    push32(out, compression);
    push32(out, imageSize);
    push32(out, 0);
    push32(out, 0);
    push32(out, colours);
    push32(out, 0);
    if (kind == 4) {
        push32(out, 0xF800), push32(out, 0x07E0), push32(out, 0x001F);
    } else if (kind == 2) {
        push32(out, 0x00FF0000), push32(out, 0x0000FF00), push32(out, 0x000000FF);
    } else if (kind == 6) {
        push32(out, 0x7C00), push32(out, 0x03E0), push32(out, 0x001F);
    } else if (kind == 7 || kind == 8) {
        push32(out, 0x0F00), push32(out, 0x00F0), push32(out, 0x000F);
    }
    if (alphaMask) {
        push32(out, kind == 8 ? 0xF000 : 0x8000), push32(out, 0x73524742);  // alpha mask, sRGB
        out.resize(out.size() + 48, 0);                 // end points and gammas, unused for sRGB
    }
    for (std::uint32_t i = 0; i < colours; ++i) {
        if (palette != nullptr && palette->count > 0) {
            const std::uint8_t* e = palette->entries + 4 * i;
            out.insert(out.end(), {e[0], e[1], e[2], 0});
        } else {
            out.insert(out.end(), {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i),
                                   static_cast<std::uint8_t>(i), 0});
        }
    }
    for (int r = height - 1; r >= 0; --r) {
        const std::uint8_t* row = pels + static_cast<std::size_t>(r) * pitch * bytesPerPel[kind];
        out.insert(out.end(), row, row + width * bytesPerPel[kind]);
        out.resize(out.size() + rowSize - static_cast<std::size_t>(width * bytesPerPel[kind]), 0);
    }
    return out;
}

// Bytes written as hex digits, two a byte.
std::vector<std::uint8_t> hexBytes(std::string_view hex)
{
    std::vector<std::uint8_t> out;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        out.push_back(static_cast<std::uint8_t>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
    return out;
}

// Bit-field files of other writers, 3 x 2 pixels, with the 108-byte header whose alpha mask sits at
// byte 66. B, G, R masks in 32 bits, alpha mask 0, each fourth byte 0:
constexpr std::string_view v4Bgrx32Hex =
    "424d92000000000000007a0000006c0000000300000002000000010020000300000018000000000000000000000000000000"
    "000000000000ff0000ff0000ff00000000000000424752730000000000000000000000000000000000000000000000000000"
    "000000000000000000000000000000000000000000001e140a003264c800030201000000ff0000ff0000ff000000";
// 1-5-5-5 with the alpha mask 0x8000:
constexpr std::string_view v4Argb1555Hex =
    "424d8a000000000000007a0000006c0000000300000002000000010010000300000010000000000000000000000000000000"
    "00000000007c0000e00300001f00000000800000424752730000000000000000000000000000000000000000000000000000"
    "00000000000000000000000000000000000000000000438486650000000000fce0831f000000";

// The file with `gap` junk bytes between its colour table and its pixels, as its offset says.
std::vector<std::uint8_t> withGap(std::vector<std::uint8_t> file, std::uint32_t gap)
{
    const std::uint32_t offset = at32(file, 10);
    file.insert(file.begin() + offset, gap, 0xA5);
    std::vector<std::uint8_t> fields;
    push32(fields, static_cast<std::uint32_t>(file.size()));
    push32(fields, 0);
    push32(fields, offset + gap);
    std::copy(fields.begin(), fields.end(), file.begin() + 2);
    return file;
}

void setOffset(std::vector<std::uint8_t>& file, std::uint32_t offset)
{
    for (int i = 0; i < 4; ++i) file[10 + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(offset >> (8 * i));
}

TEST(ImgCTyBmp, HeaderFieldsOfEachDepthAndTheTopRowLast)
{
    resetErrors();
    TempFolder folder("sprite_bmp_golden");
    struct Row {
        int kind, width, height;
        std::uint32_t fileSize, offset, bits, compression, imageSize, colours;
    } rows[] = {
        {1, 800, 600, 1440054, 54, 24, 0, 1440000, 0},
        {4, 3, 2, 82, 66, 16, 3, 16, 0},
        {9, 1, 1, 1082, 1078, 8, 0, 4, 256},
    };
    for (const Row& row : rows) {
        const imgPelFmt fmt(row.kind, nullptr);
        imgRowCTy image;
        image.Create(row.width, row.height, &fmt);
        std::memset(image.pels, 0, static_cast<std::size_t>(imgCTy::PelBlockBytes(row.width, row.height, row.kind)));
        image.pels[0] = 0x11;  // top-left: lands in the last file row
        const std::string name = folder.file("golden.bmp");
        image.SaveBmp(name.c_str());
        const auto bytes = fileBytes(name);
        ASSERT_EQ(bytes.size(), row.fileSize) << row.kind;
        EXPECT_EQ(bytes[0], 'B');
        EXPECT_EQ(bytes[1], 'M');
        EXPECT_EQ(at32(bytes, 2), row.fileSize);
        EXPECT_EQ(at32(bytes, 10), row.offset);
        EXPECT_EQ(at32(bytes, 14), 40u);
        EXPECT_EQ(at32(bytes, 18), static_cast<std::uint32_t>(row.width));
        EXPECT_EQ(at32(bytes, 22), static_cast<std::uint32_t>(row.height));
        EXPECT_EQ(at16(bytes, 26), 1u);
        EXPECT_EQ(at16(bytes, 28), row.bits);
        EXPECT_EQ(at32(bytes, 30), row.compression);
        EXPECT_EQ(at32(bytes, 34), row.imageSize);
        EXPECT_EQ(at32(bytes, 46), row.colours);
        const std::uint32_t rowSize = row.imageSize / static_cast<std::uint32_t>(row.height);
        EXPECT_EQ(bytes[row.fileSize - rowSize], 0x11) << "the top row comes last";
    }
    EXPECT_EQ(ctyError.code, 0);
}

TEST(ImgCTyBmp, SeededImagesMatchTheReferenceAndReadBack)
{
    resetErrors();
    TempFolder folder("sprite_bmp_sweep");
    const int readBack[11] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 3};  // depth values are no picture kind
    SeededRng random(104);
    for (int round = 0; round < 40; ++round) {
        const int kind = 1 + static_cast<int>(round % 10);
        const int bytes = imgPelBytes(kind);
        const int width = 1 + static_cast<int>(random.below(13));
        const int height = 1 + static_cast<int>(random.below(6));
        const int pitch = width + static_cast<int>(random.below(3));
        std::vector<std::uint8_t> pels(static_cast<std::size_t>(pitch * height * bytes));
        for (auto& b : pels) b = random.edgeByte();
        palCTy palette;
        std::vector<std::uint8_t> entries(4 * 256);
        for (auto& b : entries) b = random.edgeByte();
        const std::uint32_t count = random.below(3) == 0 ? 0 : 1 + random.below(256);
        palette.Set(entries.data(), count);
        // A palette on another kind is not announced in the header.
        const imgPelFmt fmt(kind, kind == 9 || round % 3 == 0 ? &palette : nullptr);
        imgRowCTy image(width, height, &fmt, pels.data(), pitch);
        const std::string name = folder.file("sweep.bmp");
        image.SaveBmp(name.c_str());
        const auto written = fileBytes(name);
        ASSERT_EQ(written, referenceBmp(kind, width, height, pels.data(), pitch, fmt.palette))
            << "round " << round << " kind " << kind << " " << width << "x" << height;

        imgRowCTy back;
        back.LoadBmp(name.c_str());
        ASSERT_EQ(ctyError.code, 0) << round;
        EXPECT_EQ(back.pelFmt.kind, readBack[kind]);  // with the same bytes below: the same colours
        ASSERT_EQ(back.width, width);
        ASSERT_EQ(back.height, height);
        for (int y = 0; y < height; ++y)
            ASSERT_EQ(std::memcmp(back.pels + y * width * bytes, pels.data() + y * pitch * bytes,
                                  static_cast<std::size_t>(width * bytes)), 0) << round;
        if (kind == 9) {
            const std::uint32_t expected = count > 0 ? count : 256;
            ASSERT_EQ(back.pelFmt.palette->count, expected);
            for (std::uint32_t i = 0; i < expected; ++i) {
                const std::uint8_t grey = static_cast<std::uint8_t>(i);
                const std::uint8_t* want = count > 0 ? palette.entries + 4 * i : nullptr;
                const std::uint8_t* got = back.pelFmt.palette->entries + 4 * i;
                EXPECT_EQ(got[0], want ? want[0] : grey);
                EXPECT_EQ(got[2], want ? want[2] : grey);
                EXPECT_EQ(got[3], 255);
            }
        }
    }
}

// A valid 8-bit 2 x 2 file (colours used as given) to mutate.
std::vector<std::uint8_t> smallIndexedFile(std::uint32_t coloursUsed)
{
    const std::uint8_t pels[2 * 2] = {1, 2, 3, 4};
    palCTy palette;
    std::vector<std::uint8_t> entries(4 * 256, 0x33);
    palette.Set(entries.data(), 256);
    auto bytes = referenceBmp(9, 2, 2, pels, 2, &palette);
    bytes[46] = static_cast<std::uint8_t>(coloursUsed);
    bytes[47] = static_cast<std::uint8_t>(coloursUsed >> 8);
    return bytes;
}

TEST(ImgCTyBmp, ReaderVariantsAndRefusedFiles)
{
    resetErrors();
    imgRowCTy image;
    readBmpBytes(image, smallIndexedFile(0));
    EXPECT_EQ(ctyError.code, 0);
    EXPECT_EQ(image.pelFmt.palette->count, 256u) << "colours used 0 means 256 entries";
    EXPECT_EQ(image.PelAtXY(1, 0), 2u);

    std::vector<std::uint8_t> k5(54 + 4, 0), k4;
    k5[0] = 'B', k5[1] = 'M', k5[10] = 54, k5[14] = 40, k5[18] = 1, k5[22] = 1, k5[26] = 1, k5[28] = 16;
    k4 = k5;
    k4[10] = 66, k4[30] = 3;
    k4.insert(k4.begin() + 54, {0x00, 0xF8, 0, 0, 0xE0, 0x07, 0, 0, 0x1F, 0, 0, 0});
    readBmpBytes(image, k5);
    EXPECT_EQ(image.pelFmt.kind, 5);
    readBmpBytes(image, k4);
    EXPECT_EQ(image.pelFmt.kind, 4);
    EXPECT_EQ(ctyError.code, 0);

    // Bit-field files of other writers, with ImageMagick's reading as 0xAARRGGBB from the top left
    // (a 1-bit alpha it reads as 0x80): masks no kind has are refused, the image unchanged.
    struct Foreign {
        std::vector<std::uint8_t> file;
        int kind;  // 1: refused
        std::uint32_t argb[6];
    };
    const Foreign foreign[] = {
        {hexBytes(v4Bgrx32Hex), 2, {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFF0A141E, 0xFFC86432, 0xFF010203}},
        {hexBytes(v4Argb1555Hex), 6, {0x80FF0000, 0x8000FF00, 0x000000FF, 0x80081018, 0x00CE6331, 0}},
        // 40-byte header, 32-bit masks in R, G, B byte order
        {hexBytes("424d5a000000000000004200000028000000030000000200000001002000030000001800000000000000000000000000"
                  "000000000000ff00000000ff00000000ff000a141e00c864320001020300ff00000000ff00000000ff00"),
         1, {}},
        // 108-byte header, 32-bit masks in R, G, B, A byte order
        {hexBytes("424d92000000000000007a0000006c0000000300000002000000010020000300000018000000000000000000000000000000"
                  "00000000ff00000000ff00000000ff00000000ff424752730000000000000000000000000000000000000000000000000000"
                  "000000000000000000000000000000000000000000000a141effc864324001020304ff0000ff00ff00800000ff00"),
         1, {}},
        // 16-bit bit fields whose pixels start where the masks should be
        {hexBytes("424d42000000000000003600000028000000020000000300000001001000030000000c000000000000000000000000000000"
                  "0000000000f8e0071f00ffff0000ef7b"),
         1, {}},
    };
    const imgPelFmt k1(1, nullptr);
    for (const Foreign& f : foreign) {
        imgRowCTy read;
        read.Create(3, 1, &k1);
        resetErrors();
        readBmpBytes(read, f.file);
        EXPECT_EQ(ctyError.code, f.kind == 1 ? -5 : 0) << f.kind;
        EXPECT_EQ(read.pelFmt.kind, f.kind);
        ASSERT_EQ(read.height, f.kind == 1 ? 1 : 2);
        for (int i = 0; i < 6 && f.kind != 1; ++i) {
            std::uint32_t argb = 0;
            read.RgbaAtXY(&argb, i % 3, i / 3);
            // The colour to the kind's 5 or 8 bits; kind 6's alpha bit is set where the alpha is not 0.
            const std::uint32_t kept = f.kind == 6 ? 0x00F8F8F8 : 0x00FFFFFF;
            EXPECT_EQ(argb & kept, f.argb[i] & kept) << "kind " << f.kind << ", pixel " << i;
            const bool alphaBit = f.kind == 6 && (read.PelAtXY(i % 3, i / 3) & 0x8000) != 0;
            EXPECT_EQ(alphaBit, f.kind == 6 && f.argb[i] >> 24 != 0) << "kind " << f.kind << ", pixel " << i;
        }
    }

    using Mutation = void (*)(std::vector<std::uint8_t>&);
    const Mutation refused[] = {
        [](std::vector<std::uint8_t>& b) { b.resize(20); },
        [](std::vector<std::uint8_t>& b) { b[1] = 'X'; },
        [](std::vector<std::uint8_t>& b) { b[18] = 0; },
        [](std::vector<std::uint8_t>& b) { b[25] = 0xFF; },  // negative height
        [](std::vector<std::uint8_t>& b) { b[21] = 0x7F; },  // far over the pixel cap
        [](std::vector<std::uint8_t>& b) { b[18] = 1, b[22] = 0, b[25] = 0x10; },  // 1 x 2^28 rows the file lacks
        [](std::vector<std::uint8_t>& b) { b[18] = 3, b[22] = 2, b[25] = 4; },  // 3 x 67,108,866
        [](std::vector<std::uint8_t>& b) { b[28] = 48; },
        [](std::vector<std::uint8_t>& b) { b[28] = 4; },
        [](std::vector<std::uint8_t>& b) { b[30] = 1; },
        [](std::vector<std::uint8_t>& b) { b[14] = 124; },
        [](std::vector<std::uint8_t>& b) { b[47] = 2; },  // 512 colours
        [](std::vector<std::uint8_t>& b) { setOffset(b, 0); },
        [](std::vector<std::uint8_t>& b) { setOffset(b, 54 + 1024 - 1); },  // pixels inside the colour table
    };
    for (const Mutation& mutate : refused) {
        imgRowCTy kept;
        kept.Create(3, 1, &k1);
        std::uint8_t* pels = kept.pels;
        auto bytes = smallIndexedFile(256);
        mutate(bytes);
        resetErrors();
        readBmpBytes(kept, bytes);
        EXPECT_EQ(ctyError.code, -5);
        EXPECT_EQ(kept.width, 3) << "a refused file leaves the image unchanged";
        EXPECT_EQ(kept.pels, pels);
        EXPECT_EQ(kept.pelFmt.kind, 1);
    }

    auto truncated = smallIndexedFile(256);
    truncated.resize(truncated.size() - 6);
    resetErrors();
    readBmpBytes(image, truncated);
    EXPECT_EQ(ctyError.code, -5) << "a short body is no success";
    EXPECT_EQ(image.PelAtXY(0, 1), 3u) << "the bottom row arrived";
    EXPECT_EQ(image.PelAtXY(0, 0), 0u) << "the unread top row is zero";
    EXPECT_EQ(image.lockedPels, nullptr);

    resetErrors();
    EXPECT_THROW(readBmpBytes(image, truncated, talvo::io::failBit), talvo::io::Failure);
    EXPECT_EQ(image.lockedPels, nullptr) << "an exception leaves the image unlocked";

    // A colour table on a 24-bit file posts -5 and is read as the file says.
    std::vector<std::uint8_t> tabled(54, 0);
    tabled[0] = 'B', tabled[1] = 'M', tabled[10] = 62, tabled[14] = 40, tabled[18] = 1, tabled[22] = 1, tabled[26] = 1;
    tabled[28] = 24, tabled[46] = 1;
    tabled.insert(tabled.end(), {9, 8, 7, 0, 0xA, 0xB, 0xC, 0});
    resetErrors();
    readBmpBytes(image, tabled);
    EXPECT_EQ(ctyError.code, -5);
    EXPECT_EQ(image.pelFmt.kind, 0);
    ASSERT_NE(image.pelFmt.palette, nullptr);
    EXPECT_EQ(image.pelFmt.palette->entries[0], 9);
    resetErrors();
}

// Every cut of files with masks and row padding reads from memory (as a packed archive member
// does) as LoadBmp reads it from a file: the same code, size, kind and pixels.
TEST(ImgCTyBmp, CutFilesReadFromMemoryAsFromAFile)
{
    TempFolder folder("sprite_bmp_cut");
    const std::string name = folder.file("cut.bmp");
    const std::uint8_t pels[3 * 3 * 3] = {0x11, 0xF8, 0x22, 0x07, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88, 0x99, 0xAA, 0xBB, 0xCC,
                                          0xDD, 0xEE, 0xFF, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A};
    palCTy palette;
    const std::uint8_t two[8] = {1, 2, 3, 0, 4, 5, 6, 0};
    palette.Set(two, 2);
    const std::vector<std::uint8_t> files[] = {
        referenceBmp(4, 1, 1, pels, 1, nullptr),  // 70 bytes: masks, then one padded row
        referenceBmp(8, 1, 2, pels, 1, nullptr),  // the 108-byte header
        referenceBmp(6, 1, 2, pels, 1, nullptr),
        referenceBmp(2, 1, 2, pels, 1, nullptr),
        hexBytes(v4Bgrx32Hex),  // 32-bit masks in the 108-byte header
        referenceBmp(4, 3, 3, pels, 3, nullptr),
        referenceBmp(9, 1, 3, pels, 1, &palette),
        referenceBmp(1, 3, 3, pels, 3, nullptr),
        withGap(referenceBmp(9, 1, 3, pels, 1, &palette), 5),
    };
    const imgPelFmt k1(1, nullptr);
    for (const auto& file : files) {
        for (std::size_t cut = 54; cut <= file.size(); ++cut) {
            const std::vector<std::uint8_t> bytes(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(cut));
            std::ofstream(name, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                        static_cast<std::streamsize>(bytes.size()));
            imgRowCTy fromFile, fromMemory;
            fromFile.Create(1, 1, &k1);
            fromMemory.Create(1, 1, &k1);
            // Create leaves new pixels unset and a refused file leaves them so: both start alike.
            std::memset(fromFile.pels, 0x5A, 3);
            std::memset(fromMemory.pels, 0x5A, 3);
            resetErrors();
            fromFile.LoadBmp(name.c_str());
            const int fileCode = ctyError.code;
            resetErrors();
            readBmpBytes(fromMemory, bytes);
            const std::string what = "bits " + std::to_string(at16(file, 28)) + ", " + std::to_string(cut) + " of " +
                                     std::to_string(file.size()) + " bytes";
            EXPECT_EQ(ctyError.code, fileCode) << what;
            ASSERT_EQ(fromMemory.width, fromFile.width) << what;
            ASSERT_EQ(fromMemory.height, fromFile.height) << what;
            EXPECT_EQ(fromMemory.pelFmt.kind, fromFile.pelFmt.kind) << what;
            EXPECT_EQ(rowsOf(fromMemory), rowsOf(fromFile)) << what;
        }
    }
    resetErrors();
}

// A cut file keeps its size while it lacks at most 2^20 bytes of rows; a header asking for more
// than that is refused before anything is allocated, from a file as from memory. The run-length
// sprite would otherwise spend a table entry and a coded row on each missing row.
TEST(ImgCTyBmp, RowsTheFileLacksAreNotAllocated)
{
    static ctyAllocHooks real;
    real = ctyHooks;
    ctyHooks.alloc = [](std::size_t n) -> void* { return n > (std::size_t{64} << 20) ? nullptr : real.alloc(n); };
    ctyHooks.calloc = [](std::size_t count, std::size_t size) -> void* {
        return count * size > (std::size_t{64} << 20) ? nullptr : real.calloc(count, size);
    };
    TempFolder folder("sprite_bmp_lacking");
    const std::string name = folder.file("lacking.bmp");
    const std::uint8_t pels[3] = {1, 2, 3};
    palCTy ten;
    const std::vector<std::uint8_t> entries(40, 0x44);
    ten.Set(entries.data(), 10);
    // 8-bit headers without pixel data: 1,078 bytes with 256 colours, 94 with 10.
    const auto declaring = [&](int width, int height, const palCTy* palette) {
        auto file = referenceBmp(9, width, 1, pels, width, palette);
        file.erase(file.end() - 4, file.end());  // the one row's pixels
        for (std::size_t i = 0; i < 4; ++i) file[22 + i] = static_cast<std::uint8_t>(height >> (8 * i));
        return file;
    };
    struct Case {
        std::vector<std::uint8_t> file;
        bool cut;
    };
    const Case cases[] = {
        {declaring(1, 1 << 28, nullptr), false},
        {declaring(3, 67108866, &ten), false},
        {declaring(1, (1 << 18) + 1, nullptr), false},  // 2^20 + 1 bytes missing
        {declaring(1, 1 << 18, nullptr), true},         // the last row needs no padding: 2^20 - 3
    };
    for (const Case& c : cases) {
        std::ofstream(name, std::ios::binary).write(reinterpret_cast<const char*>(c.file.data()),
                                                    static_cast<std::streamsize>(c.file.size()));
        const int height = static_cast<int>(at32(c.file, 22));
        imgRle8CTy fromFile, fromMemory;
        fromFile.Create(2, 1, nullptr);
        fromMemory.Create(2, 1, nullptr);
        resetErrors();
        fromFile.LoadBmp(name.c_str());
        EXPECT_EQ(ctyError.code, -5) << height;
        resetErrors();
        readBmpBytes(fromMemory, c.file);
        EXPECT_EQ(ctyError.code, -5) << height;
        for (const imgRle8CTy* sprite : {&fromFile, &fromMemory}) {
            EXPECT_EQ(sprite->width, c.cut ? 1 : 2) << height;
            EXPECT_EQ(sprite->height, c.cut ? height : 1) << height;
        }
    }
    ctyHooks = real;
    resetErrors();
}

// Other writers may leave a gap before the pixels; an offset past the end is a cut file.
TEST(ImgCTyBmp, PixelsStartAtTheirOffset)
{
    TempFolder folder("sprite_bmp_offset");
    const std::string name = folder.file("gap.bmp");
    SeededRng random(61);
    std::uint8_t pels[5 * 4 * 4];  // pitch 5, 4 rows, up to 4 bytes a pixel
    for (auto& b : pels) b = random.edgeByte();
    palCTy palette;
    const std::uint8_t two[8] = {1, 2, 3, 0, 4, 5, 6, 0};
    palette.Set(two, 2);
    const imgPelFmt k1(1, nullptr);
    const auto readBoth = [&](const std::vector<std::uint8_t>& bytes, imgRowCTy& fromFile, imgRowCTy& fromMemory) {
        std::ofstream(name, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                    static_cast<std::streamsize>(bytes.size()));
        fromFile.Create(1, 1, &k1);
        fromMemory.Create(1, 1, &k1);
        resetErrors();
        readBmpBytes(fromMemory, bytes);
        const int memoryCode = ctyError.code;
        resetErrors();
        fromFile.LoadBmp(name.c_str());
        return std::pair{memoryCode, ctyError.code};
    };
    for (const int kind : {1, 3, 4, 9}) {
        const int bytesPerPel = imgPelBytes(kind);
        for (const std::uint32_t gap : {1u, 3u, 4u, 70000u}) {
            const auto file = withGap(referenceBmp(kind, 3, 4, pels, 5, kind == 9 ? &palette : nullptr), gap);
            imgRowCTy fromFile, fromMemory;
            const auto [memoryCode, fileCode] = readBoth(file, fromFile, fromMemory);
            const std::string what = "kind " + std::to_string(kind) + ", gap " + std::to_string(gap);
            EXPECT_EQ(memoryCode, 0) << what;
            EXPECT_EQ(fileCode, 0) << what;
            for (imgRowCTy* image : {&fromMemory, &fromFile}) {
                ASSERT_EQ(image->width, 3) << what;
                ASSERT_EQ(image->height, 4) << what;
                for (int y = 0; y < 4; ++y)
                    EXPECT_EQ(std::memcmp(image->pels + y * 3 * bytesPerPel, pels + y * 5 * bytesPerPel,
                                          static_cast<std::size_t>(3 * bytesPerPel)), 0) << what << ", row " << y;
            }
        }
    }
    for (const std::uint32_t offset : {91u, 103u, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
        auto file = referenceBmp(1, 3, 4, pels, 5, nullptr);  // 102 bytes: 54 + 4 rows of 12
        setOffset(file, offset);
        imgRowCTy fromFile, fromMemory;
        const auto [memoryCode, fileCode] = readBoth(file, fromFile, fromMemory);
        EXPECT_EQ(memoryCode, -5) << offset;
        EXPECT_EQ(fileCode, -5) << offset;
        EXPECT_EQ(rowsOf(fromMemory), rowsOf(fromFile)) << offset;
    }
    resetErrors();
}

// Bit fields choose the kind. 16-bit ones with 5-bit channels come in two layouts; the same colours
// read back either way. A model packs 5-bit channels and expands them by shifts, as the pixel
// converters do.
TEST(ImgCTyBmp, BitFieldMasksChooseTheKind)
{
    SeededRng random(77);
    std::uint32_t channels[6][3];
    for (auto& c : channels)
        for (auto& v : c) v = random.below(32);
    channels[0][0] = channels[0][1] = channels[0][2] = 31;
    channels[1][0] = channels[1][1] = channels[1][2] = 0;
    struct Layout {
        std::uint32_t red, green, blue;
        int kind;
    };
    for (const Layout layout : {Layout{0xF800, 0x07E0, 0x001F, 4}, Layout{0x7C00, 0x03E0, 0x001F, 5}}) {
        std::uint16_t words[6];
        for (int i = 0; i < 6; ++i) {
            const std::uint32_t* c = channels[i];
            words[i] = static_cast<std::uint16_t>(layout.kind == 4 ? c[0] << 11 | c[1] << 6 | c[2]
                                                                   : c[0] << 10 | c[1] << 5 | c[2] | (i & 1) << 15);
        }
        auto file = referenceBmp(4, 3, 2, reinterpret_cast<const std::uint8_t*>(words), 3, nullptr);
        std::vector<std::uint8_t> masks;
        push32(masks, layout.red), push32(masks, layout.green), push32(masks, layout.blue);
        std::copy(masks.begin(), masks.end(), file.begin() + 54);
        imgRowCTy image;
        resetErrors();
        readBmpBytes(image, file);
        EXPECT_EQ(ctyError.code, 0) << layout.kind;
        EXPECT_EQ(image.pelFmt.kind, layout.kind);
        for (int i = 0; i < 6; ++i) {
            const std::uint32_t* c = channels[i];
            std::uint32_t rgba = 0;
            image.RgbaAtXY(&rgba, i % 3, i / 3);
            EXPECT_EQ(rgba, 0xFF000000u | c[0] << 19 | c[1] << 11 | c[2] << 3) << "kind " << layout.kind << ", pixel " << i;
        }
    }
    // Any other masks are refused before the image changes; the first column is the depth's kind.
    const std::uint32_t refused[][4] = {
        {4, 0x001F, 0x07E0, 0xF800}, {4, 0x0F00, 0x000F, 0x00F0}, {4, 0xF800, 0x07E0, 0x003F},
        {4, 0x7C00, 0x07E0, 0x001F}, {4, 0, 0, 0},                {4, 0xEEEEEEEE, 0xEEEEEEEE, 0xEEEEEEEE},
        {2, 0xFF, 0xFF00, 0xFF0000}, {2, 0xFF000000, 0xFF0000, 0xFF00}, {2, 0xF800, 0x07E0, 0x001F},
        {2, 0xFF0000, 0xFF00, 0x7F}};
    const imgPelFmt k1(1, nullptr);
    for (const auto& m : refused) {
        const std::uint8_t pels[8] = {1, 2, 3, 4, 5, 6, 7, 8};
        auto file = referenceBmp(static_cast<int>(m[0]), 2, 1, pels, 2, nullptr);
        std::vector<std::uint8_t> masks;
        push32(masks, m[1]), push32(masks, m[2]), push32(masks, m[3]);
        std::copy(masks.begin(), masks.end(), file.begin() + 54);
        imgRowCTy kept;
        kept.Create(3, 1, &k1);
        resetErrors();
        readBmpBytes(kept, file);
        EXPECT_EQ(ctyError.code, -5) << std::hex << m[1] << " " << m[2] << " " << m[3];
        EXPECT_EQ(kept.width, 3);
        EXPECT_EQ(kept.pelFmt.kind, 1);
    }
    // In the 108-byte header the alpha mask tells each layout with alpha from without; one no kind
    // has is refused.
    const std::uint8_t pels[4] = {1, 2, 3, 4};
    const auto k8 = referenceBmp(8, 2, 1, pels, 2, nullptr), k6 = referenceBmp(6, 2, 1, pels, 2, nullptr);
    const auto k2 = hexBytes(v4Bgrx32Hex);
    struct AlphaCase {
        const std::vector<std::uint8_t>& written;
        std::uint32_t alpha;
        int kind;  // 1: refused
    };
    for (auto [written, alpha, kind] : {AlphaCase{k8, 0xF000, 8}, {k8, 0, 7}, {k8, 0x8000, 1}, {k6, 0x8000, 6},
                                        {k6, 0, 5}, {k6, 0xF000, 1}, {k2, 0xFF000000, 3}, {k2, 0, 2},
                                        {k2, 0x80000000, 1}}) {
        auto file = written;
        for (int i = 0; i < 4; ++i)
            file[66 + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(alpha >> (8 * i));
        imgRowCTy image;
        image.Create(3, 1, &k1);
        resetErrors();
        readBmpBytes(image, file);
        EXPECT_EQ(ctyError.code, kind == 1 ? -5 : 0) << std::hex << alpha;
        EXPECT_EQ(image.pelFmt.kind, kind) << std::hex << alpha;
    }
    resetErrors();
}

TEST(ImgCTyBmp, FileFailuresPostTheirCodes)
{
    resetErrors();
    TempFolder folder("sprite_bmp_fail");
    const imgPelFmt k1(1, nullptr);
    imgRowCTy image;
    image.Create(2, 2, &k1);
    const std::string missing = folder.file("no/such/folder/x.bmp");
    image.SaveBmp(missing.c_str());
    EXPECT_EQ(ctyError.code, -18);
    EXPECT_STREQ(ctyError.detail, missing.c_str());
    resetErrors();
    image.SaveBmp("/dev/full");
    EXPECT_EQ(ctyError.code, -18) << "a failed write is reported too";

    resetErrors();
    imgRowCTy kept;
    kept.Create(3, 1, &k1);
    kept.LoadBmp(missing.c_str());
    EXPECT_EQ(ctyError.code, -17);
    EXPECT_EQ(kept.width, 3) << "an unopened file stops the load";
    resetErrors();
}

}  // namespace
