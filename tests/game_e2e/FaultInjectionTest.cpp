// A full disk, a failing sync, a kill or a second end signal at a chosen call while the best
// score, the rank or a screenshot is written, and a read error on the score and rank files: the
// old files (or, after the signal, the new ones) must come through whole and no cut file stay
// behind. The test binary stands in for read, write, fsync, renameat and fchown (passing every
// call on unless a fault is armed) and runs each write in a child process.
#include "GameTest.h"

#include "game/BestScoreFile.h"
#include "game/EndSignals.h"
#include "game/GameState.h"
#include "game/RankFile.h"
#include "talvo/log.h"
#include "talvo/log_stream.h"

#include <dlfcn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

namespace {
enum class Call { Read, Write, Fsync, Rename, FsyncFolder };

// For Fault::error: the call does nothing and returns 0, as a write that takes no byte.
constexpr int takesNothing = -1;

struct Fault {
    Call call;
    int error;      // 0: the process is killed in that call, before it acts
    int after = 0;  // calls that pass before the fault strikes (a disk filling up midway)
    int signal = 0; // raised in that call before it acts, which then goes on
    void (*act)() = nullptr; // run in that call before it acts, which then goes on
};

std::atomic<const Fault*> armed{nullptr};
const char* armedFile = ""; // a part of the path the fault strikes
std::atomic<int> passed{0}; // matching calls let through since the fault was armed
// fchown fails as for a user who may not give the owner or group asked.
std::atomic<bool> refuseChown{false};

void arm(const Fault* fault, const char* file)
{
    armedFile = file;
    passed = 0;
    armed = fault;
}

bool pathOfFdHas(int fd, const char* part)
{
    char link[64];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    char target[4096];
    const ssize_t n = ::readlink(link, target, sizeof target - 1);
    if (n <= 0)
        return false;
    target[n] = '\0';
    return std::strstr(target, part) != nullptr;
}

// True when the call must fail (errno set); never returns for a kill.
bool strikes(Call call, const auto& matches)
{
    const Fault* fault = armed.load();
    if (!fault || fault->call != call || !matches() || passed++ < fault->after)
        return false;
    if (fault->signal != 0 || fault->act != nullptr) {
        if (fault->signal != 0)
            ::raise(fault->signal);
        else
            fault->act();
        return false;
    }
    if (fault->error == 0)
        ::raise(SIGKILL);
    errno = fault->error;
    return true;
}

template <class F>
F next(const char* name)
{
    return reinterpret_cast<F>(::dlsym(RTLD_NEXT, name));
}
} // namespace

extern "C" ssize_t read(int fd, void* bytes, size_t count)
{
    static const auto real = next<ssize_t (*)(int, void*, size_t)>("read");
    if (strikes(Call::Read, [&] { return pathOfFdHas(fd, armedFile); }))
        return -1;
    return real(fd, bytes, count);
}

extern "C" ssize_t write(int fd, const void* bytes, size_t count)
{
    static const auto real = next<ssize_t (*)(int, const void*, size_t)>("write");
    if (strikes(Call::Write, [&] { return pathOfFdHas(fd, armedFile); }))
        return armed.load()->error == takesNothing ? 0 : -1;
    return real(fd, bytes, count);
}

// The C library's streams write through its own internal call, not through write() above.
extern "C" size_t fwrite(const void* bytes, size_t size, size_t count, std::FILE* file)
{
    static const auto real = next<size_t (*)(const void*, size_t, size_t, std::FILE*)>("fwrite");
    if (strikes(Call::Write, [&] { return pathOfFdHas(::fileno(file), armedFile); }))
        return 0;
    return real(bytes, size, count, file);
}

extern "C" int fsync(int fd)
{
    static const auto real = next<int (*)(int)>("fsync");
    struct stat st {};
    const bool folder = ::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode);
    if (strikes(folder ? Call::FsyncFolder : Call::Fsync, [&] { return pathOfFdHas(fd, armedFile); }))
        return -1;
    return real(fd);
}

extern "C" int renameat(int fromFolder, const char* from, int toFolder, const char* to) noexcept
{
    static const auto real = next<int (*)(int, const char*, int, const char*)>("renameat");
    if (strikes(Call::Rename, [&] { return std::strstr(to, armedFile) != nullptr; }))
        return -1;
    return real(fromFolder, from, toFolder, to);
}

extern "C" int fchown(int fd, uid_t owner, gid_t group) noexcept
{
    static const auto real = next<int (*)(int, uid_t, gid_t)>("fchown");
    if (refuseChown) {
        errno = EPERM;
        return -1;
    }
    return real(fd, owner, group);
}

using FaultInjectionTest = GameTest;

TEST_F(FaultInjectionTest, AFullDiskAFailedSyncOrAKillLeaveTheOldScoreAndRankWhole)
{
    static constexpr Fault faults[] = {
        {Call::Write, ENOSPC}, {Call::Write, 0}, // the kill comes right after the file was opened
        {Call::Write, takesNothing}, {Call::Fsync, EIO}, {Call::Fsync, 0}, {Call::Rename, EXDEV}, {Call::Rename, 0},
    };
    const std::string oldScore = scoresFileBytes(57);
    const struct {
        const char* path;
        std::string old;
        void (*write)();
    } files[] = {
        {"Data/scores.dat", oldScore, [] {
             readBestScoreFile();
             gameState.bestScore = 99;
             const bool written = writeBestScoreFile();
             talvo::LogStream::instance().flush();
             _exit(written ? 0 : 3);
         }},
        {"Data/results.dat", "2\r\n", [] {
             storeRank(1);
             talvo::LogStream::instance().flush();
             _exit(0);
         }},
    };
    // The log file is opened (and emptied) once, here, and shared by the children.
    talvo::logInfo << "faults follow" << std::endl;
    talvo::LogStream::instance().flush();
    // Where it can, the old file is another user's, whose owner the new file cannot take: that is
    // said only of a file that was replaced.
    const bool othersFiles = ::geteuid() == 0;
    for (const auto& file : files)
        for (const Fault& fault : faults) {
            const std::string what = std::string(file.path) + ", call " + std::to_string(int(fault.call)) +
                                     ", error " + std::to_string(fault.error);
            writeFile(file.path, file.old);
            if (othersFiles) {
                ASSERT_EQ(::chown((dir() / file.path).c_str(), 65534, 65534), 0);
            }
            const pid_t child = ::fork();
            ASSERT_GE(child, 0);
            if (child == 0) {
                stderrToFile("stderr.txt");
                refuseChown = othersFiles;
                // A save that never ends fails the test rather than holding it.
                ::alarm(60);
                arm(&fault, std::strchr(file.path, '/') + 1);
                file.write();
            }
            int status = 0;
            ASSERT_EQ(::waitpid(child, &status, 0), child);
            EXPECT_EQ(fileBytes(file.path), file.old) << what;
            if (fault.error == 0) {
                EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << what;
            } else {
                EXPECT_EQ(temporariesBeside(dir() / file.path), std::vector<std::string>{}) << what;
                const bool scores = file.path == files[0].path;
                EXPECT_EQ(status, (scores ? 3 : 0) << 8) << what << ": the failure is reported";
                // The player reads the cause, not only that it failed ("No space left on device"), on
                // stderr too: the log may be on the full disk.
                const std::string stderrText = fileBytes("stderr.txt");
                const std::string notSaved =
                    scores ? "The best score could not be saved in " : "The rank could not be saved in ";
                const std::string cause =
                    fault.error == takesNothing ? "nothing was written" : std::strerror(fault.error);
                EXPECT_TRUE(stderrText.starts_with("Velmoor: " + notSaved + file.path + ": ") &&
                            stderrText.ends_with(": " + cause + "\n"))
                    << what << ": " << stderrText;
            }
        }
    EXPECT_EQ(logText().find("is replaced by a file of owner"), std::string::npos) << logText();
    // Without a fault the next write takes over, leftovers of the kills or not.
    readBestScoreFile();
    gameState.bestScore = 99;
    EXPECT_TRUE(writeBestScoreFile());
    EXPECT_EQ(fileBytes("Data/scores.dat"), scoresFileBytes(99));
    storeRank(1);
    EXPECT_EQ(fileBytes("Data/results.dat"), "1\r\n");
    EXPECT_NE(logText().find("[velmoor] error: The rank could not be saved in Data/results.dat"), std::string::npos)
        << logText();
}

TEST_F(FaultInjectionTest, ASaveWhoseFolderCannotBeSyncedIsMadeAndSaidToBeAndTheNextOneFollowsIt)
{
    // Both files shared through links: once the new file is in place, only the game's record of it
    // lets the next save through the link.
    namespace fs = std::filesystem;
    fs::create_directory(dir() / "shared");
    writeFile("shared/scores.dat", scoresFileBytes(57));
    writeFile("shared/results.dat", "1\r\n");
    for (const char* file : {"scores.dat", "results.dat"}) {
        fs::remove(dir() / "Data" / file);
        fs::create_symlink(std::string("../shared/") + file, dir() / "Data" / file);
    }
    readBestScoreFile();
    readRankFile();
    static constexpr Fault folderSync{Call::FsyncFolder, EIO};
    gameState.bestScore = 98;
    ::testing::internal::CaptureStderr();
    arm(&folderSync, "shared");
    EXPECT_TRUE(writeBestScoreFile());
    storeRank(2);
    armed = nullptr;
    EXPECT_EQ(fileBytes("shared/scores.dat"), scoresFileBytes(98));
    EXPECT_EQ(fileBytes("shared/results.dat"), "2\r\n");
    gameState.bestScore = 99;
    EXPECT_TRUE(writeBestScoreFile());
    storeRank(3);
    const std::string stderrText = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(fileBytes("shared/scores.dat"), scoresFileBytes(99));
    EXPECT_EQ(fileBytes("shared/results.dat"), "3\r\n");
    EXPECT_EQ(stderrText,
              "Velmoor: The best score was saved in Data/scores.dat, but it may not outlast a power cut: the folder "
              "cannot be synced: Input/output error (it is a link to Data/../shared/scores.dat)\n"
              "Velmoor: The rank was saved in Data/results.dat, but it may not outlast a power cut: the folder cannot "
              "be synced: Input/output error (it is a link to Data/../shared/results.dat)\n");
    EXPECT_NE(logText().find("[velmoor] error: The rank was saved in Data/results.dat, but it may not outlast a "
                             "power cut: the folder cannot be synced: Input/output error"),
              std::string::npos)
        << logText();
}

TEST_F(FaultInjectionTest, AFileMovedOverTheTargetWhileTheNewOneIsSyncedIsLeftAsItIs)
{
    // After the save checked the file, while it syncs the new one: a rename would put the score in
    // place of someone's text.
    static constexpr Fault textMovedOver{Call::Fsync, 0, 0, 0, [] {
        std::ofstream("notes.txt") << "someone's notes\n";
        std::filesystem::rename("notes.txt", "Data/scores.dat");
    }};
    writeFile("Data/scores.dat", scoresFileBytes(57));
    readBestScoreFile();
    gameState.bestScore = 99;
    ::testing::internal::CaptureStderr();
    arm(&textMovedOver, "scores.dat");
    EXPECT_FALSE(writeBestScoreFile());
    armed = nullptr;
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "Velmoor: The best score could not be saved in Data/scores.dat: another file has taken its place since "
              "it was checked\n");
    EXPECT_EQ(fileBytes("Data/scores.dat"), "someone's notes\n");
    EXPECT_EQ(temporariesBeside(dir() / "Data/scores.dat"), std::vector<std::string>{});
}

TEST_F(FaultInjectionTest, ASecondEndSignalInTheMiddleOfASaveEndsTheGameOnlyOnceTheFileIsWhole)
{
    // The first signal (SIGTERM) is only noted; the second (SIGINT) comes in each call of the
    // replacement of either file.
    static constexpr Fault secondSignals[] = {
        {Call::Write, 0, 0, SIGINT}, {Call::Fsync, 0, 0, SIGINT}, {Call::Rename, 0, 0, SIGINT}};
    const struct {
        const char* path;
        std::string old, saved;
        void (*save)();
    } files[] = {
        {"Data/scores.dat", scoresFileBytes(57), scoresFileBytes(99), [] {
             gameState.bestScore = 99;
             (void)writeBestScoreFile();
         }},
        {"Data/results.dat", "2\r\n", "1\r\n", [] { storeRank(1); }},
    };
    for (const auto& file : files)
        for (const Fault& fault : secondSignals) {
            const std::string what = std::string(file.path) + ", call " + std::to_string(int(fault.call));
            writeFile(file.path, file.old);
            const pid_t child = ::fork();
            ASSERT_GE(child, 0);
            if (child == 0) {
                readBestScoreFile();
                readRankFile();
                const EndSignals endSignals;
                ::raise(SIGTERM);
                arm(&fault, std::strchr(file.path, '/') + 1);
                file.save();
                _exit(0);
            }
            int status = 0;
            ASSERT_EQ(::waitpid(child, &status, 0), child);
            EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT) << what << ": status " << status;
            EXPECT_EQ(fileBytes(file.path), file.saved) << what;
            EXPECT_EQ(temporariesBeside(dir() / file.path), std::vector<std::string>{}) << what;
        }
    // The save kept ready for the second signal, made in a folder that then cannot be synced, is
    // said to be so.
    writeFile("Data/scores.dat", scoresFileBytes(57));
    const int status = raiseThenTwoEndSignals(99, [] {
        static constexpr Fault folderSync{Call::FsyncFolder, EIO};
        arm(&folderSync, "Data");
    });
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGHUP) << "status " << status;
    EXPECT_EQ(fileBytes("Data/scores.dat"), scoresFileBytes(99));
    EXPECT_EQ(fileBytes("stderr.txt"), "Velmoor: The best score was saved in Data/scores.dat, but it may not outlast a "
                                       "power cut: the folder cannot be synced: Input/output error\n");
}

TEST_F(FaultInjectionTest, ScoreAndRankFilesThatFailToReadAreLeftAsTheyAre)
{
    static constexpr Fault ioError{Call::Read, EIO};
    writeFile("Data/scores.dat", scoresFileBytes(57));
    writeFile("Data/results.dat", "2\r\n");
    arm(&ioError, "scores.dat");
    readBestScoreFile();
    arm(&ioError, "results.dat");
    readRankFile();
    armed = nullptr;
    EXPECT_EQ(gameState.bestScore, 0);
    EXPECT_EQ(gameState.rankLevel, NoRank);
    // A run that won a board: neither file is replaced, the new rank holds for the run.
    gameState.bestScore = 36;
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(writeBestScoreFile());
    const std::string stderrText = ::testing::internal::GetCapturedStderr();
    storeRank(1);
    EXPECT_EQ(gameState.rankLevel, 1);
    EXPECT_EQ(fileBytes("Data/scores.dat"), scoresFileBytes(57));
    EXPECT_EQ(fileBytes("Data/results.dat"), "2\r\n");
    EXPECT_EQ(stderrText, "Velmoor: The best score could not be saved in Data/scores.dat: the file could not be read "
                          "at start-up (Input/output error), so it is left as it is\n");
    // A run that scored nothing has nothing to lose and says nothing at the end.
    gameState.bestScore = 0;
    EXPECT_TRUE(writeBestScoreFile());
    const std::string log = logText();
    for (const char* line : {"[velmoor] warning: The best score in Data/scores.dat cannot be read (Input/output error)",
                             "[velmoor] warning: Data/results.dat was not loaded: Input/output error",
                             "[velmoor] error: The rank could not be saved in Data/results.dat: the file could not be "
                             "read at start-up (Input/output error), so it is left as it is"})
        EXPECT_NE(log.find(line), std::string::npos) << line << "\n" << log;
}

TEST_F(FaultInjectionTest, AScreenshotOnAFullDiskIsLoggedWithTheCauseAndLeavesNoFile)
{
    inOwnProcess([&] {
        ASSERT_NO_FATAL_FAILURE(startAtMenu());
        // The disk fills up after the first block of the file, then right at its start.
        static constexpr Fault fullMidway{Call::Write, ENOSPC, 1};
        static constexpr Fault full{Call::Write, ENOSPC};
        for (const Fault* fault : {&fullMidway, &full}) {
            arm(fault, "screen_");
            holdKey("F5");
            ASSERT_TRUE(game->advance(3));
            releaseKey("F5");
            ASSERT_TRUE(game->advance(2));
            armed = nullptr;
            EXPECT_GT(passed.load(), fault->after) << "the shot was written";
            EXPECT_FALSE(std::filesystem::exists(dir() / "screen_0.bmp")) << "after " << fault->after;
        }
        const std::string log = logText();
        const std::string line = "[velmoor] warning: The screenshot screen_0.bmp could not be saved: No space left on device";
        const std::size_t first = log.find(line);
        EXPECT_NE(first, std::string::npos) << log;
        EXPECT_NE(log.find(line, first + 1), std::string::npos) << "each failed shot is logged: " << log;
        // With room again the same key saves the whole frame.
        holdKey("F5");
        ASSERT_TRUE(game->advance(3));
        releaseKey("F5");
        EXPECT_EQ(fileBytes("screen_0.bmp").size(), 1'440'054u);
        EXPECT_EQ(quitWithQ(), 0);
    });
}

TEST_F(FaultInjectionTest, ALogThatTakesNoByteOfTheSecondSignalsLineLeavesItToStderrAndTheSignalEndsTheGame)
{
    inOwnProcess([&] {
        writeFile("Data/scores.dat", scoresFileBytes(2));
        const pid_t child = ::fork();
        if (child == 0) {
            stderrToFile("stderr.txt");
            readBestScoreFile();
            talvo::logInfo << "the log is open" << std::endl;
            talvo::LogStream::instance().flush();
            const EndSignals endSignals;
            gameState.score = 30;
            raiseBestScore();
            static constexpr Fault nothing{Call::Write, takesNothing};
            arm(&nothing, "Velmoor.log");
            // A file in the score file's place: the second signal's save is refused, and told.
            writeFile("notes.txt", "notes\n");
            std::filesystem::rename(dir() / "notes.txt", dir() / "Data/scores.dat");
            ::raise(SIGTERM);
            ::raise(SIGHUP);
            _exit(0);
        }
        ASSERT_GT(child, 0);
        int status = 0;
        const auto end = std::chrono::steady_clock::now() + std::chrono::minutes(1);
        while (::waitpid(child, &status, WNOHANG) != child)
            if (std::chrono::steady_clock::now() > end) {
                ::kill(child, SIGKILL);
                ::waitpid(child, &status, 0);
                FAIL() << "the line is written to the log for ever";
            } else {
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGHUP) << "status " << status;
        EXPECT_NE(fileBytes("stderr.txt").find("Velmoor: The best score could not be saved in Data/scores.dat"),
                  std::string::npos)
            << fileBytes("stderr.txt");
    });
}
