// The process-wide switch between the four-pixel (MMX) variants and the plain ones.
#pragma once

#include <cstdint>

// 1 when the processor has MMX (set before main); the game clears it at start-up.
extern uint8_t mmxEnabled;

// What the start-up check finds: the processor has MMX.
[[nodiscard]] uint8_t detectMmx();
