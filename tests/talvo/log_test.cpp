// The log: its buffer's bytes over a private stream and file names; then the process-wide log end to
// end, through a probe program per scenario, copied into a fresh directory so that its own path names
// the log.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "talvo/file.h"
#include "talvo/log.h"
#include "talvo/log_file.h"
#include "talvo/log_stream.h"
#include "talvo/ptr_refs.h"
#include "talvo/text_line.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;
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

// A byte of 0x80 or above that meets a full put area must not read as end of file to the stream.
TEST_F(LogBytes, HighBytesAtTheBufferEdgeKeepTheStreamGood) {
    const std::string full(talvo::LogFileBuf::bufferSize - 2, 'x');
    entry("", LogKind::info) << full << "\xc3\xa4" << std::endl;
    entry("", LogKind::info) << "next" << std::endl;
    EXPECT_TRUE(log.good());
    EXPECT_EQ(readFile(path), "[] " + full + "\xc3\xa4\n[] next\n");
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

// Counts its deletions, so a test sees exactly when the last copy of a holder ended.
struct CountingDeleter {
    std::atomic<int>* deleted;
    void operator()(int* p) const noexcept {
        delete p;
        ++*deleted;
    }
};

TEST(SharedPtr, CopiesOutliveTheOriginalAndTheLastEndsThePointee) {
    std::atomic<int> deleted{0};
    auto original = std::make_unique<talvo::SharedPtr<int>>(new int(7), CountingDeleter{&deleted});
    talvo::SharedPtr<int> copy = *original;
    talvo::SharedPtr<int> other;
    other = copy;
    EXPECT_EQ(copy.useCount(), 3);
    original.reset();
    EXPECT_EQ(deleted, 0);
    EXPECT_EQ(*other, 7);
    copy = talvo::SharedPtr<int>();
    EXPECT_EQ(other.useCount(), 1);
    other = talvo::SharedPtr<int>();
    EXPECT_EQ(deleted, 1);
    EXPECT_EQ(other.useCount(), 0);

    // Entries: the copies share one sentry, which outlives the entry it came from.
    talvotest::ScratchDir dir;
    LogStream log{dir.file("copies.log"), std::ios_base::out | std::ios_base::trunc};
    talvo::LogChannel channel{&log, 4};
    talvo::LogEntry kept;
    {
        talvo::LogEntry entry = channel.entry();
        kept = entry;
        EXPECT_EQ(entry.sentry().useCount(), 2);
        entry << "a";
    }
    ASSERT_TRUE(kept.sentry());
    EXPECT_EQ(kept.sentry().useCount(), 1);
    EXPECT_TRUE(kept.sentry()->ok());
    kept << "b" << std::endl;
    EXPECT_EQ(readFile(dir.file("copies.log")), "[] ab\n");
    talvo::LogChannel nowhere{static_cast<LogStream*>(nullptr), 4};
    EXPECT_FALSE(nowhere.entry().sentry()) << "a turned-away entry holds nothing";
}

// Entries from several threads at once: each reaches the file whole, in its thread's order.
TEST(LogThreads, EntriesNeverMix) {
    talvotest::ScratchDir dir;
    const std::string path = dir.file("threads.log");
    constexpr int threads = 8, entries = 4000;
    {
        LogStream log{path, std::ios_base::out | std::ios_base::trunc};
        talvo::LogChannel channel{&log, 4};
        std::atomic<int> ready{0};
        std::vector<std::thread> running;
        for (int t = 0; t < threads; ++t)
            running.emplace_back([&, t] {
                for (++ready; ready < threads;) std::this_thread::yield();
                const std::string words(static_cast<std::size_t>(t + 1), static_cast<char>('a' + t));
                for (int i = 0; i < entries; ++i) channel << t << ' ' << i << ' ' << words << ' ' << words << std::endl;
            });
        for (auto& thread : running) thread.join();
    }
    const std::string text = readFile(path);
    ASSERT_EQ(text.find('\0'), std::string::npos);
    int next[threads] = {};
    std::size_t bad = 0, at = 0;
    for (std::size_t end; (end = text.find('\n', at)) != std::string::npos; at = end + 1) {
        const std::string line = text.substr(at, end - at);
        int t = -1, i = -1;
        if (std::sscanf(line.c_str(), "[] %d %d", &t, &i) == 2 && t >= 0 && t < threads && i == next[t]) {
            const std::string words(static_cast<std::size_t>(t + 1), static_cast<char>('a' + t));
            if (line == "[] " + std::to_string(t) + ' ' + std::to_string(i) + ' ' + words + ' ' + words) {
                ++next[t];
                continue;
            }
        }
        if (++bad <= 3) ADD_FAILURE() << "cut or mixed: " << line;
    }
    EXPECT_EQ(at, text.size()) << "the file ends inside an entry";
    EXPECT_EQ(bad, 0u);
    for (int t = 0; t < threads; ++t) EXPECT_EQ(next[t], entries) << "thread " << t;
}

TEST(SharedPtr, CountsHoldAcrossThreads) {
    std::atomic<int> deleted{0};
    talvo::SharedPtr<int> shared(new int(1), CountingDeleter{&deleted});
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t)
        threads.emplace_back([shared] {
            std::vector<talvo::SharedPtr<int>> copies;
            for (int i = 0; i < 20000; ++i) {
                copies.push_back(shared);
                if (copies.size() > 16) copies.clear();
            }
        });
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(shared.useCount(), 1);
    EXPECT_EQ(deleted, 0);
    shared = talvo::SharedPtr<int>();
    EXPECT_EQ(deleted, 1);
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

// A name in a message: C0, DEL and C1 (its UTF-8 code points and lone bytes of a Latin-1 name) as
// '?', any other UTF-8 character whole, even where the cut falls inside one.
TEST(LogFileNames, OutsideTextInALineShowsControlCharactersAsQuestionMarks) {
    EXPECT_EQ(talvo::textInLine("/run/game\n[velmoor] error: x\r\t\x7f"), "/run/game?[velmoor] error: x???");
    EXPECT_EQ(talvo::textInLine("\xc2\x85\xc2\x9b" "2J\x9b\xc2\x9f\xc2\xa0/M\xc3\xbcller/\xe6\x97\xa5/\xf0\x9f\x98\x80/\xfc\xe6\x97"),
              "??2J??\xc2\xa0/M\xc3\xbcller/\xe6\x97\xa5/\xf0\x9f\x98\x80/\xfc\xe6?");
    EXPECT_EQ(talvo::textInLine(std::string("a\0b", 3)), "a?b");
    EXPECT_EQ(talvo::textInLine("abcd", 4), "abcd");
    EXPECT_EQ(talvo::textInLine("ab\xf0\x9f\x98\x80", 5), "ab... (6 bytes)");
}

// The exception entry's continuation lines sit under its text: 19 blanks of prefix, 4 of its own.
const std::string indent23(23, ' ');
const std::string settingsLog =
    "[talvo.io] info5\n[talvo.io] warning: warn1\n[talvo.io] warning: warn3\n[] error: err\n[exception] error: exc\n";

class LogProbe : public ::testing::Test {
protected:
    talvotest::ScratchDir dir;
    std::string tmp = dir.file("tmp");

    LogProbe() {
        fs::create_directory(tmp);
        fs::create_directory(dir.path() / "bin");
        fs::copy_file(TALVO_LOG_PROBE, dir.path() / "bin" / "Game");
    }

    // Runs bin/Game from the scratch directory with TMPDIR set to tmpdir; returns its stdout.
    std::string run(const std::string& args, const std::string& tmpdir = "", const std::string& env = "") {
        const std::string command = "cd '" + dir.path().string() + "' && " + env + " TMPDIR='" +
                                    (tmpdir.empty() ? tmp : tmpdir) + "' " VELMOOR_EMULATOR "./bin/Game " + args + " > probe.out 2> probe.err";
        const int status = std::system(command.c_str());
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << readFile(dir.file("probe.err"));
        return readFile(dir.file("probe.out"));
    }
    std::string log(const std::string& name = "bin/Game.log") { return readFile(dir.file(name)); }
};

TEST_F(LogProbe, EntryBytes) {
    run("entries");
    EXPECT_EQ(log(), "[talvo.io] 'Data/x.dat' file opened.\n[talvo.io] warning: w\n[] error: e\n"
                     "[exception] error: class talvo::io::Failure\n" +
                         indent23 + "stream.cpp(61) : talvo::io::Stream::throw_failure_ : \n" + indent23 +
                         "i/o error\n[talvo.io] error: first\n" + std::string(18, ' ') +
                         "second more\n[assertion] error: one two\n");
}

TEST_F(LogProbe, StaticInitialisersPendingTextAndLateExitHandlersReachTheFile) {
    run("exit", "", "PROBE_STATIC_ENTRY=1");
    EXPECT_EQ(log(), "[talvo.io] error: before main\n[talvo.io] pending\n[] error: late\n");
}

TEST_F(LogProbe, FallsBackToTmpdirThenTheWorkingDirectory) {
    run("--exe /nonexistent/dir/Game settings");
    EXPECT_FALSE(fs::exists(dir.file("bin/Game.log")));
    EXPECT_EQ(readFile(tmp + "/Game.log"), settingsLog);
    run("--exe /nonexistent/dir/Game settings", "/nonexistent/tmp");
    EXPECT_EQ(log("Game.log"), settingsLog);
}

TEST_F(LogProbe, NumberedNamesWhenTheLogIsLockedOrASymbolicLink) {
    talvo::File held[10];
    ASSERT_TRUE(held[0].open(dir.file("bin/Game.log").c_str(), std::ios_base::out));
    run("settings");
    EXPECT_EQ(log(), "");
    EXPECT_EQ(log("bin/Game_1.log"), settingsLog);
    for (int n = 1; n <= 9; ++n)
        ASSERT_TRUE(held[n].open(dir.file("bin/Game_" + std::to_string(n) + ".log").c_str(), std::ios_base::out));
    run("settings");
    EXPECT_EQ(log("bin/Game_a.log"), settingsLog);

    // The log may live in /tmp: a planted link is never followed.
    for (auto& file : held) file.close();
    fs::remove_all(dir.path() / "bin" / "Game.log");
    fs::remove_all(dir.path() / "bin" / "Game_1.log");
    talvotest::writeFile(dir.file("victim.txt"), "keep me");
    fs::create_symlink(dir.file("victim.txt"), dir.file("bin/Game.log"));
    run("settings");
    EXPECT_EQ(readFile(dir.file("victim.txt")), "keep me");
    EXPECT_EQ(log("bin/Game_1.log"), settingsLog);
}

// In a folder others can write (/tmp) the log takes only a regular file of its own user's with no
// other name, never waits on a pipe and follows no link; the names it passes over stay as they were.
TEST_F(LogProbe, InAFolderOthersCanWriteOnlyAFileOfOursIsTheLog) {
    talvotest::writeFile(dir.file("victim.txt"), "keep me");
    for (const auto mode : {fs::perms(01777), fs::perms(0775)}) {
        fs::remove_all(tmp);
        fs::create_directory(tmp);
        fs::permissions(tmp, mode);
        const auto name = [&](int n) { return tmp + (n == 0 ? "/Game.log" : "/Game_" + std::to_string(n) + ".log"); };
        fs::create_symlink(dir.file("victim.txt"), name(0));
        ASSERT_EQ(::mkfifo(name(1).c_str(), 0666), 0) << "no reader: an open that waits would wait for ever";
        ASSERT_EQ(::mkfifo(name(2).c_str(), 0666), 0);
        const int reader = ::open(name(2).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        ASSERT_GE(reader, 0);
        fs::create_hard_link(dir.file("victim.txt"), name(3));
        int next = 4;
        if (::geteuid() == 0) {
            // Another user's file that anyone may write (only root can make one): root must leave it alone too.
            talvotest::writeFile(name(next), "daemon's");
            fs::permissions(name(next), fs::perms(0666));
            ASSERT_EQ(::chown(name(next).c_str(), 1, 1), 0);
            ++next;
        }
        // Twice: the second run takes the first one's log again.
        for (int round = 0; round < 2; ++round) {
            run("--exe /nonexistent/dir/Game settings", "", "timeout 120 env");
            EXPECT_EQ(readFile(name(next)), settingsLog) << "round " << round << ", folder mode " << std::oct << static_cast<int>(mode);
        }
        char drained[64];
        EXPECT_EQ(::read(reader, drained, sizeof drained), 0) << "nothing was written into the pipe";
        ::close(reader);
        EXPECT_EQ(readFile(dir.file("victim.txt")), "keep me");
        if (next == 5) {
            EXPECT_EQ(readFile(name(4)), "daemon's");
        }
        EXPECT_FALSE(fs::exists(name(next + 1)));
    }
}

// A log whose own file fails says so on stderr once, never logging about itself, and from the line
// its file refused on sends its warnings and errors to stderr (its info lines nowhere).
TEST_F(LogProbe, FullDiskLeavesTheProgramRunning) {
    EXPECT_EQ(run("fulldisk"), "survived\n");
    std::string told = "talvo: the log file '" + dir.file("bin/Game.log") +
                       "' cannot be written (No space left on device); its warnings and errors go to stderr.\n"
                       "[] error: lost\n";
    for (int i = 0; i < 3; ++i)
        told += "[talvo.io] error: writing failed: No space left on device\n[talvo.io] error: also lost " +
                std::to_string(i) + "\n";
    EXPECT_EQ(readFile(dir.file("probe.err")), told + "[] warning: still told\n");
    EXPECT_EQ(log(), "[] first\n");
}

TEST_F(LogProbe, Settings) {
    const std::pair<const char*, std::string> cases[] = {
        {"[!]\n-*\n", ""},  // the gate off: no file at all
        {"[talvo.io]\nwarning = -3\n", "[talvo.io] info5\n[talvo.io] warning: warn1\n[] error: err\n[exception] error: exc\n"},
        {"[talvo.io]\n+*\n[exception]\n-*\n[*]\n-5\n",  // the defaults override earlier categories
         "[talvo.io] warning: warn1\n[talvo.io] warning: warn3\n[] error: err\n[exception] error: exc\n"},
        // "+=" stops the reading; what came before stays and nothing escapes from the first entry.
        {"[talvo.io]\n-2\n+= 1\n-*\n", "[talvo.io] warning: warn1\n[] error: err\n[exception] error: exc\n"},
    };
    for (const auto& [ini, expected] : cases) {
        fs::remove(dir.path() / "bin" / "Game.log");
        talvotest::writeFile(dir.file("bin/Game.log.ini"), ini);
        run("settings");
        EXPECT_EQ(log(), expected) << ini;
        EXPECT_EQ(fs::exists(dir.path() / "bin" / "Game.log"), !expected.empty()) << ini;
    }
}

TEST_F(LogProbe, ReportBoxShowsTheLastNineLinesOfTheFileActuallyOpened) {
    std::string expected = "msg\n\nRecent log entries (\"" + tmp + "/Game.log\"):\n";
    for (int i = 7; i <= 15; ++i) expected += "[] line " + std::to_string(i) + "\n";
    EXPECT_EQ(run("--exe /nonexistent/dir/Game box"), expected + "\ndetail");
}

}  // namespace
