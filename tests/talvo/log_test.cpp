// The log buffer's bytes: prefixes, continuation indentation, merging; file names and places.
#include <gtest/gtest.h>

#include <string>

#include "scratch_dir.h"
#include "talvo/log.h"
#include "talvo/log_file.h"
#include "talvo/log_stream.h"

namespace {

using talvo::LogKind;
using talvo::LogStream;

class LogBytes : public ::testing::Test {
protected:
    ScratchDir dir;
    std::string path = dir.file("probe.log");
    LogStream log{path, std::ios_base::out | std::ios_base::trunc};

    std::ostream& entry(const char* category, LogKind kind) {
        log.buffer().beginEntry(category, kind, 0);
        return log;
    }
    std::string bytes() { return readBytes(path); }
};

TEST_F(LogBytes, PrefixPerCategoryAndKind) {
    entry("talvo.io", LogKind::warning) << "w" << std::endl;
    entry("talvo.io", LogKind::info) << "i" << std::endl;
    entry("", LogKind::error) << "e" << std::endl;
    entry(nullptr, LogKind::info) << "bare" << std::endl;
    EXPECT_EQ(bytes(), "[talvo.io] warning: w\n[talvo.io] i\n[] error: e\nbare\n");
    EXPECT_EQ(log.buffer().openedPath(), path);
}

TEST_F(LogBytes, ThreeLineEntryIsIndentedUnderItsPrefix) {
    entry("exception", LogKind::error) << "class talvo::io::Failure\n    f.cpp(61) : fn : \n    i/o error" << std::endl;
    const std::string indent(19, ' ');
    EXPECT_EQ(bytes(), "[exception] error: class talvo::io::Failure\n" + indent + "    f.cpp(61) : fn : \n" + indent +
                           "    i/o error\n");
}

TEST_F(LogBytes, ContinuationAfterAFlush) {
    entry("talvo.io", LogKind::error) << "first\n" << std::flush;
    log << "second" << std::flush;
    log << " more" << std::endl;
    const std::string indent(std::string("[talvo.io] error: ").size(), ' ');
    EXPECT_EQ(bytes(), "[talvo.io] error: first\n" + indent + "second more\n");
}

TEST_F(LogBytes, SameCategoryAndKindMergeUntilFlushed) {
    entry("a", LogKind::info) << "one ";
    entry("a", LogKind::info) << "two" << std::endl;
    entry("a", LogKind::info) << "three\n";
    entry("b", LogKind::info) << "four" << std::endl;  // another category writes the pending text first
    EXPECT_EQ(bytes(), "[a] one two\n[a] three\n[b] four\n");
}

TEST_F(LogBytes, LongTextAndChannelOverAStream) {
    const std::string text(10000, 'z');
    talvo::LogChannel channel(&log, 1);
    channel << text << std::endl;
    channel.entry(0) << "x" << std::endl;
    EXPECT_EQ(bytes(), "[] error: " + text + "\n[] error: x\n");
    EXPECT_EQ(channel.stream(), &log);
}

TEST_F(LogBytes, PendingTextWithoutFlushIsDroppedByALocalStream) {
    {
        LogStream local{dir.file("local.log"), std::ios_base::out | std::ios_base::trunc};
        local.buffer().beginEntry("a", LogKind::info, 0);
        local << "never flushed";
    }
    EXPECT_FALSE(std::filesystem::exists(dir.file("local.log")));
}

TEST_F(LogBytes, ErrorsAndWarningsAreMirroredOnlyWhenTraced) {
    EXPECT_FALSE(log.buffer().mirrorsToDebugger()) << "tests run without a tracer";
    log.buffer().setMirrorsToDebugger(true);
    ::testing::internal::CaptureStderr();
    entry("talvo.io", LogKind::error) << "e" << std::endl;
    entry("talvo.io", LogKind::info) << "i" << std::endl;
    entry("talvo.io", LogKind::warning) << "w" << std::endl;
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "[talvo.io] error: e\n[talvo.io] warning: w\n");
    EXPECT_EQ(bytes(), "[talvo.io] error: e\n[talvo.io] i\n[talvo.io] warning: w\n");
}

TEST(LogFileNames, Base36AndStems) {
    EXPECT_EQ(talvo::base36(1), "1");
    EXPECT_EQ(talvo::base36(9), "9");
    EXPECT_EQ(talvo::base36(10), "a");
    EXPECT_EQ(talvo::base36(35), "z");
    EXPECT_EQ(talvo::base36(36), "10");
    EXPECT_EQ(talvo::base36(101), "2t");
    EXPECT_EQ(talvo::makeLogFileName(".log"), "talvo_tests.log");
}

TEST(LogFileNames, NumberedNamesWhenTheFileIsTaken) {
    ScratchDir dir;
    const std::string name = dir.file("Game.log");
    talvo::File taken[3];
    for (int i = 0; i < 2; ++i) {
        const std::string got = talvo::openLogFileSomewhere(taken[i], name, std::ios_base::out | std::ios_base::trunc);
        EXPECT_EQ(got, i == 0 ? name : dir.file("Game_1.log"));
    }
    // Reading tries one place and no numbered names.
    talvo::File reader;
    EXPECT_EQ(talvo::openLogFileSomewhere(reader, dir.file("none.ini"), std::ios_base::in), "");
    EXPECT_EQ(talvo::openLogFileSomewhere(reader, name, std::ios_base::in), name);
    EXPECT_EQ(talvo::openLogFileSomewhere(reader, name, std::ios_base::in), "") << "already open";
}

}  // namespace
