// File stream buffers: block-wise reading, text-mode translation, positions, putback, errors.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <istream>
#include <ostream>
#include <string>

#include "scratch_dir.h"
#include "talvo/file_buf.h"

namespace {

using talvo::io::BasicFileBuf;
using talvo::io::FileBuf;
constexpr auto in = std::ios_base::in;
constexpr auto out = std::ios_base::out;
constexpr auto trunc = std::ios_base::trunc;
constexpr auto binary = std::ios_base::binary;

std::string readStream(std::istream& s) {
    return std::string(std::istreambuf_iterator<char>(s), std::istreambuf_iterator<char>());
}

// A tiny deterministic generator, so a failing case can be rerun.
struct Lcg {
    std::uint32_t state;
    std::uint32_t next() { return state = state * 1664525u + 1013904223u; }
};

class FileBufTest : public ::testing::Test {
protected:
    ScratchDir dir;
    std::string path = dir.file("stream.txt");
};

TEST_F(FileBufTest, CrLfAcrossTheBlockEdge) {
    const std::size_t block = BasicFileBuf::defaultBufferSize();
    ASSERT_GE(block, 4096u);
    ASSERT_EQ(block % talvo::AbstractFile::pageSize(), 0u);
    // CR as the last byte of the first block, LF as the first of the next.
    const std::string head(block - 1, 'x');
    writeBytes(path, head + "\r\nyz\r\n");
    FileBuf buffer(path.c_str(), in);
    ASSERT_TRUE(buffer.is_open());
    std::istream s(&buffer);
    EXPECT_EQ(readStream(s), head + "\nyz\n");
}

TEST_F(FileBufTest, TextWriteTurnsLfIntoCrLfBinaryDoesNot) {
    {
        FileBuf buffer(path.c_str(), out | trunc);
        std::ostream s(&buffer);
        s << "a\nb\n" << std::string(1000, '\n');
    }
    EXPECT_EQ(readBytes(path), "a\r\nb\r\n" + [] {
        std::string s;
        for (int i = 0; i < 1000; ++i) s += "\r\n";
        return s;
    }());
    {
        FileBuf buffer(path.c_str(), out | trunc | binary);
        std::ostream s(&buffer);
        s << "a\nb\n";
    }
    EXPECT_EQ(readBytes(path), "a\nb\n");
}

TEST_F(FileBufTest, BinaryRoundTripOfManyBlocks) {
    Lcg random{7};
    std::string data(3 * BasicFileBuf::defaultBufferSize() + 123, '\0');
    for (char& c : data) c = static_cast<char>(random.next() >> 24);
    {
        FileBuf buffer(path.c_str(), out | trunc | binary);
        std::ostream s(&buffer);
        for (std::size_t i = 0; i < data.size(); i += 4) s.write(data.data() + i, std::min<std::size_t>(4, data.size() - i));
        ASSERT_TRUE(s.good());
    }
    FileBuf buffer(path.c_str(), in | binary);
    std::istream s(&buffer);
    EXPECT_EQ(readStream(s), data);
}

TEST_F(FileBufTest, TellCountsLineFeedsAsTwoInTextMode) {
    writeBytes(path, "ab\r\ncd\r\n");
    FileBuf buffer(path.c_str(), in);
    std::istream s(&buffer);
    EXPECT_EQ(s.get(), 'a');
    EXPECT_EQ(s.tellg(), 1);
    char three[3];
    s.read(three, 3);
    EXPECT_EQ(std::string(three, 3), "b\nc");
    EXPECT_EQ(s.tellg(), 5);
    s.seekg(1);
    EXPECT_EQ(readStream(s), "b\ncd\n");
}

TEST_F(FileBufTest, SeekPutbackAndRewrite) {
    writeBytes(path, "0123456789");
    FileBuf buffer(path.c_str(), in | out | binary);
    std::iostream s(&buffer);
    EXPECT_EQ(s.get(), '0');
    EXPECT_EQ(s.get(), '1');
    EXPECT_TRUE(s.putback('1'));
    EXPECT_TRUE(s.unget());
    EXPECT_EQ(s.get(), '0');
    s.seekp(4);
    s << "AB";
    s.seekg(0, std::ios_base::end);
    EXPECT_EQ(s.tellg(), 10);
    s.seekg(-7, std::ios_base::cur);
    EXPECT_EQ(readStream(s), "3AB6789");
    EXPECT_EQ(buffer.close(), &buffer);
    EXPECT_EQ(buffer.close(), nullptr);
    EXPECT_EQ(readBytes(path), "0123AB6789");
}

TEST_F(FileBufTest, ModesNamesAndErrors) {
    FileBuf missing(dir.file("missing.dat").c_str(), in);
    EXPECT_FALSE(missing.is_open());
    EXPECT_STREQ(missing.name(), dir.file("missing.dat").c_str());
    ASSERT_NE(missing.lastFileError(), nullptr);
    char text[256];
    missing.lastFileError()->describe(text, sizeof text);
    EXPECT_STREQ(text, std::strerror(ENOENT));
    std::istream none(&missing);
    EXPECT_EQ(none.get(), EOF);

    writeBytes(path, "abc");
    FileBuf reader(path.c_str(), in);
    std::ostream wrong(&reader);
    wrong << 'x';
    EXPECT_TRUE(wrong.bad()) << "writing needs the out bit";

    FileBuf full;
    EXPECT_STREQ(full.name(), "");
    ASSERT_EQ(full.open("/dev/full", out | binary), &full);
    EXPECT_EQ(full.open(path.c_str(), in), nullptr);
    std::ostream s(&full);
    s << "data" << std::flush;
    EXPECT_TRUE(s.bad());
    s.clear();
    s << "more" << std::flush;
    EXPECT_TRUE(s.bad()) << "a failed write keeps the buffer in error";
    EXPECT_EQ(full.lastFileError()->describe(text, sizeof text), std::strlen(std::strerror(ENOSPC)));
}

TEST_F(FileBufTest, UnbufferedAndCallerBuffers) {
    {
        FileBuf buffer(path.c_str(), out | trunc | binary);
        buffer.pubsetbuf(nullptr, 0);
        std::ostream s(&buffer);
        s << "xy";
        EXPECT_EQ(readBytes(path), "xy") << "unbuffered output reaches the file at once";
    }
    char storage[3];
    FileBuf buffer(path.c_str(), in | binary);
    buffer.pubsetbuf(storage, sizeof storage);
    std::istream s(&buffer);
    EXPECT_EQ(readStream(s), "xy");
    const auto attached = FileBuf(0, in);
    EXPECT_TRUE(attached.is_open());
}

}  // namespace
