// The POSIX file: open modes, sharing, errors, seeks and text-mode reading.
#include <gtest/gtest.h>

#include <fcntl.h>

#include <cerrno>
#include <string>

#include "talvo/file.h"
#include "test_support.h"

namespace {

using talvo::File;
using talvo::SeekDir;
using talvotest::readFile;
using talvotest::writeFile;
constexpr auto in = std::ios_base::in;
constexpr auto out = std::ios_base::out;
constexpr auto app = std::ios_base::app;
constexpr auto trunc = std::ios_base::trunc;
constexpr auto binary = std::ios_base::binary;

std::string readAll(File& f, std::size_t chunk = 4096) {
    std::string result, buffer(chunk, '\0');
    while (const std::size_t n = f.read(buffer.data(), chunk)) result.append(buffer, 0, n);
    return result;
}

std::uint32_t errorOf(const File& f) { return f.lastError().code(); }

class FileTest : public ::testing::Test {
protected:
    talvotest::ScratchDir dir;
    const char* path = "data.bin";
};

TEST_F(FileTest, OpenModesCreateKeepOrEmpty) {
    File f;
    EXPECT_FALSE(f.open(path, in)) << "reading needs an existing file";
    EXPECT_EQ(errorOf(f), static_cast<std::uint32_t>(ENOENT));
    EXPECT_FALSE(f.open(path, in | out));
    for (auto mode : {std::ios_base::openmode{}, app, in | trunc, trunc, in | app, in | out | app})
        EXPECT_FALSE(f.open(path, mode)) << static_cast<int>(mode);

    writeFile(path, "hello world");
    ASSERT_TRUE(f.open(path, out));
    EXPECT_FALSE(f.open("other", out)) << "already open";
    EXPECT_EQ(f.write("HE", 2), 2u);
    ASSERT_TRUE(f.close());
    EXPECT_FALSE(f.close()) << "closing a closed file fails";
    EXPECT_EQ(readFile(path), "HEllo world") << "out alone keeps the content and writes at the start";

    ASSERT_TRUE(f.open(path, out | app));
    EXPECT_EQ(f.write("!", 1), 1u);
    f.close();
    ASSERT_TRUE(f.open(path, out | std::ios_base::ate | binary));
    EXPECT_EQ(f.seek(0, SeekDir::current), 12);
    f.close();
    EXPECT_EQ(readFile(path), "HEllo world!");

    ASSERT_TRUE(f.open(path, out | trunc));
    EXPECT_EQ(f.size(), 0u);
    f.close();
    EXPECT_EQ(readFile(path), "");

    ASSERT_TRUE(f.open("fresh.bin", in | out | trunc | binary));
    EXPECT_EQ(f.write("0123456789", 10), 10u);
    const std::pair<std::int32_t, SeekDir> refused[] = {{-1, SeekDir::begin}, {-11, SeekDir::end}, {0, SeekDir(3)}};
    for (const auto& [offset, from] : refused) EXPECT_EQ(f.seek(offset, from), -1);
    EXPECT_EQ(f.seek(-10, SeekDir::end), 0);
    EXPECT_EQ(f.seek(4, SeekDir::begin), 4);
    EXPECT_EQ(f.seek(2, SeekDir::current), 6);
    EXPECT_EQ(readAll(f), "6789");
}

TEST_F(FileTest, SecondWriterFailsReadersShare) {
    writeFile(path, "abc");
    File writer, second, reader1, reader2;
    ASSERT_TRUE(writer.open(path, out));
    EXPECT_FALSE(second.open(path, out | trunc));
    EXPECT_EQ(errorOf(second), static_cast<std::uint32_t>(EWOULDBLOCK));
    EXPECT_EQ(readFile(path), "abc") << "a refused writer must not truncate";
    EXPECT_FALSE(second.open(path, in | out));
    EXPECT_TRUE(reader1.open(path, in));
    EXPECT_TRUE(reader2.open(path, in));

    writer.close();
    EXPECT_TRUE(second.open(path, out | trunc)) << "readers do not keep a writer out";
    EXPECT_EQ(readFile(path), "");
}

TEST_F(FileTest, DirectoriesDescriptorsAndLastError) {
    errno = EACCES;
    File f;
    EXPECT_EQ(errorOf(f), 0u) << "the detail starts clear, whatever errno says";
    char text[64];
    f.lastError().describe(text, sizeof text);
    EXPECT_STREQ(text, "no error");

    EXPECT_FALSE(f.open(dir.path().c_str(), in));
    EXPECT_EQ(errorOf(f), static_cast<std::uint32_t>(EISDIR));
    EXPECT_FALSE(f.isOpen());
    EXPECT_FALSE(f.open(nullptr, in));
    EXPECT_FALSE(f.open("", out));

    ASSERT_TRUE(f.open("/dev/full", out));
    EXPECT_EQ(f.write("x", 1), 0u);
    EXPECT_EQ(errorOf(f), static_cast<std::uint32_t>(ENOSPC));
    f.close();

    EXPECT_TRUE(f.attach(0, in)) << "descriptor 0 is valid";
    EXPECT_FALSE(f.attach(3, in));
    EXPECT_TRUE(f.close());
    EXPECT_NE(::fcntl(0, F_GETFD), -1) << "closing an attached descriptor must leave it open";
    EXPECT_FALSE(File().attach(-1, in));
}

TEST_F(FileTest, TextModeReadTranslation) {
    struct Case {
        std::string bytes;
        std::size_t chunk;
        std::string expected;
    };
    const Case cases[] = {
        {"a\r\nb", 16, "a\nb"},
        {"a\r\nb", 2, "a\nb"},  // block ends in CR, LF comes next
        {"a\rb", 2, "a\rb"},    // block ends in CR, something else comes next
        {"ab\r", 3, "ab\r"},    // CR is the last byte of the file
        {"a\rxb\r\r\n", 16, "a\rxb\r\n"},
        {"ab\x1a" "cd", 16, "ab"},  // Ctrl-Z ends the data
    };
    for (const Case& c : cases) {
        writeFile(path, c.bytes);
        File f;
        ASSERT_TRUE(f.open(path, in));
        EXPECT_EQ(readAll(f, c.chunk).substr(0, c.expected.size()), c.expected) << c.bytes.size();
    }
    writeFile(path, "a\r\nb\x1a");
    File f;
    ASSERT_TRUE(f.open(path, in | binary));
    EXPECT_EQ(readAll(f), "a\r\nb\x1a") << "binary mode passes everything through";
}

}  // namespace
