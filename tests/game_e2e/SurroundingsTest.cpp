// What a parent, a shell or a launcher may leave the game: a stderr whose reader has gone, a
// file-size limit, end signals blocked or ignored, descriptors 0-2 closed. The built executable
// plays a won 6x6 under each, and must end as asked, keeping the best score it won. Then the
// second end signal's line under the same surroundings, in a child of the test binary.
#include "GameTest.h"
#include "ScriptedRun.h"
#include "tests/game/BoardModel.h"

#include "game/BestScoreFile.h"
#include "game/EndSignals.h"
#include "game/GameState.h"
#include "game/ProcessSetup.h"
#include "game/Program.h"
#include "platform/headless/display.h"
#include "talvo/log.h"
#include "talvo/log_file_buf.h"
#include "talvo/log_stream.h"
#include "tests/support/alloc_cap.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <new>
#include <optional>
#include <sstream>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {
// How the process ended: "status N", "signal NAME", or "running" when it had to be killed after
// a minute.
std::string ending(pid_t pid)
{
    int status = 0;
    if (!eventually([&] { return ::waitpid(pid, &status, WNOHANG) == pid; })) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
        return "running";
    }
    return WIFEXITED(status) ? "status " + std::to_string(WEXITSTATUS(status))
                             : std::string("signal ") + sigabbrev_np(WTERMSIG(status));
}

bool inMask(const std::string& mask, int signal)
{
    return !mask.empty() && (std::stoull(mask, nullptr, 16) >> (signal - 1) & 1) != 0;
}

std::string linkOf(const fs::path& link)
{
    std::error_code error;
    const fs::path target = fs::read_symlink(link, error);
    return error ? "(" + error.message() + ")" : target.string();
}
} // namespace

class SurroundingsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The launcher's state is set between fork and exec, which an emulator's start would undo.
        if (*VELMOOR_EMULATOR != 0)
            GTEST_SKIP() << "left to the native run: the game starts here under " VELMOOR_EMULATOR;
        const fs::path exe = fs::path(VELMOOR_RUN_DIR) / "Velmoor";
        ASSERT_TRUE(fs::exists(exe)) << exe << " is not built";
        fs::copy_file(exe, data.path() / "Velmoor");
        data.writeFile("Data/scores.dat", scoresFileBytes(5));
    }

    // Starts the game on the script in the data folder, stderr into stderr.txt unless `launcher`
    // (run in the child before the exec, async-signal-safe calls only) sets it otherwise.
    pid_t start(const std::string& script, const std::function<void()>& launcher)
    {
        data.writeFile("script.txt", script);
        const std::string folder = data.path().string(), err = (data.path() / "stderr.txt").string();
        std::vector<std::string> variables{"VELMOOR_PLATFORM=headless", "VELMOOR_SCRIPT=script.txt"};
        for (char** v = environ; *v != nullptr; ++v)
            if (std::strncmp(*v, "VELMOOR_", 8) != 0)
                variables.emplace_back(*v);
        std::vector<char*> environment;
        for (std::string& v : variables)
            environment.push_back(v.data());
        environment.push_back(nullptr);
        const pid_t pid = ::fork();
        if (pid == 0) {
            const int out = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
            if (out < 0 || ::dup2(out, 2) < 0 || ::chdir(folder.c_str()) != 0)
                ::_exit(120);
            sigset_t none;
            sigemptyset(&none);
            ::sigprocmask(SIG_SETMASK, &none, nullptr);
            for (const int signal : {SIGHUP, SIGINT, SIGTERM, SIGPIPE, SIGXFSZ})
                ::signal(signal, SIG_DFL);
            launcher();
            ::execle("./Velmoor", "Velmoor", static_cast<char*>(nullptr), environment.data());
            ::_exit(127);
        }
        return pid;
    }

    [[nodiscard]] bool inTheMenu() const { return fs::exists(data.path() / "menu.bmp"); }

    std::string stderrText() const { return data.fileBytes("stderr.txt"); }

    DataDir data;
};

TEST_F(SurroundingsTest, AStderrWithoutReaderFailsItsLinesAndTheGamePlaysOnAndSaves)
{
    // The reader is gone from the start; a line the script cannot read goes to stderr at once.
    int ends[2];
    ASSERT_EQ(::pipe2(ends, O_CLOEXEC), 0);
    const pid_t game = start("no such command\nwait 3\n" + wonTourScript(), [&] { ::dup2(ends[1], 2); });
    ::close(ends[0]);
    ::close(ends[1]);
    ASSERT_GT(game, 0);
    EXPECT_EQ(ending(game), "status 0");
    EXPECT_EQ(data.fileBytes("Data/scores.dat"), scoresFileBytes(36));
}

TEST_F(SurroundingsTest, AWritePastTheFileSizeLimitFailsAsOnAFullDiskAndTheGameSaves)
{
    // 100 KiB: the scores and the log fit, a screenshot (1,440,054 bytes) does not.
    const pid_t game = start(std::string("wait 3\n") + wonTourScript() + "key F5\nwait 3\n", [] {
        const rlimit limit{100 * 1024, 100 * 1024};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    });
    ASSERT_GT(game, 0);
    EXPECT_EQ(ending(game), "status 0") << stderrText();
    EXPECT_EQ(data.fileBytes("Data/scores.dat"), scoresFileBytes(36));
    EXPECT_FALSE(fs::exists(data.path() / "screen_0.bmp")) << "a cut shot is removed";
    EXPECT_NE(data.fileBytes("Velmoor.log").find("The screenshot screen_0.bmp could not be saved: File too large"),
              std::string::npos)
        << data.fileBytes("Velmoor.log");
}

TEST_F(SurroundingsTest, EndSignalsBlockedByTheLauncherEndTheGameAndOneItIgnoresStaysIgnored)
{
    const pid_t game = start(std::string("wait 3\n") + wonTourScript() + "dump menu.bmp\nwait 1000000\n", [] {
        sigset_t ends;
        sigemptyset(&ends);
        for (const int signal : {SIGHUP, SIGINT, SIGTERM})
            sigaddset(&ends, signal);
        ::sigprocmask(SIG_BLOCK, &ends, nullptr);
        ::signal(SIGHUP, SIG_IGN);
    });
    ASSERT_GT(game, 0);
    if (!eventually([&] { return inTheMenu(); })) {
        ::kill(game, SIGKILL);
        (void)ending(game);
        FAIL() << "the menu never came; " << stderrText();
    }
    const std::string ignored = statusLine(game, "SigIgn");
    EXPECT_TRUE(inMask(ignored, SIGHUP)) << "SigIgn " << ignored;
    EXPECT_FALSE(inMask(statusLine(game, "SigBlk"), SIGTERM)) << "SigBlk " << statusLine(game, "SigBlk");
    EXPECT_EQ(::kill(game, SIGTERM), 0);
    EXPECT_EQ(ending(game), "status 0");
    EXPECT_EQ(data.fileBytes("Data/scores.dat"), scoresFileBytes(36));
}

TEST_F(SurroundingsTest, DescriptorsZeroToTwoClosedAtStartAreNoneOfTheGamesOwnFiles)
{
    const pid_t game = start("no such command\nwait 3\n" + wonTourScript() + "dump menu.bmp\nwait 1000000\n", [] {
        for (int fd = 0; fd <= 2; ++fd)
            ::close(fd);
    });
    ASSERT_GT(game, 0);
    if (!eventually([&] { return inTheMenu(); })) {
        ::kill(game, SIGKILL);
        (void)ending(game);
        FAIL() << "the menu never came";
    }
    for (int fd = 0; fd <= 2; ++fd)
        EXPECT_EQ(linkOf("/proc/" + std::to_string(game) + "/fd/" + std::to_string(fd)), "/dev/null") << "fd " << fd;
    EXPECT_EQ(::kill(game, SIGTERM), 0);
    EXPECT_EQ(ending(game), "status 0");
    EXPECT_EQ(data.fileBytes("Data/scores.dat"), scoresFileBytes(36));
    EXPECT_EQ(data.fileBytes("Velmoor.log").find("no such command"), std::string::npos) << "stderr's line in the log";
}

using EndLineTest = GameTest;

namespace {
// In a child of the test binary: the log opened, `meanwhile`, the best score raised to 30 with its
// save made ready, then a file put in the score file's place, which the second signal's save
// refuses and tells. Returns the child's wait status, or nullopt when it had to be killed after a
// minute.
std::optional<int> secondSignalsSaveFails(const fs::path& dir, const std::function<void()>& meanwhile)
{
    const pid_t child = ::fork();
    if (child == 0) {
        readBestScoreFile();
        talvo::logInfo << "the log is open" << std::endl;
        talvo::LogStream::instance().flush();
        meanwhile();
        const EndSignals endSignals;
        gameState.score = 30;
        raiseBestScore();
        {
            std::ofstream(dir / "notes.txt") << "notes\n";
        }
        fs::rename(dir / "notes.txt", dir / "Data/scores.dat");
        ::raise(SIGTERM);
        ::raise(SIGHUP);
        ::_exit(0);
    }
    int status = 0;
    if (child < 0 || !eventually([&] { return ::waitpid(child, &status, WNOHANG) == child; })) {
        if (child > 0) {
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
        }
        return std::nullopt;
    }
    return status;
}

constexpr const char* notSaved = "[velmoor] error: The best score could not be saved in Data/scores.dat";
} // namespace

TEST_F(EndLineTest, TheSecondSignalsLineGoesIntoTheLogItselfNotWhatTookItsPlace)
{
    inOwnProcess([&] {
        writeFile("Data/scores.dat", scoresFileBytes(2));
        writeFile("victim.txt", "victim\n");
        const std::optional<int> status = secondSignalsSaveFails(dir(), [&] {
            stderrToFile("stderr.txt");
            const fs::path log = talvo::LogStream::instance().buffer().openedPath();
            fs::rename(log, dir() / "moved.log");
            fs::create_symlink(dir() / "victim.txt", log);
        });
        ASSERT_TRUE(status) << "the child hung";
        EXPECT_TRUE(WIFSIGNALED(*status) && WTERMSIG(*status) == SIGHUP) << "status " << *status;
        EXPECT_EQ(fileBytes("victim.txt"), "victim\n");
        EXPECT_NE(fileBytes("moved.log").find(notSaved), std::string::npos) << fileBytes("moved.log");
        EXPECT_NE(fileBytes("stderr.txt").find("Velmoor: The best score could not be saved"), std::string::npos);
    });
}

TEST_F(EndLineTest, WithStderrsReaderGoneTheSecondSignalsLineIsLoggedAndTheSignalEndsTheGame)
{
    inOwnProcess([&] {
        // Without the process set up as the game's, the write to stderr itself ends the child:
        // the log has the line only when it is written first. Set up, the signal ends it.
        for (const bool setUp : {false, true}) {
            writeFile("Data/scores.dat", scoresFileBytes(2));
            const std::optional<int> status = secondSignalsSaveFails(dir(), [&] {
                if (setUp)
                    prepareProcess();
                int ends[2];
                if (::pipe(ends) != 0)
                    ::_exit(8);
                ::close(ends[0]);
                ::dup2(ends[1], STDERR_FILENO);
            });
            ASSERT_TRUE(status) << "the child hung";
            if (setUp) {
                EXPECT_TRUE(WIFSIGNALED(*status) && WTERMSIG(*status) == SIGHUP) << "status " << *status;
            }
            EXPECT_NE(fileBytes("Velmoor.log").find(notSaved), std::string::npos) << setUp << fileBytes("Velmoor.log");
        }
    });
}

TEST_F(EndLineTest, MemoryRunningOutEndsTheGameWithOneLineAndKeepsTheBestScore)
{
    inOwnProcess([&] {
        writeFile("Data/scores.dat", scoresFileBytes(5));
        writeFile("script.txt", "wait 3\n" + wonTourScript());
        ::setenv("VELMOOR_SCRIPT", "script.txt", 1);
        // Memory runs out at the first frame after the board is won, and none comes back: the
        // end's save must take none.
        static std::optional<testsupport::AllocCap> noMemory;
        game.reset();
        plat::headless::setPresentHook([](const plat::headless::PresentedFrame&) {
            if (gameState.bestScore != 36)
                return;
            noMemory.emplace(0);
            throw std::bad_alloc();
        });
        ::testing::internal::CaptureStderr();
        const int status = runVelmoor();
        const std::size_t asked = noMemory ? noMemory->largest() : 0;
        noMemory.reset();
        const std::string said = ::testing::internal::GetCapturedStderr();
        plat::headless::setPresentHook(nullptr);
        EXPECT_EQ(status, 1);
        EXPECT_EQ(said, "Velmoor: out of memory\n");
        EXPECT_EQ(asked, 0u) << "the end asked for memory";
        EXPECT_EQ(fileBytes("Data/scores.dat"), scoresFileBytes(36));
    });
}
