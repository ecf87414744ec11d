// Archive streams: "rw1"/"rw2" headers, zlib bodies, their error codes and untrusted sizes.
#include "talvo/arc_stream.h"
#include "talvo/exception.h"
#include "talvo/mem_buf.h"
#include "talvo/registry.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <atomic>
#include <string>

#include "test_support.h"

#if defined(__SANITIZE_ADDRESS__)
extern "C" int __sanitizer_install_malloc_and_free_hooks(
    void (*mallocHook)(const volatile void*, std::size_t), void (*freeHook)(const volatile void*));
#endif

namespace {

using namespace talvo::io;
using talvotest::memoryOf;
using talvotest::u32;
using talvotest::writeFile;

// The largest single allocation made while armed; known only in sanitizer builds, whose allocator
// takes hooks.
class AllocationWatch {
public:
    AllocationWatch()
    {
#if defined(__SANITIZE_ADDRESS__)
        static const bool installed = [] {
            __sanitizer_install_malloc_and_free_hooks(
                [](const volatile void*, std::size_t size) {
                    if (armed_.load() && size > largest_.load())
                        largest_.store(size);
                },
                [](const volatile void*) {});
            return true;
        }();
        available_ = installed;
#endif
        largest_.store(0);
        armed_.store(true);
    }
    AllocationWatch(const AllocationWatch&) = delete;
    AllocationWatch& operator=(const AllocationWatch&) = delete;
    ~AllocationWatch() { armed_.store(false); }
    [[nodiscard]] bool available() const { return available_; }
    [[nodiscard]] std::size_t largest() const { return largest_.load(); }

private:
    static inline std::atomic<bool> armed_{false};
    static inline std::atomic<std::size_t> largest_{0};
    bool available_ = false;
};

constexpr std::size_t oneMiB = 1 << 20;

std::string packed(const std::string& body)
{
    uLongf length = compressBound(body.size());
    std::string out(length, '\0');
    EXPECT_EQ(compress(reinterpret_cast<Bytef*>(out.data()), &length,
                       reinterpret_cast<const Bytef*>(body.data()), body.size()),
              Z_OK);
    out.resize(length);
    return out;
}

std::string rwHeader(int version, std::uint32_t flags, std::uint32_t packer, std::uint32_t packedSize,
                     std::uint32_t unpackedSize)
{
    return std::string(version == 1 ? "rw1" : "rw2") + '\0' + u32(flags) + u32(packer) +
           u32(0xA5A5A5A5) + u32(packedSize) + u32(unpackedSize);
}

std::string packedArchive(int version, const std::string& body)
{
    const std::string data = packed(body);
    return rwHeader(version, 1, 1, static_cast<std::uint32_t>(data.size()),
                    static_cast<std::uint32_t>(body.size())) +
           data;
}

std::string someBody()
{
    std::string body;
    for (int i = 0; i < 3000; ++i)
        body += u32(static_cast<std::uint32_t>(i * i));
    return body;
}

std::string readRest(IStream& in)
{
    std::string out;
    char block[512];
    in.exceptions(0);
    while (std::size_t n = in.readPartial(block, sizeof block))
        out.append(block, n);
    return out;
}

// Opens the bytes as a file through IArcStream; the failure's message, or "" when none.
struct Opened {
    std::string message;
    IoState state = 0;
    std::string log;
};

class ArcStream : public testing::Test {
protected:
    Opened open(const std::string& bytes, IoState mask)
    {
        writeFile("archive.bin", bytes);
        const talvotest::LogWatch log;
        Opened result;
        try {
            stream.open("archive.bin", std::ios_base::in, mask);
        } catch (const Failure& failure) {
            result.message = failure.what();
        }
        result.state = stream.rdstate();
        result.log = log.text();
        return result;
    }

    talvotest::ScratchDir dir;
    IArcStream stream;
};

TEST_F(ArcStream, PackedBodiesReadBackFromPositionZeroOfAMemoryBuffer)
{
    const std::string body = someBody();
    for (const int version : {1, 2}) {
        SCOPED_TRACE(version);
        const Opened opened = open(packedArchive(version, body), badBit | failBit);
        ASSERT_EQ(opened.message, "");
        EXPECT_EQ(opened.state, 0u);
        EXPECT_NE(dynamic_cast<MemBuf*>(stream.rdbuf()), nullptr);
        EXPECT_EQ(stream.extendedBuffer(), nullptr);
        EXPECT_EQ(stream.tellg(), 0);
        EXPECT_EQ(stream.dataStart(), 0);
        EXPECT_EQ(stream.flags() & positionedFlag, 0u);
        if (version == 1) {
            EXPECT_NE(dynamic_cast<G1RwRegistry1*>(stream.registry()), nullptr);
        } else {
            EXPECT_NE(dynamic_cast<G1RwRegistry2*>(stream.registry()), nullptr);
        }
        EXPECT_EQ(readRest(stream), body);
    }
}

TEST_F(ArcStream, UnpackedBodyIsReadFromTheFileBehindTheHeader)
{
    const std::string body = "plain body bytes";
    const Opened opened = open(rwHeader(2, 0, 1, 0, 0) + body, badBit | failBit);
    ASSERT_EQ(opened.message, "");
    EXPECT_EQ(stream.dataStart(), 24);
    EXPECT_EQ(stream.tellg(), 24);
    EXPECT_NE(stream.extendedBuffer(), nullptr);
    EXPECT_EQ(readRest(stream), body);
}

TEST_F(ArcStream, ClosePutsTheFileBufferBack)
{
    ASSERT_EQ(open(packedArchive(1, "abc"), badBit | failBit).message, "");
    std::streambuf* unpacked = stream.rdbuf();
    stream.close();
    EXPECT_NE(stream.rdbuf(), unpacked);
    EXPECT_NE(stream.extendedBuffer(), nullptr);
    EXPECT_EQ(stream.unpackedBuffer(), nullptr);
    EXPECT_EQ(stream.dataStart(), 0);
}

TEST_F(ArcStream, ReopeningClosesTheUnpackedArchiveFirst)
{
    ASSERT_EQ(open(packedArchive(2, "first body"), badBit | failBit).message, "");
    const Opened second = open(u32(77), badBit | failBit);
    ASSERT_EQ(second.message, "");
    EXPECT_EQ(stream.unpackedBuffer(), nullptr);
    EXPECT_NE(dynamic_cast<Registry1*>(stream.registry()), nullptr);
    std::int32_t value = 0;
    stream >> value;
    EXPECT_EQ(value, 77);
}

TEST_F(ArcStream, CutHeaderIsCodeOneWithMaskZeroAndAnIoErrorWithTheDefaultMask)
{
    const std::string cut = rwHeader(1, 1, 1, 10, 10).substr(0, 14);
    const Opened quiet = open(cut, 0);
    EXPECT_EQ(quiet.message, "");
    EXPECT_EQ(quiet.state, eofBit | failBit);
    EXPECT_NE(quiet.log.find("[talvo.io] error: reading rw1 header failed\n"), std::string::npos)
        << quiet.log;

    const Opened loud = open(cut, badBit | failBit);
    EXPECT_EQ(loud.message, "i/o error ('archive.bin')");
    EXPECT_EQ(loud.log.find("reading rw1 header failed"), std::string::npos)
        << "the word read throws before the entry";
}

struct CodeCase {
    const char* what;
    std::string bytes;
    std::string message;  // of the failure with the default mask
    std::string entry;
};

void PrintTo(const CodeCase& code, std::ostream* out)
{
    *out << code.what;
}

class ArcStreamCode : public ArcStream, public testing::WithParamInterface<CodeCase> {};

TEST_P(ArcStreamCode, FailsWithItsCodeAndEntry)
{
    const Opened quiet = open(GetParam().bytes, 0);
    EXPECT_EQ(quiet.message, "");
    EXPECT_NE(quiet.state & failBit, 0u);
    EXPECT_NE(quiet.log.find("[talvo.io] error: " + GetParam().entry + "\n"), std::string::npos)
        << quiet.log;

    const Opened loud = open(GetParam().bytes, badBit | failBit);
    EXPECT_EQ(loud.message, GetParam().message + " ('archive.bin')");
    EXPECT_NE(loud.log.find("[exception] error: class talvo::io::Failure\n"), std::string::npos);
}

const std::string tenBytes = "0123456789";

INSTANTIATE_TEST_SUITE_P(
    Codes, ArcStreamCode,
    testing::Values(
        CodeCase{"lormat", rwHeader(1, 1, 0, 10, 10) + tenBytes,
                 " g1rw streams packed with lormat are not supported",
                 "g1rw streams packed with lormat are not supported"},
        CodeCase{"encrypted", rwHeader(1, 2, 1, 10, 10) + tenBytes,
                 " Encrypted g1rw streams are not supported",
                 "Encrypted g1rw streams are not supported"},
        CodeCase{"encrypted_and_packed", rwHeader(2, 3, 0, 0xFFFFFFFF, 0xFFFFFFFF),
                 " Encrypted g1rw streams are not supported",
                 "Encrypted g1rw streams are not supported"},
        CodeCase{"unknown_packer", rwHeader(2, 1, 7, 10, 10) + tenBytes,
                 " Unknown g1rw stream packer type", "Unknown g1rw stream packer type"},
        CodeCase{"body_larger_than_its_unpacked_size",
                 rwHeader(1, 1, 1, static_cast<std::uint32_t>(packed(someBody()).size()), 100) +
                     packed(someBody()),
                 " z_uncompress() failed while opening g1rw stream: buffer error",
                 "z_uncompress() failed while opening g1rw stream: buffer error."},
        CodeCase{"body_not_zlib", rwHeader(1, 1, 1, 10, 100) + tenBytes,
                 " z_uncompress() failed while opening g1rw stream: data error",
                 "z_uncompress() failed while opening g1rw stream: data error."}),
    [](const testing::TestParamInfo<CodeCase>& info) { return std::string(info.param.what); });

TEST_F(ArcStream, HostilePackedSizeIsRefusedAsAHeaderFailure)
{
    // Four gigabytes announced, ten present: the reader never asks for more than arrives.
    const AllocationWatch allocations;
    const Opened opened = open(rwHeader(1, 1, 1, 0xFFFFFFF0, 100) + tenBytes, badBit | failBit);
    if (allocations.available()) {
        EXPECT_LT(allocations.largest(), oneMiB);
    }
    EXPECT_EQ(opened.message, " reading rw1 header failed ('archive.bin')");
    EXPECT_EQ(opened.state, eofBit | failBit);
    EXPECT_NE(opened.log.find("reading rw1 header failed: packed size 4294967280 but only 10 bytes"),
              std::string::npos)
        << opened.log;
}

TEST_F(ArcStream, HostileUnpackedSizeIsRefusedAsAMemoryError)
{
    const std::string data = packed("tiny");
    const AllocationWatch allocations;
    const Opened opened =
        open(rwHeader(2, 1, 1, static_cast<std::uint32_t>(data.size()), 0xFFFFFFFF) + data, 0);
    if (allocations.available()) {
        EXPECT_LT(allocations.largest(), oneMiB);
    }
    EXPECT_EQ(opened.state, failBit);
    EXPECT_NE(opened.log.find("z_uncompress() failed while opening g1rw stream: insufficient memory."),
              std::string::npos)
        << opened.log;

    const Opened loud =
        open(rwHeader(2, 1, 1, static_cast<std::uint32_t>(data.size()), 0xFFFFFFFF) + data,
             badBit | failBit);
    EXPECT_EQ(loud.message,
              " z_uncompress() failed while opening g1rw stream: insufficient memory ('archive.bin')");
}

TEST_F(ArcStream, GenerousUnpackedSizeWithinTheCapStillReadsTheBody)
{
    // The size is an upper bound for zlib; the body is what it unpacks to, and no more than a
    // body of this packed size can unpack to is allocated.
    const std::string data = packed("tiny");
    const AllocationWatch allocations;
    const Opened opened =
        open(rwHeader(1, 1, 1, static_cast<std::uint32_t>(data.size()), 200u << 20) + data,
             badBit | failBit);
    if (allocations.available()) {
        EXPECT_LT(allocations.largest(), oneMiB);
    }
    ASSERT_EQ(opened.message, "");
    EXPECT_EQ(readRest(stream), "tiny");
    if (allocations.available()) {
        EXPECT_GT(allocations.largest(), 0u) << "the watch sees the file buffer at least";
    }
}

TEST_F(ArcStream, PackedBodyOfSizeZero)
{
    const std::string data = packed("");
    const Opened opened =
        open(rwHeader(1, 1, 1, static_cast<std::uint32_t>(data.size()), 0) + data, badBit | failBit);
    ASSERT_EQ(opened.message, "");
    std::int32_t value = 0;
    EXPECT_THROW(stream >> value, Failure);
}

TEST_F(ArcStream, MissingFileWithMaskZeroLeavesFailAloneAndReadsNoHeader)
{
    stream.open("no_such_file.bin", std::ios_base::in, 0);
    EXPECT_EQ(stream.rdstate(), failBit);
    EXPECT_EQ(stream.registry(), nullptr);
}

TEST_F(ArcStream, MissingFileWithTheDefaultMaskThrowsWithTheName)
{
    try {
        stream.open("no_such_file.bin", std::ios_base::in, badBit | failBit);
        FAIL() << "opened";
    } catch (const Failure& failure) {
        EXPECT_STREQ(failure.what(), "No such file or directory ('no_such_file.bin')");
    }
}

TEST_F(ArcStream, RawFlagReadsNothingOnOpen)
{
    stream.flags(stream.flags() | rawFlag);
    ASSERT_EQ(open(packedArchive(1, "abc"), badBit | failBit).message, "");
    EXPECT_EQ(stream.tellg(), 0);
    EXPECT_EQ(stream.registry(), nullptr);
    EXPECT_EQ(readRest(stream).substr(0, 4), std::string("rw1\0", 4));
}

TEST_F(ArcStream, BmpFileBecomesALegacyStreamAtByteZero)
{
    const std::string bmp = std::string("BM", 2) + u32(70) + u32(0) + u32(54);
    ASSERT_EQ(open(bmp, badBit | failBit).message, "");
    EXPECT_EQ(stream.tellg(), 0);
    EXPECT_EQ(readRest(stream), bmp);
}

TEST(ArcStreamInMemory, ArchiveInsideAnUnpackedBodyKeepsTheOriginalBuffer)
{
    const std::string inner = packedArchive(2, "innermost");
    auto buffer = memoryOf(packedArchive(1, inner));
    IStream in(buffer.get());
    in.readStreamHeader();
    ASSERT_TRUE(in.good());
    in.readStreamHeader();
    ASSERT_TRUE(in.good());
    EXPECT_EQ(readRest(in), "innermost");
    in.close();
    EXPECT_EQ(in.rdbuf(), buffer.get());
}

TEST(ArcStreamInMemory, ShortPackedBodyFailsWithCodeOne)
{
    const std::string archive = packedArchive(1, someBody());
    auto buffer = memoryOf(archive.substr(0, archive.size() - 5));
    IStream in(buffer.get());
    in.exceptions(0);
    in.readStreamHeader();
    EXPECT_EQ(in.rdstate(), eofBit | failBit);
    EXPECT_EQ(in.rdbuf(), buffer.get());
}

}  // namespace
