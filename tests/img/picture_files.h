// Picture files for the decoder tests and fuzz seeds: a TGA writer, libjpeg's compressor and reader.
#pragma once

#include <cstdio>  // before jpeglib.h

#include <jpeglib.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "talvo/istream.h"
#include "talvo/mem_buf.h"
#include "tests/support/seeded_rng.h"

namespace imgtest {

using Bytes = std::vector<std::uint8_t>;

inline Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// An input stream over a copy of the bytes, with the given exception mask.
class MemStream {
public:
    MemStream(const Bytes& bytes, talvo::io::IoState mask) {
        auto* block = static_cast<char*>(std::malloc(bytes.empty() ? 1 : bytes.size()));
        if (!bytes.empty()) std::memcpy(block, bytes.data(), bytes.size());
        buffer_.set(block, bytes.size(), bytes.size());
        in_.init(&buffer_);
        in_.exceptions(mask);
    }
    [[nodiscard]] talvo::io::IStream& in() { return in_; }

private:
    talvo::io::MemBuf buffer_;
    talvo::io::IStream in_;
};

// A TGA file as the format lays it out; pixels are the stored bytes in file order.
struct TgaFile {
    std::uint8_t type = 2;
    std::uint8_t depth = 24;
    std::uint16_t width = 0;
    std::uint16_t height = 0;
    std::uint8_t mapType = 0;
    std::uint16_t mapFirst = 0;  // the index of the map's first entry
    std::uint16_t mapLength = 0;
    std::uint8_t mapEntryBits = 24;
    Bytes id;
    Bytes map;     // written as given, right after the id
    Bytes pixels;  // width x height x depth / 8 bytes
};

// Run-length packets of at most `longest` pixels (1 to 128) that run on across rows.
inline Bytes tgaPackets(const Bytes& pixels, std::uint32_t bpp, std::uint32_t longest) {
    Bytes out;
    const std::size_t count = pixels.size() / bpp;
    const auto same = [&](std::size_t a, std::size_t b) {
        return std::memcmp(&pixels[a * bpp], &pixels[b * bpp], bpp) == 0;
    };
    const auto put = [&](std::uint32_t header, std::size_t from, std::size_t to) {
        out.push_back(static_cast<std::uint8_t>(header));
        out.insert(out.end(), pixels.begin() + from * bpp, pixels.begin() + to * bpp);
    };
    for (std::size_t i = 0; i < count;) {
        std::size_t run = 1;
        while (i + run < count && run < longest && same(i, i + run)) ++run;
        if (run > 1) {
            put(127 + run, i, i + 1);
            i += run;
            continue;
        }
        std::size_t raw = 1;  // up to the next pair of equal pixels
        while (i + raw < count && raw < longest && !(i + raw + 1 < count && same(i + raw, i + raw + 1))) ++raw;
        put(raw - 1, i, i + raw);
        i += raw;
    }
    return out;
}

// The file's bytes; types 9 and 10 get packets of at most `longest` pixels.
inline Bytes tgaBytes(const TgaFile& f, std::uint32_t longest = 128) {
    const auto u16 = [](Bytes& b, std::uint32_t v) {
        b.push_back(static_cast<std::uint8_t>(v));
        b.push_back(static_cast<std::uint8_t>(v >> 8));
    };
    Bytes b{static_cast<std::uint8_t>(f.id.size()), f.mapType, f.type};
    u16(b, f.mapFirst);
    u16(b, f.mapLength);
    b.push_back(f.mapEntryBits);
    u16(b, 0);
    u16(b, 0);
    u16(b, f.width);
    u16(b, f.height);
    b.push_back(f.depth);
    b.push_back(0);
    b.insert(b.end(), f.id.begin(), f.id.end());
    b.insert(b.end(), f.map.begin(), f.map.end());
    const Bytes data = f.type >= 9 ? tgaPackets(f.pixels, f.depth / 8, longest) : f.pixels;
    b.insert(b.end(), data.begin(), data.end());
    return b;
}

// A JPEG made by libjpeg's compressor from B, G, R (or grey) rows of a seeded, mostly smooth picture.
struct JpegFile {
    std::uint32_t width = 32;
    std::uint32_t height = 24;
    int components = 3;  // 1 grey, 3 colour
    int quality = 85;
    bool progressive = false;
    unsigned restartRows = 0;
    bool subsample = true;  // 4:2:0, else 4:4:4
    std::uint64_t seed = 1;
    bool arithmetic = false;     // arithmetic coding instead of Huffman's
    std::uint32_t flatRows = 0;  // the last rows one grey: arithmetic coding ends its data before them
};

inline Bytes jpegBytes(const JpegFile& f) {
    Bytes picture(std::size_t{f.width} * f.height * f.components);
    SeededRng noise(f.seed);
    for (std::uint32_t y = 0; y < f.height; ++y)
        for (std::uint32_t x = 0; x < f.width; ++x)
            for (int c = 0; c < f.components; ++c) {
                const bool flat = y + f.flatRows >= f.height;
                picture[(std::size_t{y} * f.width + x) * f.components + c] =
                    flat ? 128 : static_cast<std::uint8_t>(x * (3 + c) + y * (5 - c) + noise.below(24));
            }
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    errors.error_exit = [](j_common_ptr c) { (*c->err->output_message)(c); std::abort(); };
    jpeg_create_compress(&info);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &out, &size);
    info.image_width = f.width;
    info.image_height = f.height;
    info.input_components = f.components;
    info.in_color_space = f.components == 1 ? JCS_GRAYSCALE : JCS_EXT_BGR;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, f.quality, TRUE);
    if (f.components == 3)
        for (int c = 0; c < 3; ++c) info.comp_info[c].h_samp_factor = info.comp_info[c].v_samp_factor = 1;
    if (f.components == 3 && f.subsample) info.comp_info[0].h_samp_factor = info.comp_info[0].v_samp_factor = 2;
    if (f.progressive) jpeg_simple_progression(&info);
    info.arith_code = f.arithmetic ? TRUE : FALSE;
    info.restart_in_rows = static_cast<int>(f.restartRows);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = &picture[std::size_t{info.next_scanline} * f.width * f.components];
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    Bytes bytes(out, out + size);
    std::free(out);
    return bytes;
}

// Where the first segment whose marker passes `wanted` starts (at its 0xFF), walking the segments from
// the one after the start-of-image marker; the file's size when there is none.
template <class Wanted>
std::size_t jpegSegment(const Bytes& file, Wanted wanted) {
    std::size_t at = 2;
    while (at + 4 <= file.size() && file[at] == 0xFF) {
        if (wanted(file[at + 1])) return at;
        at += 2 + (std::size_t{file[at + 2]} << 8 | file[at + 3]);
    }
    return file.size();
}

// The file with its frame header's width and height set to side.
inline Bytes jpegWithSide(Bytes file, std::uint32_t side) {
    const std::size_t at = jpegSegment(file, [](std::uint8_t m) {
        return (m & 0xF0) == 0xC0 && m != 0xC4 && m != 0xC8 && m != 0xCC;  // start of frame
    });
    file[at + 5] = file[at + 7] = static_cast<std::uint8_t>(side >> 8);
    file[at + 6] = file[at + 8] = static_cast<std::uint8_t>(side);
    return file;
}

// The file cut after its first scan header: the scan's data and all after it gone.
inline Bytes jpegThroughScanHeader(const Bytes& file) {
    const std::size_t at = jpegSegment(file, [](std::uint8_t m) { return m == 0xDA; });
    const std::size_t end = at + 2 + (std::size_t{file[at + 2]} << 8 | file[at + 3]);
    return Bytes(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(end));
}

// 240 bytes declaring a progressive 16384 x 16384 picture (2^28 pixels, at the decoders' limit) whose
// one scan holds no data: the end marker follows it.
inline Bytes jpegWithoutData16384() {
    return {
        // SOI
        0xFF, 0xD8,
        // APP0 (JFIF)
        0xFF, 0xE0, 0x00, 0x10, 0x4A, 0x46, 0x49, 0x46, 0x00, 0x01, 0x01, 0x00, 0x00, 0x01, 0x00, 0x01,
        0x00, 0x00,
        // DQT
        0xFF, 0xDB, 0x00, 0x43, 0x00, 0x08, 0x06, 0x06, 0x07, 0x06, 0x05, 0x08, 0x07, 0x07, 0x07, 0x09,
        0x09, 0x08, 0x0A, 0x0C, 0x14, 0x0D, 0x0C, 0x0B, 0x0B, 0x0C, 0x19, 0x12, 0x13, 0x0F, 0x14, 0x1D,
        0x1A, 0x1F, 0x1E, 0x1D, 0x1A, 0x1C, 0x1C, 0x20, 0x24, 0x2E, 0x27, 0x20, 0x22, 0x2C, 0x23, 0x1C,
        0x1C, 0x28, 0x37, 0x29, 0x2C, 0x30, 0x31, 0x34, 0x34, 0x34, 0x1F, 0x27, 0x39, 0x3D, 0x38, 0x32,
        0x3C, 0x2E, 0x33, 0x34, 0x32,
        // DQT
        0xFF, 0xDB, 0x00, 0x43, 0x01, 0x09, 0x09, 0x09, 0x0C, 0x0B, 0x0C, 0x18, 0x0D, 0x0D, 0x18, 0x32,
        0x21, 0x1C, 0x21, 0x32, 0x32, 0x32, 0x32, 0x32, 0x32, 0x32, 0x32, 0x32, 0x32, 0x32, 0x32, 0x32,
        0x32, 0x32, 0x32, 0x32, 0x32, 0x32, 0x32, 0x32, 0x32, 0x32, 0x32, 0x32, 0x32, 0x32, 0x32, 0x32,
        0x32, 0x32, 0x32, 0x32, 0x32, 0x32, 0x32, 0x32, 0x32, 0x32, 0x32, 0x32, 0x32, 0x32, 0x32, 0x32,
        0x32, 0x32, 0x32, 0x32, 0x32,
        // SOF2: progressive, 16384 x 16384, three components 1x1
        0xFF, 0xC2, 0x00, 0x11, 0x08, 0x40, 0x00, 0x40, 0x00, 0x03, 0x01, 0x11, 0x00, 0x02, 0x11, 0x01,
        0x03, 0x11, 0x01,
        // DHT
        0xFF, 0xC4, 0x00, 0x15, 0x00, 0x01, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
        0x00, 0x00, 0x00, 0x00, 0x00, 0x05, 0x04,
        // DHT
        0xFF, 0xC4, 0x00, 0x16, 0x01, 0x01, 0x01, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
        0x00, 0x00, 0x00, 0x00, 0x00, 0x04, 0x03, 0x01,
        // SOS: first DC scan of the three, point transform 1
        0xFF, 0xDA, 0x00, 0x0C, 0x03, 0x01, 0x00, 0x02, 0x10, 0x03, 0x10, 0x00, 0x00, 0x01,
        // EOI
        0xFF, 0xD9,
    };
}

// An arithmetic-coded 16384 x 16384 picture (2^28 pixels) whose file ends after its scan header.
inline Bytes jpegArithmeticScanHeader16384() {
    return jpegWithSide(jpegThroughScanHeader(jpegBytes({.width = 16, .height = 16, .arithmetic = true})), 16384);
}

// A plain libjpeg loop with the decoder's settings: jpeg_mem_src, B, G, R rows back to back, one
// scanline per call; rows keeps its storage from one pass to the next.
inline void jpegPlainPass(jpeg_decompress_struct& info, const Bytes& file, Bytes& rows) {
    jpeg_mem_src(&info, file.data(), file.size());
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_EXT_BGR;
    info.dct_method = JDCT_IFAST;
    info.dither_mode = JDITHER_NONE;
    jpeg_start_decompress(&info);
    const std::size_t rowBytes = std::size_t{info.output_width} * info.output_components;
    rows.resize(rowBytes * info.output_height);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = &rows[info.output_scanline * rowBytes];
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
}

// A decompressor whose errors end the process: the files handed to it are made to be good.
inline void jpegPlainCreate(jpeg_decompress_struct& info, jpeg_error_mgr& errors) {
    info.err = jpeg_std_error(&errors);
    errors.error_exit = [](j_common_ptr c) { (*c->err->output_message)(c); std::abort(); };
    jpeg_create_decompress(&info);
}

inline Bytes jpegReference(const Bytes& file) {
    jpeg_decompress_struct info{};
    jpeg_error_mgr errors{};
    jpegPlainCreate(info, errors);
    Bytes rows;
    jpegPlainPass(info, file, rows);
    jpeg_destroy_decompress(&info);
    return rows;
}

// libjpeg's own text for a message code.
inline std::string jpegMessage(int code) {
    jpeg_decompress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    errors.msg_code = code;
    char text[JMSG_LENGTH_MAX];
    errors.format_message(reinterpret_cast<j_common_ptr>(&info), text);
    return text;
}

}  // namespace imgtest
