// File streams: the best-score file's bytes, its failures and their log entries, explicit flush.
#include "talvo/exception.h"
#include "talvo/file_stream.h"
#include "talvo/registry.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "test_support.h"

namespace {

using namespace talvo::io;
using talvotest::readFile;
using talvotest::u32;
using talvotest::writeFile;

constexpr const char* scores = "Data/scores.dat";
const std::string signature = "talvo::io::Stream";

// What the game does at start-up: read the best score, 0 on any failure.
std::int32_t readBestScore()
{
    try {
        IFileStream in(scores, std::ios_base::in, badBit | failBit);
        std::int32_t best = 0;
        in >> best;
        return best;
    } catch (...) {
        return 0;
    }
}

class FileStream : public testing::Test {
protected:
    talvotest::ScratchDir dir;
};

TEST_F(FileStream, BestScoreRoundTrip)
{
    {
        OFileStream out(scores, std::ios_base::out | std::ios_base::trunc, badBit | failBit);
        out << 37;
        out.flush();
        EXPECT_TRUE(out.good());
        EXPECT_EQ(out.headerLength(), 21);
    }
    EXPECT_EQ(readFile(scores), signature + u32(2) + u32(37));
    EXPECT_EQ(readFile(scores).size(), 25u);

    IFileStream in(scores, std::ios_base::in, badBit | failBit);
    EXPECT_EQ(in.flags(), positionedFlag);
    EXPECT_EQ(in.dataStart(), 21);
    std::int32_t best = 0;
    in >> best;
    EXPECT_EQ(best, 37);
    EXPECT_EQ(readBestScore(), 37);
}

TEST_F(FileStream, WritingTruncatesAnOlderLongerFile)
{
    writeFile(scores, std::string(100, 'x'));
    {
        OFileStream out(scores);
        out << 5;
    }
    EXPECT_EQ(readFile(scores), signature + u32(2) + u32(5));
}

TEST_F(FileStream, MissingFileRaisesWithTheSystemTextAndLogsWarningAndException)
{
    const talvotest::LogWatch log;
    std::string message;
    try {
        IFileStream in(scores, std::ios_base::in, badBit | failBit);
    } catch (const Failure& failure) {
        message = failure.what();
    }
    EXPECT_EQ(message, "No such file or directory ('Data/scores.dat')");

    const std::string text = log.text();
    const std::string warning =
        "[talvo.io] warning: 'Data/scores.dat' open failed: No such file or directory\n";
    const std::string indent(19 + 4, ' ');
    const std::string exception = "[exception] error: class talvo::io::Failure\n" + indent;
    const auto warningAt = text.find(warning);
    const auto exceptionAt = text.find(exception);
    ASSERT_NE(warningAt, std::string::npos) << text;
    ASSERT_NE(exceptionAt, std::string::npos) << text;
    EXPECT_LT(warningAt, exceptionAt);
    const std::string entry = text.substr(exceptionAt);
    const auto secondLine = entry.find('\n') + 1;
    const auto thirdLine = entry.find('\n', secondLine) + 1;
    EXPECT_NE(entry.substr(secondLine, thirdLine - secondLine).find(") : talvo::io::Stream::throw_failure_ : \n"),
              std::string::npos)
        << entry;
    EXPECT_EQ(entry.substr(thirdLine, entry.find('\n', thirdLine) + 1 - thirdLine),
              indent + "No such file or directory ('Data/scores.dat')\n");

    EXPECT_EQ(readBestScore(), 0);
}

TEST_F(FileStream, MissingFileWithMaskZeroLeavesFailAndThrowsNothing)
{
    IFileStream in(scores, std::ios_base::in, 0);
    EXPECT_EQ(in.rdstate(), failBit);
    std::int32_t value = 7;
    in >> value;
    EXPECT_EQ(value, 7);
}

struct ShortFile {
    const char* what;
    std::string bytes;
    std::int32_t best;  // what the game takes
};

class ScoresFile : public FileStream, public testing::WithParamInterface<ShortFile> {};

TEST_P(ScoresFile, GivesTheGamesBestScore)
{
    writeFile(scores, GetParam().bytes);
    EXPECT_EQ(readBestScore(), GetParam().best);
}

void PrintTo(const ShortFile& file, std::ostream* out)
{
    *out << file.what;
}

INSTANTIATE_TEST_SUITE_P(
    Contents, ScoresFile,
    testing::Values(ShortFile{"empty", "", 0}, ShortFile{"three_bytes", "abc", 0},
                    ShortFile{"four_bytes_legacy", u32(57), 57},
                    ShortFile{"talv_then_other_bytes", "talvXYZW", 0x766C6174},
                    ShortFile{"header_without_score", signature + u32(2), 0},
                    ShortFile{"header_cut_in_flags", signature + "\x02", 0}),
    [](const testing::TestParamInfo<ShortFile>& info) { return std::string(info.param.what); });

TEST_F(FileStream, EmptyAndThreeByteFilesOpenAsLegacyAndThrowOnTheInteger)
{
    for (const std::string& bytes : {std::string(), std::string("abc")}) {
        writeFile(scores, bytes);
        IFileStream in(scores);
        EXPECT_TRUE(in.good());
        EXPECT_NE(dynamic_cast<Registry1*>(in.registry()), nullptr);
        std::int32_t value = 0;
        EXPECT_THROW(in >> value, Failure);
        EXPECT_EQ(in.rdstate(), eofBit | failBit);
    }
}

TEST_F(FileStream, HeaderCutInsideTheFlagsWordThrowsWhileOpening)
{
    writeFile(scores, signature + std::string("\x02\x00", 2));
    try {
        IFileStream in(scores);
        FAIL() << "opened";
    } catch (const Failure& failure) {
        EXPECT_STREQ(failure.what(), "i/o error");
    }
}

TEST_F(FileStream, ReopeningReadsTheOtherFile)
{
    writeFile("a.dat", signature + u32(2) + u32(1));
    writeFile("b.dat", u32(2));
    IFileStream in("a.dat");
    in.open("b.dat", std::ios_base::in, badBit | failBit);
    EXPECT_NE(dynamic_cast<Registry1*>(in.registry()), nullptr);
    std::int32_t value = 0;
    in >> value;
    EXPECT_EQ(value, 2);
}

TEST_F(FileStream, RawFlagWritesAndReadsNoHeader)
{
    OFileStream out("raw.dat", std::ios_base::out | std::ios_base::trunc, 0);
    out.flags(out.flags() | rawFlag);
    out.open("raw.dat", std::ios_base::out | std::ios_base::trunc, badBit | failBit);
    out << 9;
    out.flush();
    EXPECT_EQ(readFile("raw.dat"), u32(9));
}

TEST_F(FileStream, OutputFileThatCannotBeCreatedRaisesAndLogsAnError)
{
    const talvotest::LogWatch log;
    EXPECT_THROW(OFileStream("missing_dir/scores.dat"), Failure);
    EXPECT_NE(log.text().find("[talvo.io] error: 'missing_dir/scores.dat' open failed: "),
              std::string::npos)
        << log.text();
}

TEST_F(FileStream, DataThatDoesNotReachTheDiskIsReportedByFlush)
{
    if (!std::filesystem::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full";
    // Without a header the integer sits in the buffer, and only the flush meets the full device.
    OFileStream out("first.dat", std::ios_base::out, 0);
    out.flags(out.flags() | rawFlag);
    out.open("/dev/full", std::ios_base::out, badBit | failBit);
    ASSERT_TRUE(out.good());
    out << 37;
    EXPECT_TRUE(out.good());
    EXPECT_THROW(out.flush(), Failure);
    EXPECT_TRUE(out.bad());
}

TEST_F(FileStream, HeaderThatDoesNotReachTheDiskFailsTheNextWrite)
{
    if (!std::filesystem::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full";
    OFileStream out("/dev/full", std::ios_base::out, badBit | failBit);
    EXPECT_THROW({
        out << 37;
        out.flush();
    }, Failure);
    EXPECT_TRUE(out.fail());
}

}  // namespace
