// One atomic word orders the handler against the main thread's saves: the handler takes the
// kept replacement only when no save is under way, and from then on no save starts.
#include "game/EndSave.h"

#include "game/FileReplace.h"

#include <unistd.h>

#include <atomic>
#include <csignal>
#include <utility>

namespace {
// idle, busy (a SaveSection lives), ending (the process is about to end), or deferredBase plus
// the signal that came during a section.
constexpr int idle = 0, busy = 1, ending = 2, deferredBase = 256;
std::atomic<int> state{idle};
static_assert(std::atomic<int>::is_always_lock_free, "the state is changed inside a signal handler");

PreparedReplace kept;
bool haveKept = false;

[[noreturn]] void endNow(int signal)
{
    if (haveKept)
        (void)commitReplace(kept);
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

void keepEndSave(PreparedReplace&& ready)
{
    kept = std::move(ready);
    haveKept = true;
}

void dropEndSave()
{
    haveKept = false;
    kept = PreparedReplace{};
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
