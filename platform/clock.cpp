// The clock: SDL's tick counter, or a virtual one that only tests and presents move.
#include "platform/clock.h"

#include "platform/platform.h"

#include <chrono>
#include <thread>

namespace plat {
namespace {
uint32_t virtualNow = 0;

uint32_t realNow()
{
    using namespace std::chrono;
    static const auto start = steady_clock::now();
    return static_cast<uint32_t>(duration_cast<milliseconds>(steady_clock::now() - start).count());
}
} // namespace

uint32_t tickCount()
{
    return backendKind() == BackendKind::Headless ? virtualNow : realNow();
}

void sleep(uint32_t ms)
{
    if (backendKind() == BackendKind::Headless) {
        virtualNow += ms;
        return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

namespace headless {
void advanceClock(uint32_t ms) { virtualNow += ms; }
void setClock(uint32_t ms) { virtualNow = ms; }
} // namespace headless

} // namespace plat
