// The POSIX file: open modes, sharing, errors and text-mode reading.
#include <gtest/gtest.h>

#include <fcntl.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "scratch_dir.h"
#include "talvo/file.h"

namespace {

using talvo::File;
using talvo::SeekDir;
constexpr auto in = std::ios_base::in;
constexpr auto out = std::ios_base::out;
constexpr auto app = std::ios_base::app;
constexpr auto trunc = std::ios_base::trunc;
constexpr auto ate = std::ios_base::ate;
constexpr auto binary = std::ios_base::binary;

std::string readAll(File& f, std::size_t chunk = 4096) {
    std::string result;
    std::string buffer(chunk, '\0');
    for (;;) {
        const std::size_t n = f.read(buffer.data(), chunk);
        if (n == 0) return result;
        result.append(buffer, 0, n);
    }
}

class FileTest : public ::testing::Test {
protected:
    ScratchDir dir;
    std::string path = dir.file("data.bin");
};

TEST_F(FileTest, OpenModesCreateKeepOrEmpty) {
    File f;
    EXPECT_FALSE(f.open(path.c_str(), in)) << "reading needs an existing file";
    EXPECT_EQ(f.lastError().code(), static_cast<std::uint32_t>(ENOENT));
    EXPECT_FALSE(f.open(path.c_str(), in | out));

    writeBytes(path, "hello world");
    ASSERT_TRUE(f.open(path.c_str(), out));
    EXPECT_EQ(f.write("HE", 2), 2u);
    ASSERT_TRUE(f.close());
    EXPECT_EQ(readBytes(path), "HEllo world") << "out alone keeps the content and writes at the start";

    ASSERT_TRUE(f.open(path.c_str(), out | app));
    EXPECT_EQ(f.write("!", 1), 1u);
    f.close();
    EXPECT_EQ(readBytes(path), "HEllo world!");

    ASSERT_TRUE(f.open(path.c_str(), out | ate | binary));
    EXPECT_EQ(f.seek(0, SeekDir::current), 12);
    f.close();

    ASSERT_TRUE(f.open(path.c_str(), out | trunc));
    EXPECT_EQ(f.size(), 0u);
    f.close();
    EXPECT_EQ(readBytes(path), "");

    const std::string fresh = dir.file("fresh.bin");
    ASSERT_TRUE(f.open(fresh.c_str(), in | out | trunc | binary));
    EXPECT_EQ(f.write("abc", 3), 3u);
    EXPECT_EQ(f.seek(0, SeekDir::begin), 0);
    EXPECT_EQ(readAll(f), "abc");
    f.close();
}

TEST_F(FileTest, RefusedModesAndSecondOpen) {
    writeBytes(path, "keep");
    File f;
    for (auto mode : {std::ios_base::openmode{}, app, in | trunc, trunc, in | app, in | out | app})
        EXPECT_FALSE(f.open(path.c_str(), mode)) << static_cast<int>(mode);
    EXPECT_EQ(readBytes(path), "keep");

    ASSERT_TRUE(f.open(path.c_str(), in));
    EXPECT_FALSE(f.open(dir.file("other").c_str(), out));
    EXPECT_TRUE(f.isOpen());
    EXPECT_EQ(readAll(f), "keep");
    EXPECT_TRUE(f.close());
    EXPECT_FALSE(f.close()) << "closing a closed file fails";
}

TEST_F(FileTest, SecondWriterFailsReadersShare) {
    writeBytes(path, "abc");
    File writer;
    ASSERT_TRUE(writer.open(path.c_str(), out));
    File second;
    EXPECT_FALSE(second.open(path.c_str(), out | trunc));
    EXPECT_EQ(second.lastError().code(), static_cast<std::uint32_t>(EWOULDBLOCK));
    EXPECT_EQ(readBytes(path), "abc") << "a refused writer must not truncate";
    EXPECT_FALSE(second.open(path.c_str(), in | out));

    File reader1, reader2;
    EXPECT_TRUE(reader1.open(path.c_str(), in));
    EXPECT_TRUE(reader2.open(path.c_str(), in));

    writer.close();
    EXPECT_TRUE(second.open(path.c_str(), out | trunc)) << "readers do not keep a writer out";
    EXPECT_EQ(readBytes(path), "");
}

TEST_F(FileTest, DirectoriesNamesAndDescriptors) {
    File f;
    EXPECT_FALSE(f.open(dir.path().c_str(), in));
    EXPECT_EQ(f.lastError().code(), static_cast<std::uint32_t>(EISDIR));
    EXPECT_FALSE(f.isOpen());
    EXPECT_FALSE(f.open(nullptr, in));
    EXPECT_FALSE(f.open("", out));

    File zero;
    EXPECT_TRUE(zero.attach(0, in)) << "descriptor 0 is valid";
    EXPECT_FALSE(zero.attach(3, in));
    EXPECT_TRUE(zero.close());
    EXPECT_NE(::fcntl(0, F_GETFD), -1) << "closing an attached descriptor must leave it open";
    EXPECT_FALSE(File().attach(-1, in));
}

TEST_F(FileTest, LastErrorStartsClearAndTracksFailedCalls) {
    errno = EACCES;
    File f;
    EXPECT_EQ(f.lastError().code(), 0u);
    char text[64];
    f.lastError().describe(text, sizeof text);
    EXPECT_STREQ(text, "no error");

    ASSERT_TRUE(f.open("/dev/full", out));
    EXPECT_EQ(f.write("x", 1), 0u);
    EXPECT_EQ(f.lastError().code(), static_cast<std::uint32_t>(ENOSPC));
}

TEST_F(FileTest, SeekRules) {
    writeBytes(path, "0123456789");
    File f;
    ASSERT_TRUE(f.open(path.c_str(), in | binary));
    EXPECT_EQ(f.seek(-1, SeekDir::begin), -1);
    EXPECT_EQ(f.seek(-11, SeekDir::end), -1);
    EXPECT_EQ(f.seek(0, static_cast<SeekDir>(3)), -1);
    EXPECT_EQ(f.seek(-10, SeekDir::end), 0);
    EXPECT_EQ(f.seek(4, SeekDir::begin), 4);
    EXPECT_EQ(f.seek(2, SeekDir::current), 6);
    EXPECT_EQ(readAll(f), "6789");
    EXPECT_EQ(f.size(), 10u);
}

TEST_F(FileTest, TextModeReadTranslation) {
    struct Case {
        std::string bytes;
        std::size_t chunk;
        std::string expected;
    };
    const Case cases[] = {
        {"a\r\nb", 16, "a\nb"},
        {"a\r\nb", 2, "a\nb"},        // block ends in CR, LF comes next
        {"a\rb", 2, "a\rb"},          // block ends in CR, something else comes next
        {"ab\r", 3, "ab\r"},          // CR is the last byte of the file
        {"a\rxb\r\r\n", 16, "a\rxb\r\n"},
        {"ab\x1a" "cd", 16, "ab"},    // Ctrl-Z ends the data
    };
    for (const Case& c : cases) {
        writeBytes(path, c.bytes);
        File f;
        ASSERT_TRUE(f.open(path.c_str(), in));
        EXPECT_EQ(readAll(f, c.chunk).substr(0, c.expected.size()), c.expected) << c.bytes.size();
        f.close();
    }
    // Binary mode passes everything through.
    writeBytes(path, "a\r\nb\x1a");
    File f;
    ASSERT_TRUE(f.open(path.c_str(), in | binary));
    EXPECT_EQ(readAll(f), "a\r\nb\x1a");
}

}  // namespace
