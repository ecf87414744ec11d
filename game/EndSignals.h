// Ending on a signal: SIGHUP (the terminal that started the game closed), SIGINT, SIGTERM and
// SIGXCPU (a CPU-time limit) end the game as closing its window does, so the run's best score is
// saved on the way out.
#pragma once

// While one lives, the four signals are caught (those ignored when it was made stay ignored);
// a second one of them but SIGXCPU acts as the system's default does (the process ends at once),
// after the saves EndSave.h keeps ready or under way are written. The previous handling comes back at
// destruction.
class EndSignals {
public:
    EndSignals();
    ~EndSignals();
    EndSignals(const EndSignals&) = delete;
    EndSignals& operator=(const EndSignals&) = delete;
};

// True once one of the signals arrived while EndSignals lived.
[[nodiscard]] bool endSignalled();
