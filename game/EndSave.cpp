// One atomic word orders the handler against the main thread's saves: the handler takes the
// kept replacement only when no save is under way, and from then on no save starts.
#include "game/EndSave.h"

#include "game/FileReplace.h"
#include "game/GameLog.h"
#include "talvo/log_category.h"
#include "talvo/log_stream.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <mutex>
#include <utility>

namespace {
// idle, busy (a SaveSection lives), ending (the process is about to end), or deferredBase plus
// the signal that came during a section.
constexpr int idle = 0, busy = 1, ending = 2, deferredBase = 256;
std::atomic<int> state{idle};
static_assert(std::atomic<int>::is_always_lock_free, "the state is changed inside a signal handler");

PreparedReplace kept;
bool haveKept = false;
ReplaceCheck keptCheck = nullptr;
// What the kept replacement tells, made ready with it: the handler may neither allocate nor log.
FixedLine notSavedHead, unsyncedHead;
// A copy of the log's own descriptor, and its entries' head: the handler's entry is written
// there as one write, after whatever the log has written. Never its path opened anew: whatever
// took the log's place by then (a link) is not the log.
OwnedDescriptor logFile;
FixedLine logHead;
// The lines the handler builds.
FixedLine told, logged;

void openLogForTheHandler()
{
    if (logFile.get() >= 0)
        return;
    int log = -1;
    {
        const std::lock_guard lock(talvo::logCriticalSection());
        log = talvo::LogStream::instance().buffer().descriptor();
    }
    // A log not written yet, or one that could be opened nowhere: the line on stderr says it all.
    if (log < 0)
        return;
    logFile = OwnedDescriptor(::fcntl(log, F_DUPFD_CLOEXEC, 3));
    logHead = FixedLine{};
    logHead << "[" << gameError.category() << "] error: ";
}

void writeAll(int fd, const FixedLine& line) noexcept
{
    for (std::size_t done = 0; done < line.size();) {
        const ssize_t n = ::write(fd, line.data() + done, line.size() - done);
        if (n == 0 || (n < 0 && errno != EINTR))
            return;
        if (n > 0)
            done += static_cast<std::size_t>(n);
    }
}

// As reportFailedSave says a failed save, with write alone.
void tell(const ReplaceOutcome& outcome) noexcept
{
    constexpr char stderrHead[] = "Velmoor: ";
    told = FixedLine{};
    logged = FixedLine{};
    told << stderrHead << (replaceMade(outcome) ? unsyncedHead : notSavedHead).data();
    describeOutcome(outcome, kept, told);
    told << "\n";
    // The log first: a stderr whose reader is gone ends the process at its write.
    if (logFile.get() >= 0) {
        logged << logHead.data() << told.data() + sizeof stderrHead - 1;
        writeAll(logFile.get(), logged);
    }
    writeAll(STDERR_FILENO, told);
}

void makeKept() noexcept
{
    if (const ReplaceOutcome outcome = makeReplace(kept, keptCheck); outcome.failed != ReplaceOutcome::none)
        tell(outcome);
}

[[noreturn]] void endNow(int signal)
{
    if (haveKept)
        makeKept();
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    (void)::sigaction(signal, &fallback, nullptr);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, signal);
    // Inside the handler the signal is blocked: it is delivered, and ends the process, as the
    // handler returns; outside it at once. Another thread may end it first.
    (void)::raise(signal);
    (void)::pthread_sigmask(SIG_UNBLOCK, &only, nullptr);
    for (;;)
        (void)::pause();
}
} // namespace

SaveSection::SaveSection()
{
    for (int expected = idle; !state.compare_exchange_strong(expected, busy); expected = idle)
        // Only ending: the handler on another thread is making the kept replacement, and the
        // process ends with it.
        (void)::pause();
}

SaveSection::~SaveSection()
{
    int expected = busy;
    if (state.compare_exchange_strong(expected, idle))
        return;
    // A signal came meanwhile; from the deferred state nothing but this thread changes it.
    state = ending;
    endNow(expected - deferredBase);
}

void keepEndSave(PreparedReplace&& ready, const std::string& notSaved, const std::string& unsynced,
                 ReplaceCheck check)
{
    kept = std::move(ready);
    keptCheck = check;
    notSavedHead = FixedLine{};
    notSavedHead << notSaved.c_str();
    unsyncedHead = FixedLine{};
    unsyncedHead << unsynced.c_str();
    openLogForTheHandler();
    haveKept = true;
}

void dropEndSave()
{
    haveKept = false;
    kept = PreparedReplace{};
}

bool makeKeptEndSave() noexcept
{
    const SaveSection section;
    if (!haveKept)
        return false;
    makeKept();
    dropEndSave();
    return true;
}

void endAfterSaving(int signal)
{
    for (;;) {
        int expected = idle;
        if (state.compare_exchange_strong(expected, ending))
            endNow(signal);
        if (expected != busy)
            return; // already ending, or deferred to a section's end: the first one stands
        if (state.compare_exchange_strong(expected, deferredBase + signal))
            return;
    }
}
