// Archive streams: "rw1"/"rw2" headers, zlib bodies, their error codes and untrusted sizes.
#include <gtest/gtest.h>
#include <zlib.h>

#include <atomic>
#include <filesystem>
#include <tuple>
#include <string>

#include "talvo/arc_stream.h"
#include "talvo/exception.h"
#include "talvo/file_buf.h"
#include "talvo/mem_buf.h"
#include "talvo/registry.h"
#include "test_support.h"

#if defined(__SANITIZE_ADDRESS__)
extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*mallocHook)(const volatile void*, std::size_t),
                                                         void (*freeHook)(const volatile void*));
#endif

namespace {

using namespace talvo::io;
using talvotest::u32;

std::atomic<bool> armed{false};
std::atomic<std::size_t> largest{0};

// The largest single block the action asks for; 0 where the allocator takes no hooks (no sanitizer).
template <class Action>
std::size_t largestAllocation(Action&& action) {
#if defined(__SANITIZE_ADDRESS__)
    [[maybe_unused]] static const int installed = __sanitizer_install_malloc_and_free_hooks(
        [](const volatile void*, std::size_t size) {
            if (armed.load() && size > largest.load()) largest.store(size);
        },
        [](const volatile void*) {});
#endif
    largest.store(0);
    armed.store(true);
    action();
    armed.store(false);
    return largest.load();
}

std::string packed(const std::string& body) {
    uLongf length = compressBound(body.size());
    std::string out(length, '\0');
    EXPECT_EQ(compress(reinterpret_cast<Bytef*>(out.data()), &length, reinterpret_cast<const Bytef*>(body.data()),
                       body.size()),
              Z_OK);
    out.resize(length);
    return out;
}

std::string rwHeader(int version, std::uint32_t flags, std::uint32_t packer, std::size_t packedSize,
                     std::uint32_t unpackedSize) {
    return std::string(version == 1 ? "rw1" : "rw2") + '\0' + u32(flags) + u32(packer) + u32(0xA5A5A5A5) +
           u32(static_cast<std::uint32_t>(packedSize)) + u32(unpackedSize);
}

std::string packedArchive(int version, const std::string& body) {
    const std::string data = packed(body);
    return rwHeader(version, 1, 1, data.size(), static_cast<std::uint32_t>(body.size())) + data;
}

const std::string body = [] {
    std::string bytes;
    for (std::uint32_t i = 0; i < 3000; ++i) bytes += u32(i * i);
    return bytes;
}();
const std::string tenBytes = "0123456789";

std::string readRest(IStream& in) {
    std::string out;
    char block[512];
    in.exceptions(0);
    while (std::size_t n = in.readPartial(block, sizeof block)) out.append(block, n);
    return out;
}

// What opening the bytes as a file gave: the failure's message ("" when none), state and new log.
struct Opened {
    std::string message;
    IoState state = 0;
    std::string log;
};

class ArcStream : public testing::Test {
protected:
    Opened open(const std::string& bytes, IoState mask = badBit | failBit) {
        talvotest::writeFile("archive.bin", bytes);
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

TEST_F(ArcStream, PackedBodiesReadBackFromAMemoryBuffer) {
    for (const auto& [version, text] : {std::pair{1, body}, {2, body}, {1, std::string()}}) {
        SCOPED_TRACE(version);
        ASSERT_EQ(open(packedArchive(version, text)).message, "");
        EXPECT_NE(dynamic_cast<MemBuf*>(stream.rdbuf()), nullptr);
        EXPECT_EQ(stream.tellg(), 0);
        EXPECT_EQ(stream.dataStart(), 0);
        EXPECT_EQ(stream.flags() & positionedFlag, 0u);
        if (version == 1) EXPECT_NE(dynamic_cast<G1RwRegistry1*>(stream.registry()), nullptr);
        else EXPECT_NE(dynamic_cast<G1RwRegistry2*>(stream.registry()), nullptr);
        EXPECT_EQ(readRest(stream), text);
    }
}

TEST_F(ArcStream, UnpackedBodyStartsAt24) {
    ASSERT_EQ(open(rwHeader(2, 0, 1, 0, 0) + "plain body bytes").message, "");
    EXPECT_EQ(stream.dataStart(), 24);
    EXPECT_EQ(stream.tellg(), 24);
    EXPECT_NE(stream.extendedBuffer(), nullptr);
    EXPECT_EQ(readRest(stream), "plain body bytes");
}

TEST_F(ArcStream, CloseAndReopenDropTheUnpackedBody) {
    ASSERT_EQ(open(packedArchive(1, "abc")).message, "");
    std::streambuf* unpacked = stream.rdbuf();
    stream.close();
    EXPECT_NE(stream.rdbuf(), unpacked);
    EXPECT_EQ(stream.unpackedBuffer(), nullptr);
    EXPECT_EQ(stream.extendedBuffer(), nullptr) << "the file buffer comes back without its file detail";
    EXPECT_EQ(stream.dataStart(), 0);

    ASSERT_EQ(open(packedArchive(2, "first body")).message, "");
    ASSERT_EQ(open(u32(77)).message, "");
    EXPECT_EQ(stream.unpackedBuffer(), nullptr);
    EXPECT_NE(dynamic_cast<Registry1*>(stream.registry()), nullptr);
    std::int32_t value = 0;
    stream >> value;
    EXPECT_EQ(value, 77);
}

TEST_F(ArcStream, EveryErrorCodeArises) {
    struct Case {
        std::string bytes;
        std::string entry;    // logged with mask 0
        std::string message;  // of the failure with the default mask
    };
    const std::string zipFailed = "z_uncompress() failed while opening g1rw stream: ";
    const std::string bigBody = packed(body);
    const Case cases[] = {
        {rwHeader(1, 1, 1, 10, 10).substr(0, 14), "reading rw1 header failed", "i/o error"},  // 1, header cut
        {rwHeader(1, 1, 0, 10, 10) + tenBytes, "g1rw streams packed with lormat are not supported", ""},  // 2
        {rwHeader(1, 2, 1, 10, 10) + tenBytes, "Encrypted g1rw streams are not supported", ""},           // 3
        {rwHeader(2, 3, 0, 0xFFFFFFFF, 0xFFFFFFFF), "Encrypted g1rw streams are not supported", ""},
        {rwHeader(2, 1, 7, 10, 10) + tenBytes, "Unknown g1rw stream packer type", ""},  // 4
        {rwHeader(1, 1, 1, bigBody.size(), 100) + bigBody, zipFailed + "buffer error.", ""},  // 5
        {rwHeader(1, 1, 1, 10, 100) + tenBytes, zipFailed + "data error.", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.entry);
        const Opened quiet = open(c.bytes, 0);
        EXPECT_EQ(quiet.message, "");
        EXPECT_NE(quiet.state & failBit, 0u);
        EXPECT_NE(quiet.log.find("[talvo.io] error: " + c.entry + "\n"), std::string::npos) << quiet.log;

        // The failure's text is the entry's after a blank, without the closing full stop.
        const Opened loud = open(c.bytes);
        const std::string text = c.message.empty() ? " " + c.entry.substr(0, c.entry.find_last_not_of('.') + 1) : c.message;
        EXPECT_EQ(loud.message, text + " ('archive.bin')");
        EXPECT_NE(loud.log.find("[exception] error: class talvo::io::Failure\n"), std::string::npos);
    }
}

TEST_F(ArcStream, HostileSizesAreRefusedWithoutALargeAllocation) {
    constexpr std::size_t mebibyte = 1 << 20;
    // Four gigabytes announced, ten or none present: the reader never asks for more than arrives, and
    // a short body is a short read (at the end, eof; fail when nothing came), with no code and no entry.
    Opened opened;
    for (const auto& [present, state, message] : {std::tuple{tenBytes, eofBit, ""},
                                                  {std::string(), eofBit | failBit, "i/o error ('archive.bin')"}}) {
        EXPECT_LT(largestAllocation([&] { opened = open(rwHeader(1, 1, 1, 0xFFFFFFF0, 100) + present); }), mebibyte);
        EXPECT_EQ(opened.message, message);
        EXPECT_EQ(opened.state, state);
        EXPECT_EQ(opened.log.find("error: reading"), std::string::npos) << opened.log;
        EXPECT_EQ(stream.tellg(), present.empty() ? -1 : 34);
    }

    const std::string tiny = packed("tiny");
    EXPECT_LT(largestAllocation([&] { opened = open(rwHeader(2, 1, 1, tiny.size(), 0xFFFFFFFF) + tiny); }), mebibyte);
    EXPECT_EQ(opened.message, " z_uncompress() failed while opening g1rw stream: insufficient memory ('archive.bin')");

    // Within the cap the size is only an upper bound: no more is allocated than the body can unpack to.
    EXPECT_LT(largestAllocation([&] { opened = open(rwHeader(1, 1, 1, tiny.size(), 200u << 20) + tiny); }), mebibyte);
    EXPECT_EQ(opened.message, "");
    EXPECT_EQ(readRest(stream), "tiny");
}

TEST_F(ArcStream, MissingFileRawFlagAndMask) {
    EXPECT_EQ(talvotest::failureText([&] { stream.open("no_such_file.bin", std::ios_base::in, badBit | failBit); }),
              "No such file or directory ('no_such_file.bin')");
    stream.open("no_such_file.bin", std::ios_base::in, 0);
    EXPECT_EQ(stream.rdstate(), failBit);
    EXPECT_EQ(stream.registry(), nullptr);

    stream.flags(stream.flags() | rawFlag);
    ASSERT_EQ(open(packedArchive(1, "abc")).message, "");
    EXPECT_EQ(stream.registry(), nullptr);
    EXPECT_EQ(readRest(stream).substr(0, 4), std::string("rw1\0", 4));

    // A name that does not open as given is looked for under each folder of a search list; the
    // process-wide list has none.
    std::filesystem::create_directory("place");
    talvotest::writeFile("place/found.bin", "x");
    EXPECT_TRUE(arcSearchList().empty());
    EXPECT_FALSE(arcResolveName(arcSearchList(), "found.bin")->is_open());
    EXPECT_TRUE(arcResolveName({"nowhere", "place"}, "found.bin")->is_open());
}

TEST(ArcStreamInMemory, NestedArchivesAndAShortBody) {
    auto buffer = talvotest::memoryOf(packedArchive(1, packedArchive(2, "innermost")));
    IStream in(buffer.get());
    in.readStreamHeader();
    in.readStreamHeader();
    ASSERT_TRUE(in.good());
    EXPECT_EQ(readRest(in), "innermost");
    in.close();
    EXPECT_EQ(in.rdbuf(), buffer.get()) << "closing puts the original buffer back";
    EXPECT_EQ(in.extendedBuffer(), nullptr);

    const std::string archive = packedArchive(1, body);
    auto cut = talvotest::memoryOf(archive.substr(0, archive.size() - 5));
    IStream shortBody(cut.get());
    shortBody.exceptions(0);
    shortBody.readStreamHeader();
    EXPECT_EQ(shortBody.rdstate(), eofBit);
    EXPECT_EQ(shortBody.rdbuf(), cut.get());
}

}  // namespace
