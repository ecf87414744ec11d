// A small program that writes the process-wide log in one scenario, for the log tests.
// Usage: log_probe [--exe PATH] SCENARIO
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "talvo/assertion.h"
#include "talvo/exception.h"
#include "talvo/file.h"
#include "talvo/log.h"
#include "talvo/log_file.h"
#include "talvo/throw_report.h"

namespace {

// Logs from a static initialiser when asked to: channels must already work before main.
struct StaticLogger {
    StaticLogger() {
        if (std::getenv("PROBE_STATIC_ENTRY") != nullptr) talvo::io::logError << "before main" << std::endl;
    }
} staticLogger;

void lateHandler() { talvo::logError << "late" << std::endl; }

int entries() {
    talvo::io::logInfo.entry(5) << "'Data/x.dat' file opened." << std::endl;
    talvo::io::logWarning << "w" << std::endl;
    talvo::logError << "e" << std::endl;
    try {
        talvo::reportAndThrow(talvo::SourceLocation{"stream.cpp", 61, "talvo::io::Stream::throw_failure_"},
                              talvo::io::Failure("i/o error"));
    } catch (const talvo::io::Failure&) {
    }
    talvo::LogEntry entry = talvo::io::logError.entry();
    entry << "first\n" << std::flush;
    entry << "second" << std::flush;
    entry << " more" << std::endl;
    talvo::assertionLog << "one ";
    talvo::assertionLog << "two" << std::endl;
    return 0;
}

int atExit() {
    std::atexit(lateHandler);  // registered before the log exists, so it runs after the log's own
    talvo::io::logInfo.entry(5) << "pending\n";
    return 0;
}

int settings() {
    talvo::io::logInfo.entry(5) << "info5" << std::endl;
    talvo::io::logWarning.entry(1) << "warn1" << std::endl;
    talvo::io::logWarning.entry(3) << "warn3" << std::endl;
    talvo::logError << "err" << std::endl;
    talvo::exceptionLog << "exc" << std::endl;
    return 0;
}

// The disk fills up under the open log: its descriptor is swapped for /dev/full. Every later write
// fails, the log's own included, and the program must go on; the log's warnings and errors go to
// stderr from the first that its file refused, its info lines nowhere.
int fullDisk() {
    talvo::logInfo << "first" << std::endl;
    const int full = ::open("/dev/full", O_WRONLY | O_CLOEXEC);
    for (const auto& fd : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code ignored;
        if (std::filesystem::read_symlink(fd.path(), ignored).filename() == "Game.log")
            ::dup2(full, std::stoi(fd.path().filename().string()));
    }
    talvo::logError << "lost" << std::endl;
    talvo::File other;
    other.open("/dev/full", std::ios_base::out);
    for (int i = 0; i < 3; ++i) {
        other.write("x", 1);
        talvo::io::logError << "also lost " << i << std::endl;
    }
    talvo::logInfo << "dropped" << std::endl;
    talvo::logWarning << "still told" << std::endl;
    std::puts("survived");
    return 0;
}

int showBox(void*, const char* text, const char*, std::uint32_t) {
    std::fputs(text, stdout);
    return talvo::box::pressedOk;
}

int box() {
    for (int i = 1; i <= 15; ++i) talvo::logInfo << "line " << i << std::endl;
    talvo::DialogHooks hooks;
    hooks.messageBox = &showBox;
    talvo::setDialogHooks(hooks);
    return static_cast<int>(talvo::report_error("msg", "title", 0, nullptr, "detail"));
}

}  // namespace

int main(int argc, char** argv) {
    int at = 1;
    if (argc > 2 && std::strcmp(argv[1], "--exe") == 0) {
        talvo::setExecutablePath(argv[2]);
        at = 3;
    }
    const std::string scenario = at < argc ? argv[at] : "";
    if (scenario == "entries") return entries();
    if (scenario == "exit") return atExit();
    if (scenario == "settings") return settings();
    if (scenario == "box") return box();
    if (scenario == "fulldisk") return fullDisk();
    std::fprintf(stderr, "unknown scenario\n");
    return 2;
}
