// JPEG decoder: libjpeg-made pictures decode byte for byte as a plain libjpeg loop does; failures raise.
#include <gtest/gtest.h>
#include <jerror.h>

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <streambuf>
#include <string>
#include <vector>

#include "img/image_row.h"
#include "img/jpg_codec.h"
#include "img/jpg_decoder.h"
#include "picture_files.h"
#include "talvo/exception.h"
#include "tests/support/alloc_cap.h"

namespace {

using namespace talvo::g;
using imgtest::Bytes;
using imgtest::operator+;
using imgtest::JpegFile;
using imgtest::MemStream;
using talvo::io::IoState;

constexpr IoState quiet = 0;
constexpr IoState badAndFail = talvo::io::badBit | talvo::io::failBit;
// Every mask a caller sets: with eof in it a short read throws.
constexpr IoState masks[] = {quiet, badAndFail, talvo::io::eofBit, talvo::io::eofBit | badAndFail};

Bytes rowsOf(const ImageRow& image) {
    Bytes rows;
    for (std::int32_t y = 0; y < image.height(); ++y) {
        const std::uint8_t* row = image.pixels() + std::ptrdiff_t{y} * image.pitch();
        rows.insert(rows.end(), row, row + std::size_t(image.width()) * 3);
    }
    return rows;
}

std::string raised(talvo::io::IStream& in) {
    ImageRow image;
    try {
        JpgDecoder().load(in, image);
    } catch (const talvo::io::Failure&) {
        return "failure";
    } catch (const talvo::Exception& e) {
        return e.what();
    }
    return "";
}

std::string raised(const Bytes& file, IoState mask) {
    MemStream stream(file, mask);
    return raised(stream.in());
}

// Hands out its bytes a few at a time and cannot tell how many follow, as a pipe would.
class TrickleBuf : public std::streambuf {
public:
    TrickleBuf(const Bytes& bytes, std::size_t step) : bytes_(bytes.begin(), bytes.end()), step_(step) {
        setg(bytes_.data(), bytes_.data(), bytes_.data());
    }

protected:
    int_type underflow() override {
        char* const end = bytes_.data() + bytes_.size();
        if (egptr() == end) return traits_type::eof();
        setg(bytes_.data(), egptr(), egptr() + std::min<std::ptrdiff_t>(std::ptrdiff_t(step_), end - egptr()));
        return traits_type::to_int_type(*gptr());
    }

private:
    std::vector<char> bytes_;
    std::size_t step_;
};

// Keeps none of its bytes in a get area, so it cannot tell how many follow (as the C library's standard
// input cannot); counts the calls that read it.
class UnbufferedBuf : public std::streambuf {
public:
    explicit UnbufferedBuf(const Bytes& bytes) : bytes_(bytes) {}
    int reads = 0;

protected:
    int_type underflow() override {
        ++reads;
        return at_ < bytes_.size() ? traits_type::to_int_type(char(bytes_[at_])) : traits_type::eof();
    }
    int_type uflow() override {
        const int_type c = underflow();
        at_ += at_ < bytes_.size() ? 1 : 0;
        return c;
    }
    std::streamsize xsgetn(char* to, std::streamsize n) override {
        ++reads;
        const std::size_t k = std::min(std::size_t(n), bytes_.size() - at_);
        std::copy_n(bytes_.begin() + std::ptrdiff_t(at_), k, to);
        at_ += k;
        return std::streamsize(k);
    }

private:
    Bytes bytes_;
    std::size_t at_ = 0;
};

// The rows a plain libjpeg pass has given when its entropy decoder meets the marker after the data.
JDIMENSION rowsBeforeTheMarker(const Bytes& file) {
    jpeg_decompress_struct info{};
    jpeg_error_mgr errors{};
    imgtest::jpegPlainCreate(info, errors);
    jpeg_mem_src(&info, file.data(), file.size());
    jpeg_read_header(&info, TRUE);
    jpeg_start_decompress(&info);
    Bytes row(std::size_t{info.output_width} * info.output_components);
    JSAMPROW rows = row.data();
    while (info.output_scanline < info.output_height && info.unread_marker == 0)
        jpeg_read_scanlines(&info, &rows, 1);
    const JDIMENSION given = info.output_scanline;
    jpeg_destroy_decompress(&info);
    return given;
}

struct Variant {
    const char* name;
    JpegFile file;
};

const Variant variants[] = {
    {"baseline 4:2:0", {.width = 37, .height = 29}},
    {"baseline 4:4:4", {.width = 16, .height = 16, .subsample = false}},
    {"progressive", {.width = 45, .height = 21, .progressive = true, .seed = 2}},
    {"grey", {.width = 19, .height = 33, .components = 1, .seed = 3}},
    {"restart intervals", {.width = 64, .height = 40, .restartRows = 1, .seed = 4}},
    {"one pixel", {.width = 1, .height = 1, .seed = 5}},
    {"large, noisy", {.width = 96, .height = 80, .quality = 97, .seed = 6}},
    {"arithmetic, flat lower three quarters",
     {.width = 40, .height = 128, .seed = 10, .arithmetic = true, .flatRows = 96}},
    {"arithmetic progressive, flat lower half",
     {.width = 40, .height = 64, .progressive = true, .seed = 11, .arithmetic = true, .flatRows = 32}},
};

// Every variant, with bytes after the end marker and after a prefix the stream starts behind: load equals
// the plain loop, and a second decode on the same decoder gives the picture again. Arithmetic coding
// leaves out the zero bytes that end its data, and the decoder supplies them from the marker on: the
// data of a picture with a flat lower part ends rows before its last, and the file is whole all the same.
TEST(JpgDecoder, MatchesPlainLibjpegAndDecodesTwice) {
    for (const Variant& v : variants) {
        const Bytes file = imgtest::jpegBytes(v.file);
        const Bytes want = imgtest::jpegReference(file);
        if (v.file.flatRows != 0 && !v.file.progressive) {
            EXPECT_LT(rowsBeforeTheMarker(file), v.file.height / 2) << v.name;
        }
        MemStream plain(file, badAndFail);
        ImageRow image;
        JpgDecoder().load(plain.in(), image);
        EXPECT_EQ(image.format().id(), 1u) << v.name;
        EXPECT_EQ(image.width(), std::int32_t(v.file.width)) << v.name;
        EXPECT_TRUE(rowsOf(image) == want) << v.name;

        const Bytes framed = Bytes{'p', 'r', 'e'} + file + Bytes{0xFF, 0xD8, 0xFF, 0xD9, 'x'};
        MemStream stream(framed, badAndFail);
        stream.in().seekg(3);
        JpgDecoder decoder;
        decoder.open(stream.in());
        for (int pass = 0; pass < 2; ++pass) {
            ImageRow again;
            again.create(image.width(), image.height(), PelFmt(1));
            decoder.read(nullptr, again, nullptr, 0);
            EXPECT_TRUE(rowsOf(again) == want) << v.name << " pass " << pass;
        }
        if (v.file.components == 1) {
            for (std::size_t i = 0; i < want.size(); i += 3)
                ASSERT_TRUE(want[i] == want[i + 1] && want[i] == want[i + 2]) << "grey pixel " << i / 3;
        }
    }
}

// Rows 10 to 19 of the picture into a 10-row rectangle.
TEST(JpgDecoder, SourceRectanglesCopyTheirRowsOnly) {
    const JpegFile f{.width = 40, .height = 30, .seed = 7};
    const Bytes file = imgtest::jpegBytes(f);
    const Bytes want = imgtest::jpegReference(file);
    MemStream stream(file, badAndFail);
    JpgDecoder decoder;
    decoder.open(stream.in());
    ImageRow rows;
    rows.create(40, 10, PelFmt(1));
    decoder.decode({0, 10, 40, 20}, rows, {0, 0, 40, 10}, 0);
    EXPECT_TRUE(rowsOf(rows) == Bytes(want.begin() + 10 * 120, want.begin() + 20 * 120));
}

// Delivers its bytes, then cannot read on.
class BrokenBuf : public std::streambuf {
public:
    explicit BrokenBuf(const Bytes& bytes) : bytes_(bytes.begin(), bytes.end()) {
        setg(bytes_.data(), bytes_.data(), bytes_.data() + bytes_.size());
    }

protected:
    int_type underflow() override { throw talvo::io::Failure("read error"); }

private:
    std::vector<char> bytes_;
};

// A whole file loads whatever the stream's mask: one read short of the fill size, or a second one
// for a file above it, and buffers that cannot tell how many bytes follow, which are read in blocks
// too. Cut short, the same file fails with libjpeg's text.
TEST(JpgDecoder, WholeFilesLoadWhateverTheMask) {
    const Bytes small = imgtest::jpegBytes({.width = 37, .height = 29});
    const Bytes large =
        imgtest::jpegBytes({.width = 640, .height = 480, .quality = 97, .subsample = false, .seed = 12});
    ASSERT_GT(large.size(), JpgCodec::fillBytes);
    for (const Bytes* file : {&small, &large}) {
        const Bytes want = imgtest::jpegReference(*file);
        const Bytes cut(file->begin(), file->begin() + std::ptrdiff_t(file->size() * 2 / 3));
        for (const IoState mask : masks) {
            MemStream whole(*file, mask);
            TrickleBuf trickle(*file, 4093);
            talvo::io::IStream trickled(&trickle);
            trickled.exceptions(mask);
            UnbufferedBuf unbuffered(*file);
            talvo::io::IStream unbufferedIn(&unbuffered);
            unbufferedIn.exceptions(mask);
            for (talvo::io::IStream* in : {&whole.in(), &trickled, &unbufferedIn}) {
                ImageRow image;
                try {
                    JpgDecoder().load(*in, image);
                } catch (const talvo::Exception& e) {
                    ADD_FAILURE() << e.what();
                }
                EXPECT_TRUE(rowsOf(image) == want) << file->size() << " bytes, mask " << mask;
            }
            EXPECT_LE(unbuffered.reads, int(file->size() / JpgCodec::fillBytes) + 2) << "mask " << mask;
            TrickleBuf cutTrickle(cut, 4093);
            UnbufferedBuf cutUnbuffered(cut);
            for (std::streambuf* buffer : std::initializer_list<std::streambuf*>{&cutTrickle, &cutUnbuffered}) {
                talvo::io::IStream cutIn(buffer);
                cutIn.exceptions(mask);
                EXPECT_EQ(raised(cutIn), imgtest::jpegMessage(JWRN_JPEG_EOF)) << file->size() << " bytes, mask " << mask;
            }
        }
    }
}

// Empty, cut-short and corrupt files raise with libjpeg's own text, in either coding, whatever the
// stream's mask: running out of data is the file's fault, not the stream's.
TEST(JpgDecoder, BrokenFilesRaiseLibjpegsText) {
    for (const IoState mask : masks)
        EXPECT_EQ(raised({}, mask), imgtest::jpegMessage(JERR_INPUT_EMPTY)) << mask;
    for (const bool arithmetic : {false, true}) {
        const Bytes file = imgtest::jpegBytes({.width = 48, .height = 48, .quality = 95, .arithmetic = arithmetic});
        const Bytes cut(file.begin(), file.begin() + std::ptrdiff_t(file.size() / 2));
        Bytes corrupt = file;
        corrupt[1] = 0x00;
        const Bytes noEnd(file.begin(), file.end() - 2);
        for (const Bytes& ended : {cut, noEnd, imgtest::jpegThroughScanHeader(file)})
            for (const IoState mask : masks)
                EXPECT_EQ(raised(ended, mask), imgtest::jpegMessage(JWRN_JPEG_EOF)) << "arithmetic " << arithmetic;
        EXPECT_EQ(raised(corrupt, quiet).rfind("Not a JPEG file", 0), 0u) << raised(corrupt, quiet);
        EXPECT_EQ(raised(file + Bytes{1, 2, 3}, badAndFail), "");
    }

    // The frame header's size, above and at the pixel limit.
    const Bytes file = imgtest::jpegBytes({.width = 48, .height = 48, .quality = 95});
    // A stream that cannot read on raises its own failure, whatever its mask.
    for (const IoState mask : masks) {
        BrokenBuf broken(Bytes(file.begin(), file.begin() + std::ptrdiff_t(file.size() / 2)));
        talvo::io::IStream brokenIn(&broken);
        brokenIn.exceptions(mask);
        EXPECT_EQ(raised(brokenIn), "failure") << mask;
    }
    EXPECT_EQ(raised(imgtest::jpegWithSide(file, 16385), quiet), "talvo::g::JpgDecoder: picture above 2^28 pixels");
    MemStream atLimit(imgtest::jpegWithSide(file, 16384), quiet);
    JpgDecoder decoder;
    decoder.open(atLimit.in());
    ImageInfo info;
    decoder.info(info);
    EXPECT_EQ(info.width * info.height, 1 << 28);
}

// Headers declaring 2^28 pixels without their data (a progressive one whose one scan is empty, a
// baseline one holding 48 x 48 pixels' data, an arithmetic-coded one whose file ends after its scan
// header) fail with libjpeg's text before a picture block is asked for. A whole picture whose block
// cannot be had fails with the decoder's own text, from load and from decode, and leaves load's
// destination as it was; the decoder then decodes it once memory is there.
TEST(JpgDecoder, PictureMemoryOnlyOnceItsRowsArrive) {
    const Bytes baseline = imgtest::jpegBytes({.width = 48, .height = 48, .quality = 95});
    const Bytes whole = imgtest::jpegBytes({.width = 1024, .height = 512, .seed = 8});
    constexpr std::size_t ceiling = std::size_t{1} << 20;  // below the 1.5 MB the whole picture needs
    ImageRow kept;
    kept.create(2, 2, PelFmt(1));
    ImageRow other;
    other.create(8, 8, PelFmt(4));  // another format: decode needs a picture of its own
    MemStream again(whole, badAndFail);
    JpgDecoder decoder;
    decoder.open(again.in());
    {
        const testsupport::AllocCap cap(ceiling);
        for (const Bytes& header : {imgtest::jpegWithoutData16384(), imgtest::jpegWithSide(baseline, 16384)})
            EXPECT_EQ(raised(header, quiet), imgtest::jpegMessage(JWRN_HIT_MARKER));
        EXPECT_EQ(raised(imgtest::jpegArithmeticScanHeader16384(), quiet), imgtest::jpegMessage(JWRN_JPEG_EOF));
        EXPECT_LE(cap.largest(), ceiling);

        const std::string noMemory = "talvo::g::JpgDecoder: not enough memory for the picture";
        MemStream in(whole, badAndFail);
        try {
            JpgDecoder().load(in.in(), kept);
            ADD_FAILURE() << "a 1.5 MB block under a 1 MB ceiling";
        } catch (const talvo::Exception& e) {
            EXPECT_EQ(e.what(), noMemory);
        }
        EXPECT_EQ(kept.width(), 2);
        try {
            decoder.read(nullptr, other, nullptr, 0);
            ADD_FAILURE() << "decode's picture under a 1 MB ceiling";
        } catch (const talvo::Exception& e) {
            EXPECT_EQ(e.what(), noMemory);
        }
    }
    MemStream in(whole, badAndFail);
    JpgDecoder().load(in.in(), kept);
    EXPECT_TRUE(rowsOf(kept) == imgtest::jpegReference(whole));
    EXPECT_NO_THROW(decoder.read(nullptr, other, nullptr, 0));
}

// Delivers the bytes up to `cut` until the first seek, then all of them.
class HealingBuf : public std::streambuf {
public:
    HealingBuf(const Bytes& bytes, std::size_t cut) : bytes_(bytes.begin(), bytes.end()) {
        setg(bytes_.data(), bytes_.data(), bytes_.data() + cut);
    }

protected:
    pos_type seekpos(pos_type position, std::ios_base::openmode) override {
        setg(bytes_.data(), bytes_.data() + off_type(position), bytes_.data() + bytes_.size());
        return position;
    }
    pos_type seekoff(off_type offset, std::ios_base::seekdir direction, std::ios_base::openmode) override {
        return direction == std::ios_base::cur && offset == 0 ? pos_type(gptr() - eback()) : pos_type(-1);
    }

private:
    std::vector<char> bytes_;
};

// A pass that fails half-way (the data stops) leaves the decoder ready for a full one.
TEST(JpgDecoder, DecodesAfterAFailedPass) {
    const Bytes file = imgtest::jpegBytes({.width = 64, .height = 64, .seed = 9});
    HealingBuf buffer(file, file.size() / 2);
    talvo::io::IStream in(&buffer);
    in.exceptions(quiet);
    JpgDecoder decoder;
    decoder.open(in);
    ImageRow image;
    image.create(64, 64, PelFmt(1));
    try {
        decoder.read(nullptr, image, nullptr, 0);
        ADD_FAILURE() << "the cut pass decoded";
    } catch (const talvo::Exception& e) {
        EXPECT_EQ(std::string(e.what()), imgtest::jpegMessage(JWRN_JPEG_EOF));
    }
    decoder.read(nullptr, image, nullptr, 0);
    EXPECT_TRUE(rowsOf(image) == imgtest::jpegReference(file));
}

TEST(JpgDecoder, LoadByNameOfAMissingFileRaisesTheStreamFailure) {
    ImageRow image;
    EXPECT_THROW(JpgDecoder().loadByName("/nonexistent/velmoor/picture.jpg", image), talvo::io::Failure);
}

}  // namespace
