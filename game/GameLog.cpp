// The game's log category: failed loads, damaged best-score files, failed writes; the log's place.
#include "game/GameLog.h"

#include "framework/DataFile.h"
#include "framework/Result.h"
#include "talvo/log_file.h"
#include "talvo/text_line.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <set>

talvo::LogChannel gameWarning("velmoor", 2);
talvo::LogChannel gameError("velmoor", 1);

namespace {
talvo::LogChannel gameInfo("velmoor", 0);

// True when the log has no file and its warnings and errors go to stderr (none could be opened,
// or the one opened refused a write): what the game tells the player there itself is then not
// logged as well, or it would be said twice.
bool logOnStderr()
{
    const std::lock_guard lock(talvo::logCriticalSection());
    return talvo::LogStream::instance().buffer().onStderrOnly();
}

// The first line about a file is logged; later ones are dropped. tell: on stderr too.
void warnOnce(const char* path, const std::string& text, bool tell = false)
{
    static std::mutex mutex;
    static std::set<std::string> warned;
    {
        const std::lock_guard lock(mutex);
        if (!warned.insert(path).second)
            return;
    }
    std::string whole(path);
    whole += text;
    const std::string line = talvo::textInLine(whole);
    if (!tell || !logOnStderr())
        gameWarning << line << std::endl;
    if (tell)
        std::fprintf(stderr, "Velmoor: %s\n", line.c_str());
}

// Why the log cannot be opened at path for writing, as the log opens it (no link followed, only a
// regular file, in a folder others can write only one of ours): "" when it can be opened now, as
// when another run of the game holds it locked. As the log does, it opens only the file it looked at
// (through /proc), so another user's pipe swapped into the name meanwhile is never opened.
std::string whyNotWritable(const std::string& path)
{
    const auto told = [](int error) {
        char text[256] = "";
        return std::string(::strerror_r(error, text, sizeof text));
    };
    const bool shared = talvo::inSharedFolder(path);
    // A name that comes or goes between the look and the making is looked at again.
    for (int attempt = 0; attempt < 3; ++attempt) {
        const int looked = ::open(path.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
        if (looked < 0 && errno != ENOENT)
            return told(errno);
        if (looked < 0) {
            const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
            if (fd < 0 && errno == EEXIST)
                continue;
            if (fd < 0)
                return told(errno);
            ::close(fd);
            return "";
        }
        char proc[40];
        std::snprintf(proc, sizeof proc, "/proc/self/fd/%d", looked);
        struct stat found {};
        int error = 0;
        const char* why = nullptr;
        if (::fstat(looked, &found) != 0)
            error = errno;
        else if (S_ISLNK(found.st_mode))
            error = ELOOP;
        else if (S_ISDIR(found.st_mode))
            error = EISDIR;
        else if (!S_ISREG(found.st_mode))
            why = "not a regular file";
        // One that the mode bits keep from us anyway is told by the open below, as before.
        else if (shared && found.st_uid != ::geteuid() && ::faccessat(AT_FDCWD, proc, W_OK, AT_EACCESS) == 0)
            why = "another user's file in a folder others can write";
        else if (shared && found.st_nlink != 1)
            why = "a file with another name in a folder others can write";
        else if (const int fd = ::open(proc, O_WRONLY | O_NONBLOCK | O_CLOEXEC); fd < 0)
            error = errno;
        else
            ::close(fd);
        ::close(looked);
        return why != nullptr ? why : error != 0 ? told(error) : "";
    }
    return told(EEXIST);
}
} // namespace

void openGameLog(const std::string& dataFolder)
{
    static std::once_flag once;
    std::call_once(once, [&] {
        // The log opens its file at its first line, in the first place that takes it.
        gameInfo << "The game's data is in " << talvo::textInLine(dataFolder) << std::endl;
        const std::string executable = talvo::executablePath();
        if (executable.empty())
            return;
        const std::string wanted = executable.substr(0, executable.find_last_of('/') + 1) + talvo::logFileName();
        const std::lock_guard lock(talvo::logCriticalSection());
        talvo::LogStream& stream = talvo::LogStream::instance();
        talvo::LogFileBuf& log = stream.buffer();
        const std::string opened = log.openedPath();
        // Nothing opened while the name is kept: the log's settings turned the line away.
        if (opened == wanted || (opened.empty() && !log.fileName().empty()))
            return;
        const std::string why = whyNotWritable(wanted);
        const std::string shownWanted = talvo::textInLine(wanted);
        // Named only once it took the line: a file that refused it was left by the log (talvo said so).
        if (!opened.empty() && log.descriptor() >= 0) {
            // A log another run of the game holds is no fault: this run's takes the next free name.
            if (!why.empty())
                std::fprintf(stderr, "Velmoor: cannot write the log %s (%s); it is %s instead\n", shownWanted.c_str(),
                             why.c_str(), talvo::textInLine(opened).c_str());
            return;
        }
        std::fprintf(stderr, "Velmoor: cannot write the log %s (%s), nor anywhere else; its warnings and errors go to "
                     "stderr\n", shownWanted.c_str(), why.empty() ? "no reason given" : why.c_str());
        log.setMirrorsToDebugger(true);
    });
}

void warnNotLoaded(const char* path, const std::string& reason)
{
    warnOnce(path, " was not loaded: " + (reason.empty() ? std::string("no reason given") : reason));
}

void warnDamaged(const char* path, const std::string& reason) { warnOnce(path, " is damaged: " + reason); }

std::string loadFailure(int result)
{
    const auto notLoaded = [](const std::string& reason) {
        return "was not loaded: " + (reason.empty() ? std::string("no reason given") : reason);
    };
    if (result == FrameworkResult::FileOpen)
        return notLoaded(lastDataFileStatus().reason());
    // The codes of the picture and sound loaders, which say in words what is wrong with a file;
    // a sound device that refused a sound the file describes well says nothing.
    const bool fromDataFile = result == FrameworkResult::NotBmp || result == FrameworkResult::NotWave ||
                              result == FrameworkResult::SoundBuffer || result == FrameworkResult::SoundBufferFill;
    if (fromDataFile && !lastDataFileDamage().empty())
        return "is damaged: " + lastDataFileDamage();
    switch (result) {
    case FrameworkResult::NotBmp: return "is damaged: not a BMP picture";
    case FrameworkResult::NotWave: return "is damaged: not a WAVE sound";
    case FrameworkResult::SurfaceCreation: return notLoaded("no surface for its size");
    case FrameworkResult::NoMemory: return notLoaded("out of memory");
    case FrameworkResult::SoundBuffer: return notLoaded("the sound device made no buffer for it");
    case FrameworkResult::SoundBufferFill: return notLoaded("the sound device did not take its samples");
    default: return notLoaded("framework result " + std::to_string(result));
    }
}

void warnLoadFailed(const char* path, int result, bool tell)
{
    // Appended, not prefixed: g++ 12 at -O2 takes " " + string for an overlapping copy.
    std::string text(1, ' ');
    text += loadFailure(result);
    warnOnce(path, text, tell);
}

void warnIfDamaged(const char* path)
{
    if (!lastDataFileDamage().empty())
        warnDamaged(path, lastDataFileDamage());
}

void reportError(const std::string& line)
{
    const std::string shown = talvo::textInLine(line);
    if (!logOnStderr())
        gameError << shown << std::endl;
    std::fprintf(stderr, "Velmoor: %s\n", shown.c_str());
}

void reportFailedSave(const std::string& line) { reportError(line); }
