// Elapsed time in seconds from the platform's millisecond tick count.
#pragma once

#include <cstdint>

class Timer {
public:
    Timer();
    virtual ~Timer() = default;

    void restart();
    // Moves `time` to now and returns the interval since the last advance, times scale.
    double advance(double scale);

    double time = 0.0;     // seconds from the restart to the last advance
    uint32_t startTick = 0;
};
