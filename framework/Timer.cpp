// The timer: unsigned tick differences, so the 2^32 ms wrap is harmless.
#include "framework/Timer.h"

#include "platform/clock.h"

// Built as a global before main: reading the clock there touches no device.
Timer::Timer() { restart(); }

void Timer::restart()
{
    startTick = plat::tickCount();
    time = 0.0;
}

double Timer::advance(double scale)
{
    const uint32_t elapsed = plat::tickCount() - startTick;
    const double now = elapsed * 0.001;
    const double step = (now - time) * scale;
    time = now;
    return step;
}
