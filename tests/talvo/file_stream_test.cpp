// File streams: the best-score file's bytes, its failures and their log entries, explicit flush.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "talvo/exception.h"
#include "talvo/file_stream.h"
#include "talvo/registry.h"
#include "test_support.h"

namespace {

using namespace talvo::io;
using talvotest::readFile;
using talvotest::u32;
using talvotest::writeFile;

constexpr const char* scores = "Data/scores.dat";
const std::string signature = "talvo::io::Stream";

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
    EXPECT_EQ(talvotest::failureText([] { IFileStream in(scores, std::ios_base::in, badBit | failBit); }),
              "No such file or directory ('Data/scores.dat')");
    const std::string text = log.text();
    const std::string indent(23, ' ');
    const auto warning = text.find("[talvo.io] warning: 'Data/scores.dat' open failed: No such file or directory\n");
    const auto entry = text.find("[exception] error: class talvo::io::Failure\n" + indent);
    ASSERT_NE(warning, std::string::npos) << text;
    ASSERT_NE(entry, std::string::npos) << text;
    EXPECT_LT(warning, entry);
    const auto second = text.find('\n', entry) + 1, third = text.find('\n', second) + 1;
    EXPECT_NE(text.substr(second, third - second).find(") : talvo::io::Stream::throw_failure_ : \n"), std::string::npos);
    EXPECT_EQ(text.substr(third, text.find('\n', third) + 1 - third),
              indent + "No such file or directory ('Data/scores.dat')\n");

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
    out.fileBuffer().close();  // writers lock even /dev/full

    // With a header, the next write or the flush raises.
    OFileStream full("/dev/full", std::ios_base::out, badBit | failBit);
    EXPECT_THROW({
        full << 37;
        full.flush();
    }, Failure);
}

}  // namespace
