// Streams: sentries and masks, reads and seeks, the native header and the legacy kind over memory;
// file streams with the best-score file's bytes, its failures and their log entries, explicit flush.
#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "talvo/exception.h"
#include "talvo/file_stream.h"
#include "talvo/istream.h"
#include "talvo/mem_buf.h"
#include "talvo/ostream.h"
#include "talvo/registry.h"
#include "talvo/stream_header.h"
#include "test_support.h"

namespace {

using namespace talvo::io;
using talvotest::failureText;
using talvotest::memoryOf;
using talvotest::readFile;
using talvotest::u32;
using talvotest::writeFile;

const std::string signature = "talvo::io::Stream";

TEST(IStreamSentry, ReadAfterEndOfFileAndTheMask) {
    auto buffer = memoryOf("abcd");
    IStream in(buffer.get());
    char bytes[8] = {};
    in.exceptions(0);
    in.read(bytes, 6);
    EXPECT_EQ(in.rdstate(), eofBit | failBit);
    EXPECT_STREQ(bytes, "abcd");
    EXPECT_EQ(in.tellg(), -1) << "a failed stream neither tells nor seeks";
    EXPECT_EQ(in.seekg(0), -1);

    // The read is guarded: at end of file the sentry reads nothing and the default mask throws.
    in.clear(eofBit);
    in.exceptions(badBit | failBit);
    std::memset(bytes, 0, sizeof bytes);
    EXPECT_EQ(failureText([&] { in.read(bytes, 1); }), "i/o error");
    EXPECT_EQ(in.rdstate(), eofBit | failBit);
    EXPECT_EQ(bytes[0], 0);

    IStream none;
    EXPECT_EQ(none.rdstate(), badBit);
    EXPECT_THROW(none.read(bytes, 1), Failure);
    EXPECT_EQ(none.rdstate(), badBit | failBit);
    EXPECT_EQ(none.tellg(), -1);
    none.exceptions(0);
    EXPECT_NO_THROW(none.read(bytes, 1));
}

TEST(IStreamSentry, MaskZeroNeverThrows) {
    auto buffer = memoryOf("xy");
    IStream in(buffer.get());
    in.exceptions(0);
    std::int32_t value = 0;
    char bytes[16];
    EXPECT_NO_THROW({
        in >> value;                // short read
        in.read(bytes, 1);          // after failure
        in.readPartial(bytes, 16);  // refused by the sentry
        in.seekg(0);                // refused: fail is set
        in.clear();
        in.readPartial(bytes, 16);  // partial
        in.readPartial(bytes, 16);  // at the end
    });
    EXPECT_EQ(in.rdstate(), eofBit | failBit);
}

TEST(IStreamRead, ReadPartialStateAtTheEndAndSeekReadsAgain) {
    auto buffer = memoryOf(std::string(1000, 'q') + u32(0xFFFFFFDBu) + u32(37) + "\x34\x12");
    IStream in(buffer.get());
    std::vector<char> block(4096);
    ASSERT_EQ(in.seekg(900), 900);
    EXPECT_EQ(in.readPartial(block.data(), block.size()), 110u);
    EXPECT_EQ(in.rdstate(), eofBit) << "a short partial read sets eof only";
    in.clear();
    EXPECT_THROW(in.readPartial(block.data(), block.size()), Failure) << "nothing arrives: eof and fail";
    EXPECT_EQ(in.rdstate(), eofBit | failBit);
    // readUpTo under an eof mask: the short read's bytes come back counted, and only nothing arriving throws.
    in.clear();
    in.exceptions(eofBit);
    ASSERT_EQ(in.seekg(900), 900);
    EXPECT_EQ(in.readUpTo(block.data(), block.size()), 110u);
    EXPECT_EQ(in.rdstate(), 0u);
    EXPECT_THROW(in.readUpTo(block.data(), block.size()), Failure);
    EXPECT_EQ(in.rdstate(), eofBit | failBit);
    in.exceptions(0);

    // A successful seek clears eof; integers are little-endian; the reserved bit stops nothing.
    in.clear(eofBit | reservedBit);
    EXPECT_EQ(in.seekg(1000), 1000);
    std::int32_t negative = 0;
    std::uint32_t positive = 0;
    std::uint16_t half = 0;
    in >> negative >> positive >> half;
    EXPECT_EQ(negative, -37);
    EXPECT_EQ(positive, 37u);
    EXPECT_EQ(half, 0x1234);
    EXPECT_EQ(in.rdstate(), reservedBit);
    EXPECT_EQ(in.seekg(-1), -1);
    EXPECT_EQ(in.seekg(2000), -1) << "beyond the bytes";
    EXPECT_EQ(in.tellg(), 1010);
}

TEST(IStreamRead, ThrowingBufferLeavesBadAndFailAndPassesTheExceptionOn) {
    struct ThrowingBuf : std::streambuf {
        int_type underflow() override { throw std::runtime_error("device gone"); }
    } buffer;
    IStream in(&buffer);
    in.exceptions(0);
    char byte = 0;
    EXPECT_THROW(in.read(&byte, 1), std::runtime_error);
    EXPECT_EQ(in.rdstate(), badBit | failBit);
    in.clear();
    in.exceptions(eofBit | badBit | failBit);
    EXPECT_THROW(in.readUpTo(&byte, 1), std::runtime_error);
    EXPECT_EQ(in.rdstate(), badBit | failBit);
}

// A buffer that takes at most a few bytes and cannot tell its position.
class SmallBuf : public std::streambuf {
public:
    explicit SmallBuf(std::size_t room) : room_(room) {}
    std::string taken;
    bool failSync = false;

protected:
    int_type overflow(int_type c) override {
        if (traits_type::eq_int_type(c, traits_type::eof()) || taken.size() >= room_) return traits_type::eof();
        taken.push_back(traits_type::to_char_type(c));
        return c;
    }
    int sync() override { return failSync ? -1 : 0; }

private:
    std::size_t room_;
};

TEST(OStreamWrite, SentryShortWriteAndRefusedFlush) {
    SmallBuf buffer(2);
    OStream out(&buffer);
    out.exceptions(0);
    EXPECT_FALSE(out.write("abc", 3));
    EXPECT_EQ(out.rdstate(), eofBit | failBit);
    EXPECT_EQ(buffer.taken, "ab");
    EXPECT_TRUE(out.write("", 0)) << "nothing to write always succeeds";
    // A stream that is not good writes nothing and does not throw, whatever the mask.
    out.clear(eofBit);
    out.exceptions(badBit | failBit);
    EXPECT_NO_THROW(out.writeU32(5));
    EXPECT_EQ(out.rdstate(), eofBit);
    EXPECT_EQ(buffer.taken, "ab");

    out.clear();
    out.flush();
    EXPECT_TRUE(out.good());
    buffer.failSync = true;
    EXPECT_THROW(out.flush(), Failure);
    EXPECT_EQ(out.rdstate(), badBit | failBit);

    OStream none;
    EXPECT_NO_THROW(none.writeU32(1));
    EXPECT_EQ(none.rdstate(), badBit);
    EXPECT_EQ(failureText([&] { none.exceptions(badBit | failBit); }), "i/o error") << "a bad stream reports at once";
}

TEST(NativeHeader, WrittenAndRecognised) {
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

    // A buffer that cannot tell its position writes flags without the positioned bit.
    SmallBuf unpositioned(100);
    OStream plain(&unpositioned);
    plain.writeHeader();
    EXPECT_EQ(unpositioned.taken, signature + u32(0));
    // Flags from the file are merged in, without bit 1.
    auto flagged = memoryOf(signature + u32(0x31) + u32(9));
    IStream merged(flagged.get());
    merged.readStreamHeader();
    EXPECT_EQ(merged.flags(), 0x30u | positionedFlag);
}

TEST(NativeHeader, CutInsideTheFlagsWordThrowsOrIsLegacyWithMaskZero) {
    const std::string cut = signature + std::string("\x02\x00", 2);
    auto loud = memoryOf(cut);
    IStream raising(loud.get());
    EXPECT_EQ(failureText([&] { raising.readStreamHeader(); }), "i/o error");
    auto quiet = memoryOf(cut);
    IStream in(quiet.get());
    in.exceptions(0);
    in.readStreamHeader();
    EXPECT_TRUE(in.good());
    EXPECT_EQ(in.tellg(), 0);
    EXPECT_NE(dynamic_cast<Registry1*>(in.registry()), nullptr);
}

TEST(LegacyStream, EveryOtherStartIsReadFromByteZeroWithARegistry1) {
    const std::string starts[] = {
        "", "abc", u32(37), "talv", "talvOTHER bytes follow here", "talvo::io::Str",
        std::string("BM\x36\x00\x00\x00rest", 10), std::string("rw3\0abcdefgh", 12),
    };
    for (const std::string& bytes : starts) {
        SCOPED_TRACE(bytes);
        auto buffer = memoryOf(bytes);
        IStream in(buffer.get());
        in.readStreamHeader();
        EXPECT_TRUE(in.good());
        EXPECT_EQ(in.tellg(), 0);
        EXPECT_EQ(in.flags() & positionedFlag, 0u);
        EXPECT_NE(dynamic_cast<Registry1*>(in.registry()), nullptr);
        EXPECT_EQ(in.dataStart(), 0);
        std::string back(bytes.size(), '\0');
        in.exceptions(0);
        in.read(back.data(), back.size());
        EXPECT_EQ(back, bytes);
    }
}

TEST(LegacyStream, UnseekableBufferCannotOpenALegacyStream) {
    struct ForwardOnlyBuf : std::streambuf {
        explicit ForwardOnlyBuf(std::string bytes) : bytes_(std::move(bytes)) {
            setg(bytes_.data(), bytes_.data(), bytes_.data() + bytes_.size());
        }
        std::string bytes_;
    } buffer("abcdefgh");
    IStream in(&buffer);
    const std::string message = failureText([&] { in.readStreamHeader(); });
    EXPECT_EQ(message.rfind("Failed to open legacy stream.", 0), 0u) << message;
    EXPECT_NE(message.find("ForwardOnlyBuf"), std::string::npos) << "a buffer without a name is named by its type";
}

constexpr const char* scores = "Data/scores.dat";

// What the game does at start-up: read the best score; nothing when that raises.
std::optional<std::int32_t> bestScore() {
    try {
        IFileStream in(scores, std::ios_base::in, badBit | failBit);
        std::int32_t best = 0;
        in >> best;
        return best;
    } catch (const Failure&) {
        return std::nullopt;
    }
}

class FileStream : public testing::Test {
protected:
    talvotest::ScratchDir dir;
};

TEST_F(FileStream, BestScoreRoundTrip) {
    writeFile(scores, std::string(100, 'x'));  // an older, longer file is cut
    {
        OFileStream out(scores, std::ios_base::out | std::ios_base::trunc, badBit | failBit);
        out << 37;
        out.flush();
        EXPECT_TRUE(out.good());
    }
    EXPECT_EQ(readFile(scores), signature + u32(2) + u32(37));
    EXPECT_EQ(readFile(scores).size(), 25u);
    EXPECT_EQ(bestScore(), 37);
    IFileStream in(scores);
    EXPECT_EQ(in.flags(), positionedFlag);
    EXPECT_EQ(in.dataStart(), 21);

    // Opening another file closes this one and starts over with the other's kind.
    writeFile("legacy.dat", u32(2));
    in.open("legacy.dat", std::ios_base::in, badBit | failBit);
    EXPECT_NE(dynamic_cast<Registry1*>(in.registry()), nullptr);
    std::int32_t value = 0;
    in >> value;
    EXPECT_EQ(value, 2);
}

TEST_F(FileStream, ShortAndForeignFiles) {
    const std::pair<std::string, std::optional<std::int32_t>> cases[] = {
        {"", std::nullopt},
        {"abc", std::nullopt},
        {u32(57), 57},                         // a legacy stream
        {"talvXYZW", 0x766C6174},              // legacy from byte 0
        {signature + u32(2), std::nullopt},    // a header without a score
        {signature + "\x02", std::nullopt},    // cut inside the flags word: raises while opening
    };
    for (const auto& [bytes, best] : cases) {
        writeFile(scores, bytes);
        EXPECT_EQ(bestScore(), best) << bytes;
    }
}

TEST_F(FileStream, MissingFileRaisesWithTheSystemTextAndLogsWarningAndException) {
    const talvotest::LogWatch log;
    EXPECT_EQ(failureText([] { IFileStream in(scores, std::ios_base::in, badBit | failBit); }),
              "No such file or directory ('Data/scores.dat')");
    // The warning, then the three-line entry with its lines under the text (23 blanks).
    const std::string text = log.text(), indent(23, ' '), site = " : talvo::io::Stream::throw_failure_ : \n";
    const std::string head = "[talvo.io] warning: 'Data/scores.dat' open failed: No such file or directory\n"
                             "[exception] error: class talvo::io::Failure\n" + indent;
    const auto at = text.find(head), siteAt = text.find(site, at);
    ASSERT_NE(at, std::string::npos) << text;
    const std::string location = text.substr(at + head.size(), siteAt - at - head.size());
    EXPECT_NE(location.find("stream.cpp("), std::string::npos) << location;
    EXPECT_EQ(text.substr(at), head + location + site + indent + "No such file or directory ('Data/scores.dat')\n");

    IFileStream quiet(scores, std::ios_base::in, 0);
    EXPECT_EQ(quiet.rdstate(), failBit);
    std::int32_t value = 7;
    quiet >> value;
    EXPECT_EQ(value, 7);
}

TEST_F(FileStream, OutputFileThatCannotBeCreatedRaisesAndLogsAnError) {
    const talvotest::LogWatch log;
    EXPECT_THROW(OFileStream("missing_dir/scores.dat"), Failure);
    EXPECT_TRUE(log.has("[talvo.io] error: 'missing_dir/scores.dat' open failed: ")) << log.text();
}

TEST_F(FileStream, DataThatDoesNotReachTheDiskIsReportedByFlush) {
    // Without a header (raw) the integer sits in the buffer, and only the flush meets the full device.
    OFileStream out("raw.dat", std::ios_base::out, 0);
    out.flags(out.flags() | rawFlag);
    out.open("raw.dat", std::ios_base::out | std::ios_base::trunc, badBit | failBit);
    out << 9;
    out.flush();
    EXPECT_EQ(readFile("raw.dat"), u32(9));

    out.open("/dev/full", std::ios_base::out, badBit | failBit);
    ASSERT_TRUE(out.good());
    out << 37;
    EXPECT_TRUE(out.good());
    EXPECT_THROW(out.flush(), Failure);
    EXPECT_TRUE(out.bad());
    out.fileBuffer().close();

    // With a header, the next write or the flush raises.
    OFileStream full("/dev/full", std::ios_base::out, badBit | failBit);
    EXPECT_THROW({
        full << 37;
        full.flush();
    }, Failure);
}

}  // namespace
