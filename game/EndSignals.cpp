// The end signals over sigaction: the first only sets a flag that the screen loops read.
#include "game/EndSignals.h"

#include "game/EndSave.h"

#include <atomic>
#include <csignal>
#include <iterator>

namespace {
constexpr int caught[] = {SIGHUP, SIGINT, SIGTERM, SIGXCPU};
struct sigaction previous[std::size(caught)];
std::atomic<bool> signalled{false};
static_assert(std::atomic<bool>::is_always_lock_free, "the flag is set inside a signal handler");

extern "C" void onEndSignal(int signal)
{
    // The kernel sends SIGXCPU again for every second of CPU time past the soft limit; a repeat
    // asks for nothing more, so it never ends the game at once (the hard limit's SIGKILL does).
    if (!signalled.exchange(true) || signal == SIGXCPU)
        return;
    // A second one, of any of the other kinds, ends the game at once as the system's default
    // does, once the best score the game knows is written: closing a terminal sends two hangups
    // (the shell's and the kernel's), and a player may press Ctrl-C twice.
    endAfterSaving(signal);
}
} // namespace

EndSignals::EndSignals()
{
    signalled = false;
    struct sigaction action {};
    action.sa_handler = onEndSignal;
    // One handler at a time on a thread: a third signal must not cut into the second's save.
    sigemptyset(&action.sa_mask);
    for (const int signal : caught)
        sigaddset(&action.sa_mask, signal);
    // No SA_RESETHAND: it would reset only the signal that came, and a second signal of
    // another kind would wait for the game's slow end like the first.
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < std::size(caught); ++i) {
        (void)::sigaction(caught[i], nullptr, &previous[i]);
        // A signal ignored from the start stays ignored: started with nohup, the game outlives
        // its terminal as asked.
        if (previous[i].sa_handler != SIG_IGN)
            (void)::sigaction(caught[i], &action, nullptr);
    }
}

EndSignals::~EndSignals()
{
    for (std::size_t i = 0; i < std::size(caught); ++i)
        (void)::sigaction(caught[i], &previous[i], nullptr);
}

bool endSignalled() { return signalled; }
