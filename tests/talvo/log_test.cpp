// The log buffer's bytes over a private stream (the process log is covered by the probe), file names.
#include <gtest/gtest.h>

#include <string>

#include "talvo/log.h"
#include "talvo/log_file.h"
#include "talvo/log_stream.h"
#include "test_support.h"

namespace {

using talvo::LogKind;
using talvo::LogStream;
using talvotest::readFile;

class LogBytes : public ::testing::Test {
protected:
    talvotest::ScratchDir dir;
    std::string path = dir.file("probe.log");
    LogStream log{path, std::ios_base::out | std::ios_base::trunc};

    std::ostream& entry(const char* category, LogKind kind) {
        log.buffer().beginEntry(category, kind, 0);
        return log;
    }
};

TEST_F(LogBytes, PrefixesAndMergingUntilAnotherEntry) {
    const std::string longText(10000, 'z');
    entry("talvo.io", LogKind::warning) << "w" << std::endl;
    entry("", LogKind::error) << longText << std::endl;
    entry(nullptr, LogKind::info) << "bare" << std::endl;
    entry("a", LogKind::info) << "one ";
    entry("a", LogKind::info) << "two" << std::endl;
    entry("a", LogKind::info) << "three\n";
    entry("b", LogKind::info) << "four" << std::endl;  // another category writes the pending text first
    EXPECT_EQ(readFile(path), "[talvo.io] warning: w\n[] error: " + longText + "\nbare\n[a] one two\n[a] three\n[b] four\n");
}

TEST_F(LogBytes, ErrorsAndWarningsAreMirroredOnlyWhenTraced) {
    EXPECT_FALSE(log.buffer().mirrorsToDebugger()) << "tests run without a tracer";
    log.buffer().setMirrorsToDebugger(true);
    ::testing::internal::CaptureStderr();
    entry("talvo.io", LogKind::error) << "e" << std::endl;
    entry("talvo.io", LogKind::info) << "i" << std::endl;
    entry("talvo.io", LogKind::warning) << "w" << std::endl;
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "[talvo.io] error: e\n[talvo.io] warning: w\n");
    EXPECT_EQ(readFile(path), "[talvo.io] error: e\n[talvo.io] i\n[talvo.io] warning: w\n");
}

TEST(LogFileNames, Base36StemAndReadingTriesNoNumberedNames) {
    const std::pair<unsigned, const char*> digits[] = {{1, "1"}, {9, "9"}, {10, "a"}, {35, "z"}, {36, "10"}, {101, "2t"}};
    for (const auto& [n, text] : digits) EXPECT_EQ(talvo::base36(n), text);
    EXPECT_EQ(talvo::makeLogFileName(".log"), "talvo_tests.log");

    talvotest::ScratchDir dir;
    const std::string name = dir.file("Game.log");
    talvo::File writer, reader;
    EXPECT_EQ(talvo::openLogFileSomewhere(writer, name, std::ios_base::out | std::ios_base::trunc), name);
    EXPECT_EQ(talvo::openLogFileSomewhere(reader, dir.file("none.ini"), std::ios_base::in), "");
    EXPECT_EQ(talvo::openLogFileSomewhere(reader, name, std::ios_base::in), name);
}

}  // namespace
