// The process-wide log end to end: a probe program per scenario, copied into a fresh directory so
// that its own path names the log.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "scratch_dir.h"
#include "talvo/file.h"

namespace {

namespace fs = std::filesystem;

const std::string indent19(19, ' ');

class LogProbe : public ::testing::Test {
protected:
    ScratchDir dir;
    std::string tmp = dir.file("tmp");

    LogProbe() {
        fs::create_directory(tmp);
        fs::create_directory(dir.path() / "bin");
        fs::copy_file(TALVO_LOG_PROBE, dir.path() / "bin" / "Game");
    }

    // Runs bin/Game with the arguments from the scratch directory; returns its stdout.
    std::string run(const std::string& args, const std::string& tmpdir, int expectedStatus = 0) {
        const std::string command = "cd '" + dir.path().string() + "' && TMPDIR='" + tmpdir + "' ./bin/Game " + args +
                                    " > probe.out 2> probe.err";
        const int status = std::system(command.c_str());
        EXPECT_TRUE(WIFEXITED(status)) << readBytes(dir.file("probe.err"));
        EXPECT_EQ(WEXITSTATUS(status), expectedStatus) << readBytes(dir.file("probe.err"));
        return readBytes(dir.file("probe.out"));
    }
    std::string run(const std::string& args) { return run(args, tmp); }

    std::string log() { return readBytes(dir.file("bin/Game.log")); }
    void settings(const std::string& text) { writeBytes(dir.file("bin/Game.log.ini"), text); }
};

TEST_F(LogProbe, EntryBytes) {
    run("entries");
    const std::string indent18(18, ' ');
    EXPECT_EQ(log(),
              "[talvo.io] 'Data/x.dat' file opened.\n"
              "[talvo.io] warning: w\n"
              "[] error: e\n"
              "[exception] error: class talvo::io::Failure\n" +
                  indent19 + "    stream.cpp(61) : talvo::io::Stream::throw_failure_ : \n" + indent19 +
                  "    i/o error\n"
                  "[talvo.io] error: first\n" +
                  indent18 + "second more\n" + "[assertion] error: one two\n");
}

TEST_F(LogProbe, FailedOpenForReadingThenTheThrowReport) {
    EXPECT_EQ(run("scores"), "caught: i/o error ('Data/scores.dat')\n");
    EXPECT_EQ(log(), "[talvo.io] warning: 'Data/scores.dat' open failed: " + std::string(std::strerror(ENOENT)) +
                         "\n[exception] error: class talvo::io::Failure\n" + indent19 +
                         "    stream.cpp(61) : talvo::io::Stream::throw_failure_ : \n" + indent19 +
                         "    i/o error ('Data/scores.dat')\n");
}

TEST_F(LogProbe, PendingTextAndLateExitHandlersReachTheFile) {
    run("exit");
    EXPECT_EQ(log(), "[talvo.io] pending\n[] error: late\n");
}

TEST_F(LogProbe, FallsBackToTmpdirThenTheWorkingDirectory) {
    run("--exe /nonexistent/dir/Game settings");
    EXPECT_FALSE(fs::exists(dir.file("bin/Game.log")));
    EXPECT_NE(readBytes(tmp + "/Game.log").find("[] error: err\n"), std::string::npos);

    run("--exe /nonexistent/dir/Game settings", "/nonexistent/tmp");
    EXPECT_NE(readBytes(dir.file("Game.log")).find("[] error: err\n"), std::string::npos);
}

TEST_F(LogProbe, NumberedNamesWhenTheLogIsLocked) {
    talvo::File held[10];
    ASSERT_TRUE(held[0].open(dir.file("bin/Game.log").c_str(), std::ios_base::out));
    run("settings");
    EXPECT_EQ(readBytes(dir.file("bin/Game.log")), "");
    EXPECT_NE(readBytes(dir.file("bin/Game_1.log")).find("[] error: err\n"), std::string::npos);

    held[0].close();
    for (int n = 0; n <= 9; ++n) {
        const std::string name = n == 0 ? "bin/Game.log" : "bin/Game_" + std::to_string(n) + ".log";
        ASSERT_TRUE(held[n].open(dir.file(name).c_str(), std::ios_base::out)) << name;
    }
    run("settings");
    EXPECT_NE(readBytes(dir.file("bin/Game_a.log")).find("[] error: err\n"), std::string::npos);
}

TEST_F(LogProbe, StaticInitialisersCanLog) {
    run("settings", tmp + "' PROBE_STATIC_ENTRY='1");
    EXPECT_EQ(log().substr(0, 30), "[talvo.io] error: before main\n");
}

TEST_F(LogProbe, SymbolicLinksAreNotFollowed) {
    writeBytes(dir.file("victim.txt"), "keep me");
    fs::create_symlink(dir.file("victim.txt"), dir.file("bin/Game.log"));
    run("settings");
    EXPECT_EQ(readBytes(dir.file("victim.txt")), "keep me");
    EXPECT_NE(readBytes(dir.file("bin/Game_1.log")).find("[] error: err\n"), std::string::npos);
}

TEST_F(LogProbe, SettingsGateOff) {
    settings("[!]\n-*\n");
    run("settings");
    EXPECT_FALSE(fs::exists(dir.file("bin/Game.log")));
}

TEST_F(LogProbe, SettingsWarningThreshold) {
    settings("[talvo.io]\nwarning = -3\n");
    run("settings");
    EXPECT_EQ(log(), "[talvo.io] info5\n[talvo.io] warning: warn1\n[] error: err\n[exception] error: exc\n");
}

TEST_F(LogProbe, SettingsDefaultsOverrideEarlierCategories) {
    settings("[talvo.io]\n+*\n[exception]\n-*\n[*]\n-5\n");
    run("settings");
    EXPECT_EQ(log(), "[talvo.io] warning: warn1\n[talvo.io] warning: warn3\n[] error: err\n[exception] error: exc\n");
}

TEST_F(LogProbe, SignedAssignmentStopsReadingButNotTheLog) {
    settings("[talvo.io]\n-2\n+= 1\n-*\n");
    run("settings");  // exits normally: nothing escaped from the first entry
    EXPECT_EQ(log(), "[talvo.io] warning: warn1\n[] error: err\n[exception] error: exc\n");
}

TEST_F(LogProbe, ReportBoxShowsTheLastNineLinesOfTheFileActuallyOpened) {
    const std::string text = run("--exe /nonexistent/dir/Game box", tmp);
    std::string expected = "msg\n\nRecent log entries (\"" + tmp + "/Game.log\"):\n";
    for (int i = 7; i <= 15; ++i) expected += "[] line " + std::to_string(i) + "\n";
    expected += "\ndetail";
    EXPECT_EQ(text, expected);
}

}  // namespace
