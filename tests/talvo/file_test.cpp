// The POSIX file and its stream buffer: open modes, sharing, errors, seeks, text-mode translation.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <istream>
#include <ostream>
#include <string>

#include "talvo/file.h"
#include "talvo/file_buf.h"
#include "talvo/file_seam.h"
#include "test_support.h"
#include "tests/support/seeded_rng.h"

namespace {

using talvo::File;
using talvo::SeekDir;
using talvo::io::BasicFileBuf;
using talvo::io::FileBuf;
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

    // A device is everyone's: two writers of /dev/null must not lock each other out.
    File null1, null2;
    EXPECT_TRUE(null1.open("/dev/null", out | trunc));
    EXPECT_TRUE(null2.open("/dev/null", out | trunc));
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

// In a folder others can write, what is opened is what was looked at: a name swapped in between (a
// pipe with a reader waiting, a second name of another file) is never opened, and the file looked at,
// which lost its name, is not taken either.
TEST_F(FileTest, InASharedFolderANameSwappedAfterTheLookIsNotOpened) {
    std::filesystem::permissions(dir.path(), std::filesystem::perms(01777));
    writeFile("victim.txt", "keep me");
    ASSERT_EQ(::mkfifo("pipe", 0600), 0);
    const int reader = ::open("pipe", O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(reader, 0);
    ASSERT_EQ(::link("victim.txt", "second"), 0);
    static const char* intruder = nullptr;
    talvo::detail::afterSharedFileLook = [](const char* name) { ::rename(intruder, name); };
    const auto flags = static_cast<talvo::FileFlags>(7);  // noFollow, regularOnly, ownedOnly: the log's
    for (const char* name : {"pipe", "second"}) {
        intruder = name;
        ::unlink(path);
        writeFile(path, "");
        File f;
        EXPECT_FALSE(f.open(path, out | trunc, flags)) << name;
    }
    talvo::detail::afterSharedFileLook = nullptr;
    pollfd seen{reader, POLLIN, 0};
    EXPECT_EQ(::poll(&seen, 1, 0), 0) << "a writer came and went";
    ::close(reader);
    EXPECT_EQ(readFile("victim.txt"), "keep me");
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

std::string readStream(std::istream& s) { return {std::istreambuf_iterator<char>(s), std::istreambuf_iterator<char>()}; }

class FileBufTest : public FileTest {
protected:
    void write(const std::string& text, std::ios_base::openmode mode, std::size_t chunk = 4) {
        FileBuf buffer(path, out | trunc | mode);
        std::ostream s(&buffer);
        for (std::size_t i = 0; i < text.size(); i += chunk) s.write(text.data() + i, std::min(chunk, text.size() - i));
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
    SeededRng{7}.fill(data);
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

// Whatever the buffer, a read whose bytes were all dropped CRs is not the end of the file.
TEST_F(FileBufTest, TextModeOverEveryBufferSize) {
    writeFile(path, "a\r\nb\r\n\r\nc\r\r\nd\re\r");
    for (std::size_t size = 0; size <= 9; ++size) {
        char storage[9];
        FileBuf buffer(path, in);
        buffer.pubsetbuf(size == 0 ? nullptr : storage, static_cast<std::streamsize>(size));
        std::istream s(&buffer);
        EXPECT_EQ(readStream(s), "a\nb\n\nc\r\nd\re\r") << "buffer size " << size;
    }
}

}  // namespace
