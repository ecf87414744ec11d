// The end signals over sigaction: the handler only sets a flag that the screen loops read.
#include "game/EndSignals.h"

#include <atomic>
#include <csignal>
#include <iterator>

namespace {
constexpr int caught[] = {SIGHUP, SIGINT, SIGTERM};
struct sigaction previous[std::size(caught)];
std::atomic<bool> signalled{false};
static_assert(std::atomic<bool>::is_always_lock_free, "the flag is set inside a signal handler");

extern "C" void onEndSignal(int) { signalled = true; }
} // namespace

EndSignals::EndSignals()
{
    signalled = false;
    struct sigaction action {};
    action.sa_handler = onEndSignal;
    sigemptyset(&action.sa_mask);
    // SA_RESETHAND: a game that does not end on the first signal still ends on the second.
    action.sa_flags = SA_RESETHAND | SA_RESTART;
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
