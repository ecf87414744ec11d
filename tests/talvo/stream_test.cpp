// Streams over memory: sentries and masks, reads and seeks, the native header and the legacy kind.
#include "talvo/exception.h"
#include "talvo/istream.h"
#include "talvo/mem_buf.h"
#include "talvo/ostream.h"
#include "talvo/registry.h"
#include "talvo/stream_header.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <functional>
#include <stdexcept>
#include <string>

#include "test_support.h"

namespace {

using namespace talvo::io;
using talvotest::memoryOf;
using talvotest::u32;

const std::string signature = "talvo::io::Stream";

// A buffer that reads its bytes once and cannot tell or change its position.
class ForwardOnlyBuf : public std::streambuf {
public:
    explicit ForwardOnlyBuf(std::string bytes) : bytes_(std::move(bytes))
    {
        setg(bytes_.data(), bytes_.data(), bytes_.data() + bytes_.size());
    }

private:
    std::string bytes_;
};

// A buffer whose reads throw.
class ThrowingBuf : public std::streambuf {
protected:
    int_type underflow() override { throw std::runtime_error("device gone"); }
};

std::string failureText(const std::function<void()>& action)
{
    try {
        action();
    } catch (const Failure& failure) {
        return failure.what();
    }
    return "<nothing thrown>";
}

TEST(IStreamSentry, ReadAfterEndOfFileIsRefusedAndThrowsWithTheDefaultMask)
{
    auto buffer = memoryOf("abcd");
    IStream in(buffer.get());
    char bytes[8] = {};
    in.exceptions(0);
    in.read(bytes, 6);
    EXPECT_EQ(in.rdstate(), eofBit | failBit);
    EXPECT_STREQ(bytes, "abcd");

    in.clear(eofBit);
    in.exceptions(badBit | failBit);
    std::memset(bytes, 0, sizeof bytes);
    EXPECT_EQ(failureText([&] { in.read(bytes, 1); }), "i/o error");
    EXPECT_EQ(in.rdstate(), eofBit | failBit);
    EXPECT_EQ(bytes[0], 0) << "the sentry read nothing";
}

TEST(IStreamSentry, MaskZeroNeverThrows)
{
    auto buffer = memoryOf("xy");
    IStream in(buffer.get());
    in.exceptions(0);
    std::int32_t value = 0;
    char bytes[16];
    EXPECT_NO_THROW({
        in >> value;                     // short read
        in.read(bytes, 1);               // after failure
        in.readPartial(bytes, 16);       // refused by the sentry
        in.seekg(0);                     // refused: fail is set
        in.clear();
        in.readPartial(bytes, 16);       // partial
        in.readPartial(bytes, 16);       // at the end
    });
    EXPECT_EQ(in.rdstate(), eofBit | failBit);

    IStream none;
    none.exceptions(0);
    EXPECT_NO_THROW(none.read(bytes, 1));
    EXPECT_EQ(none.rdstate(), badBit | failBit);
}

TEST(IStreamSentry, StreamWithoutBufferIsBadAndThrowsOnRead)
{
    IStream none;
    EXPECT_EQ(none.rdstate(), badBit);
    char byte = 0;
    EXPECT_THROW(none.read(&byte, 1), Failure);
    EXPECT_EQ(none.rdstate(), badBit | failBit);
    EXPECT_EQ(none.tellg(), -1);
    EXPECT_EQ(none.seekg(0), -1);
}

TEST(IStreamSentry, ReservedBitDoesNotStopReads)
{
    auto buffer = memoryOf("abcd");
    IStream in(buffer.get());
    in.clear(reservedBit);
    std::int32_t value = 0;
    in >> value;
    EXPECT_EQ(value, 0x64636261);
    EXPECT_EQ(in.rdstate(), reservedBit);
}

TEST(IStreamRead, ReadPartialStateAtTheEnd)
{
    const std::string bytes(1000, 'q');
    auto buffer = memoryOf(bytes);
    IStream in(buffer.get());
    std::vector<char> block(4096);
    ASSERT_EQ(in.seekg(900), 900);
    EXPECT_EQ(in.readPartial(block.data(), block.size()), 100u);
    EXPECT_EQ(in.rdstate(), eofBit);

    // At the end nothing arrives: eof and fail, which the default mask throws.
    in.clear();
    EXPECT_THROW(in.readPartial(block.data(), block.size()), Failure);
    EXPECT_EQ(in.rdstate(), eofBit | failBit);
}

TEST(IStreamRead, IntegersAreLittleEndian)
{
    auto buffer = memoryOf(u32(0xFFFFFFDBu) + u32(37) + std::string("\x34\x12", 2));
    IStream in(buffer.get());
    std::int32_t negative = 0;
    std::uint32_t positive = 0;
    std::uint16_t half = 0;
    in >> negative >> positive >> half;
    EXPECT_EQ(negative, -37);
    EXPECT_EQ(positive, 37u);
    EXPECT_EQ(half, 0x1234);
    EXPECT_TRUE(in.good());
}

TEST(IStreamRead, ThrowingBufferLeavesBadAndFailAndPassesTheExceptionOn)
{
    ThrowingBuf buffer;
    IStream in(&buffer);
    in.exceptions(0);
    char byte = 0;
    EXPECT_THROW(in.read(&byte, 1), std::runtime_error);
    EXPECT_EQ(in.rdstate(), badBit | failBit);
}

TEST(IStreamSeek, SuccessfulSeekClearsEndOfFileSoTheStreamReadsAgain)
{
    auto buffer = memoryOf(u32(11) + u32(22));
    IStream in(buffer.get());
    std::int32_t value = 0;
    char rest[16];
    in.readPartial(rest, sizeof rest);
    EXPECT_TRUE(in.eof());
    EXPECT_EQ(in.tellg(), 8);

    EXPECT_EQ(in.seekg(4), 4);
    EXPECT_TRUE(in.good());
    in >> value;
    EXPECT_EQ(value, 22);

    EXPECT_EQ(in.seekg(-1), -1);
    EXPECT_EQ(in.seekg(100), -1) << "beyond the bytes";
    EXPECT_EQ(in.tellg(), 8);
}

TEST(IStreamSeek, FailedStreamNeitherTellsNorSeeks)
{
    auto buffer = memoryOf("ab");
    IStream in(buffer.get());
    in.exceptions(0);
    std::int32_t value = 0;
    in >> value;
    EXPECT_EQ(in.tellg(), -1);
    EXPECT_EQ(in.seekg(0), -1);
    EXPECT_EQ(in.rdstate(), eofBit | failBit);
}

TEST(OStreamSentry, FailedStreamWritesNothingAndDoesNotThrow)
{
    MemBuf buffer;
    OStream out(&buffer);
    out.clear(eofBit);
    out.exceptions(badBit | failBit);
    EXPECT_NO_THROW(out.writeU32(5));
    EXPECT_NO_THROW(out << 7);
    EXPECT_EQ(out.rdstate(), eofBit);
    EXPECT_EQ(buffer.capacity(), 0u);
}

TEST(OStreamSentry, StreamWithoutBufferStaysBadAndWritesNothing)
{
    OStream none;
    EXPECT_EQ(none.rdstate(), badBit);
    EXPECT_NO_THROW(none.writeU32(1));
    EXPECT_EQ(none.rdstate(), badBit);
    // Asking for the mask of a bad stream reports it at once.
    EXPECT_EQ(failureText([&] { none.exceptions(badBit | failBit); }), "i/o error");
}

// A buffer that takes at most a few bytes.
class SmallBuf : public std::streambuf {
public:
    explicit SmallBuf(std::size_t room) : room_(room) {}
    std::string taken;

protected:
    int_type overflow(int_type c) override
    {
        if (traits_type::eq_int_type(c, traits_type::eof()) || taken.size() >= room_)
            return traits_type::eof();
        taken.push_back(traits_type::to_char_type(c));
        return c;
    }
    int sync() override { return failSync ? -1 : 0; }

public:
    bool failSync = false;

private:
    std::size_t room_;
};

TEST(OStreamWrite, ShortWriteSetsEofAndFail)
{
    SmallBuf buffer(2);
    OStream out(&buffer);
    out.exceptions(0);
    EXPECT_FALSE(out.write("abc", 3));
    EXPECT_EQ(out.rdstate(), eofBit | failBit);
    EXPECT_EQ(buffer.taken, "ab");
    EXPECT_TRUE(out.write("", 0)) << "nothing to write always succeeds";
}

TEST(OStreamWrite, RefusedFlushSetsBadAndFailAndThrowsWhenMasked)
{
    SmallBuf buffer(100);
    OStream out(&buffer);
    out.flush();
    EXPECT_TRUE(out.good());
    buffer.failSync = true;
    EXPECT_THROW(out.flush(), Failure);
    EXPECT_EQ(out.rdstate(), badBit | failBit);
}

TEST(NativeHeader, WrittenAndRecognised)
{
    MemBuf written;
    OStream out(&written);
    out.writeHeader();
    out << 37 << -2;
    EXPECT_EQ(out.headerLength(), 21);
    const std::string bytes = talvotest::drain(written);
    EXPECT_EQ(bytes, signature + u32(2) + u32(37) + u32(0xFFFFFFFEu));

    auto buffer = memoryOf(bytes);
    IStream in(buffer.get());
    in.readStreamHeader();
    EXPECT_EQ(in.flags(), positionedFlag);
    EXPECT_EQ(in.dataStart(), 21);
    EXPECT_EQ(in.registry(), nullptr) << "a native stream keeps no registry of its own";
    std::int32_t first = 0, second = 0;
    in >> first >> second;
    EXPECT_EQ(first, 37);
    EXPECT_EQ(second, -2);
}

TEST(NativeHeader, UnpositionedBufferWritesFlagsWithoutPositioned)
{
    SmallBuf buffer(100);
    OStream out(&buffer);
    out.writeHeader();
    EXPECT_EQ(buffer.taken, signature + u32(0));
    EXPECT_EQ(out.flags(), 0u);
}

TEST(NativeHeader, FlagsFromTheFileAreMergedWithoutBitOne)
{
    auto buffer = memoryOf(signature + u32(0x31) + u32(9));
    IStream in(buffer.get());
    in.readStreamHeader();
    EXPECT_EQ(in.flags(), 0x30u | positionedFlag);
    std::int32_t value = 0;
    in >> value;
    EXPECT_EQ(value, 9);
}

TEST(NativeHeader, HeaderCutInsideTheFlagsWordThrows)
{
    auto buffer = memoryOf(signature + std::string("\x02\x00", 2));
    IStream in(buffer.get());
    EXPECT_EQ(failureText([&] { in.readStreamHeader(); }), "i/o error");
}

TEST(NativeHeader, HeaderCutInsideTheFlagsWordWithMaskZeroIsLegacy)
{
    auto buffer = memoryOf(signature + std::string("\x02\x00", 2));
    IStream in(buffer.get());
    in.exceptions(0);
    in.readStreamHeader();
    EXPECT_TRUE(in.good());
    EXPECT_EQ(in.tellg(), 0);
    EXPECT_NE(dynamic_cast<Registry1*>(in.registry()), nullptr);
}

// Every start that is not native or archive is a legacy stream read from byte 0.
struct LegacyCase {
    const char* what;
    std::string bytes;
};

void PrintTo(const LegacyCase& legacy, std::ostream* out)
{
    *out << legacy.what;
}

class LegacyStart : public testing::TestWithParam<LegacyCase> {};

TEST_P(LegacyStart, OpensAtByteZeroWithARegistry1AndNoPositionedFlag)
{
    auto buffer = memoryOf(GetParam().bytes);
    IStream in(buffer.get());
    in.readStreamHeader();
    EXPECT_TRUE(in.good());
    EXPECT_EQ(in.tellg(), 0);
    EXPECT_EQ(in.flags() & positionedFlag, 0u);
    EXPECT_NE(dynamic_cast<Registry1*>(in.registry()), nullptr);
    EXPECT_EQ(in.dataStart(), 0);

    std::string back(GetParam().bytes.size(), '\0');
    in.exceptions(0);
    in.read(back.data(), back.size());
    EXPECT_EQ(back, GetParam().bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Starts, LegacyStart,
    testing::Values(LegacyCase{"empty", ""}, LegacyCase{"three bytes", "abc"},
                    LegacyCase{"four bytes", u32(37)}, LegacyCase{"exactly talv", "talv"},
                    LegacyCase{"talv and other bytes", "talvOTHER bytes follow here"},
                    LegacyCase{"signature cut short", "talvo::io::Str"},
                    LegacyCase{"bmp", std::string("BM\x36\x00\x00\x00rest", 10)},
                    LegacyCase{"rw3", std::string("rw3\0abcdefgh", 12)}),
    [](const testing::TestParamInfo<LegacyCase>& info) {
        std::string name;
        for (const char c : std::string(info.param.what))
            name.push_back(std::isalnum(static_cast<unsigned char>(c)) ? c : '_');
        return name;
    });

TEST(LegacyStream, ShortLegacyStreamThrowsOnTheFirstInteger)
{
    auto buffer = memoryOf("abc");
    IStream in(buffer.get());
    in.readStreamHeader();
    std::int32_t value = 0;
    EXPECT_THROW(in >> value, Failure);
    EXPECT_EQ(in.rdstate(), eofBit | failBit);
}

TEST(LegacyStream, UnseekableBufferCannotOpenALegacyStream)
{
    ForwardOnlyBuf buffer("abcdefgh");
    IStream in(&buffer);
    const std::string message = failureText([&] { in.readStreamHeader(); });
    EXPECT_EQ(message.rfind("Failed to open legacy stream.", 0), 0u) << message;
    EXPECT_NE(message.find("ForwardOnlyBuf"), std::string::npos)
        << "a buffer without a name is named by its type: " << message;
}

TEST(StreamFailure, MessageNamesTheCauseOnly_WhenTheBufferHasNoName)
{
    auto buffer = memoryOf("");
    IStream in(buffer.get());
    std::int32_t value = 0;
    EXPECT_EQ(failureText([&] { in >> value; }), "i/o error");
}

TEST(StreamError, CodeTexts)
{
    MemBuf buffer;
    IStream in(&buffer);
    Stream::Error error(in);
    char text[256];
    EXPECT_EQ(error.describe(text, sizeof text), 0u);
    const char* expected[] = {
        " reading rw1 header failed",
        " g1rw streams packed with lormat are not supported",
        " Encrypted g1rw streams are not supported",
        " Unknown g1rw stream packer type",
        " z_uncompress() failed while opening g1rw stream",
    };
    for (std::uint32_t code = 1; code <= 5; ++code) {
        error.setCode(static_cast<ArcStreamError>(code));
        error.describe(text, sizeof text);
        EXPECT_STREQ(text, expected[code - 1]);
    }
    talvo::io::ZipError zip(-3);
    error.setCode(ArcStreamError::uncompress, &zip);
    error.describe(text, sizeof text);
    EXPECT_STREQ(text, " z_uncompress() failed while opening g1rw stream: data error");
    EXPECT_EQ(error.describe(text, 10), 9u);
    EXPECT_STREQ(text, " z_uncomp");
}

TEST(StreamRegistry, CloseResetsTheRegistryAndStartsOver)
{
    auto buffer = memoryOf("legacy bytes");
    IStream in(buffer.get());
    in.readStreamHeader();
    Registry* registry = in.registry();
    ASSERT_NE(registry, nullptr);
    in.close();
    EXPECT_EQ(in.registry(), registry) << "the registry stays, emptied";
    EXPECT_EQ(in.dataStart(), 0);
}

}  // namespace
