// File stream buffers: block-wise reading, text-mode translation, positions, putback, errors.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <istream>
#include <ostream>
#include <string>

#include "talvo/file_buf.h"
#include "test_support.h"

namespace {

using talvo::io::BasicFileBuf;
using talvo::io::FileBuf;
using talvotest::readFile;
using talvotest::writeFile;
constexpr auto in = std::ios_base::in;
constexpr auto out = std::ios_base::out;
constexpr auto trunc = std::ios_base::trunc;
constexpr auto binary = std::ios_base::binary;

std::string readStream(std::istream& s) { return {std::istreambuf_iterator<char>(s), std::istreambuf_iterator<char>()}; }

class FileBufTest : public ::testing::Test {
protected:
    talvotest::ScratchDir dir;
    const char* path = "stream.txt";

    void write(const std::string& text, std::ios_base::openmode mode, std::size_t piece = 4) {
        FileBuf buffer(path, out | trunc | mode);
        std::ostream s(&buffer);
        for (std::size_t i = 0; i < text.size(); i += piece) s.write(text.data() + i, std::min(piece, text.size() - i));
        EXPECT_TRUE(s.good());
    }
    std::string read(std::ios_base::openmode mode) {
        FileBuf buffer(path, in | mode);
        std::istream s(&buffer);
        return readStream(s);
    }
};

TEST_F(FileBufTest, CrLfAcrossTheBlockEdge) {
    const std::size_t block = BasicFileBuf::defaultBufferSize();
    ASSERT_GE(block, 4096u);
    ASSERT_EQ(block % talvo::AbstractFile::pageSize(), 0u);
    // CR as the last byte of the first block, LF as the first of the next.
    const std::string head(block - 1, 'x');
    writeFile(path, head + "\r\nyz\r\n");
    EXPECT_EQ(read({}), head + "\nyz\n");
}

TEST_F(FileBufTest, RoundTripsOfManyBlocks) {
    std::string data(3 * BasicFileBuf::defaultBufferSize() + 123, '\0');
    std::uint32_t state = 7;
    for (char& c : data) c = static_cast<char>((state = state * 1664525u + 1013904223u) >> 24);
    write(data, binary);
    EXPECT_EQ(readFile(path), data);
    EXPECT_EQ(read(binary), data);

    // Text mode writes every LF as CR LF (even when the expansion crosses blocks) and reads it back.
    std::string text, bytes;
    for (int i = 0; i < 3000; ++i) {
        text += i % 3 ? "ab\n" : "\n";
        bytes += i % 3 ? "ab\r\n" : "\r\n";
    }
    write(text, {}, 1000);
    EXPECT_EQ(readFile(path), bytes);
    EXPECT_EQ(read({}), text);
}

TEST_F(FileBufTest, TellCountsLineFeedsAsTwoInTextMode) {
    writeFile(path, "ab\r\ncd\r\n");
    FileBuf buffer(path, in);
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
    writeFile(path, "0123456789");
    FileBuf buffer(path, in | out | binary);
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
    EXPECT_EQ(readFile(path), "0123AB6789");
}

TEST_F(FileBufTest, ModesNamesAndErrors) {
    FileBuf missing("missing.dat", in);
    EXPECT_FALSE(missing.is_open());
    EXPECT_STREQ(missing.name(), "missing.dat");
    char text[256];
    ASSERT_NE(missing.lastFileError(), nullptr);
    missing.lastFileError()->describe(text, sizeof text);
    EXPECT_STREQ(text, std::strerror(ENOENT));
    std::istream none(&missing);
    EXPECT_EQ(none.get(), EOF);

    writeFile(path, "abc");
    FileBuf reader(path, in);
    std::ostream wrong(&reader);
    wrong << 'x';
    EXPECT_TRUE(wrong.bad()) << "writing needs the out bit";

    FileBuf full;
    ASSERT_EQ(full.open("/dev/full", out | binary), &full);
    EXPECT_EQ(full.open(path, in), nullptr) << "already open";
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
        FileBuf buffer(path, out | trunc | binary);
        buffer.pubsetbuf(nullptr, 0);
        std::ostream s(&buffer);
        s << "xy";
        EXPECT_EQ(readFile(path), "xy") << "unbuffered output reaches the file at once";
    }
    char storage[3];
    FileBuf buffer(path, in | binary);
    buffer.pubsetbuf(storage, sizeof storage);
    std::istream s(&buffer);
    EXPECT_EQ(readStream(s), "xy");
    EXPECT_TRUE(FileBuf(0, in).is_open()) << "descriptor 0 is valid";
}

}  // namespace
