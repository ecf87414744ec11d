// A full disk, a failing sync and a kill at a chosen call while the best score or the rank is
// written: the old file must come through whole. The test binary stands in for write, fsync and
// rename (passing every call on unless a fault is armed) and runs each write in a child process.
#include "GameTest.h"

#include "game/BestScoreFile.h"
#include "game/GameState.h"
#include "game/RankFile.h"
#include "talvo/log.h"
#include "talvo/log_stream.h"

#include <dlfcn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>

namespace {
enum class Call { Write, Fsync, Rename };

struct Fault {
    Call call;
    int error; // 0: the process is killed in that call, before it acts
};

std::atomic<const Fault*> armed{nullptr};
const char* armedFile = ""; // a part of the path the fault strikes

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
    if (!fault || fault->call != call || !matches())
        return false;
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

extern "C" ssize_t write(int fd, const void* bytes, size_t count)
{
    static const auto real = next<ssize_t (*)(int, const void*, size_t)>("write");
    if (strikes(Call::Write, [&] { return pathOfFdHas(fd, armedFile); }))
        return -1;
    return real(fd, bytes, count);
}

extern "C" int fsync(int fd)
{
    static const auto real = next<int (*)(int)>("fsync");
    if (strikes(Call::Fsync, [&] { return pathOfFdHas(fd, armedFile); }))
        return -1;
    return real(fd);
}

extern "C" int rename(const char* from, const char* to) noexcept
{
    static const auto real = next<int (*)(const char*, const char*)>("rename");
    if (strikes(Call::Rename, [&] { return std::strstr(to, armedFile) != nullptr; }))
        return -1;
    return real(from, to);
}

using FaultInjectionTest = GameTest;

TEST_F(FaultInjectionTest, AFullDiskAFailedSyncOrAKillLeaveTheOldScoreAndRankWhole)
{
    static constexpr Fault faults[] = {
        {Call::Write, ENOSPC}, {Call::Write, 0}, // the kill comes right after the file was opened
        {Call::Fsync, EIO},    {Call::Fsync, 0}, {Call::Rename, EXDEV}, {Call::Rename, 0},
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
    for (const auto& file : files)
        for (const Fault& fault : faults) {
            const std::string what = std::string(file.path) + ", call " + std::to_string(int(fault.call)) +
                                     ", error " + std::to_string(fault.error);
            writeFile(file.path, file.old);
            const pid_t child = ::fork();
            ASSERT_GE(child, 0);
            if (child == 0) {
                armedFile = std::strchr(file.path, '/') + 1;
                armed = &fault;
                file.write();
            }
            int status = 0;
            ASSERT_EQ(::waitpid(child, &status, 0), child);
            EXPECT_EQ(fileBytes(file.path), file.old) << what;
            if (fault.error == 0) {
                EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << what;
            } else {
                EXPECT_FALSE(std::filesystem::exists(dir() / (std::string(file.path) + ".new"))) << what;
                EXPECT_EQ(status, (file.path == files[0].path ? 3 : 0) << 8) << what << ": the failure is reported";
            }
        }
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
