// Millisecond clock and sleep: real on SDL, virtual on the headless backend.
#pragma once

#include <cstdint>

namespace plat {

// Milliseconds since an arbitrary start; wraps at 2^32 like the system tick count.
[[nodiscard]] uint32_t tickCount();

// Blocks for ms milliseconds; on the headless backend it only advances the virtual clock.
void sleep(uint32_t ms);

namespace headless {
// The virtual clock: the display adds 16 ms per present, sleep adds its time,
// tests move it with these.
void advanceClock(uint32_t ms);
void setClock(uint32_t ms);
} // namespace headless

} // namespace plat
