// The process-wide switch between the four-pixel (MMX) variants and the plain ones.
#pragma once

#include <cstdint>

// 1 when the processor has MMX and the rows' vector level is above scalar (set before main, again
// when the program hands its level down); the game clears it at start-up.
extern uint8_t mmxEnabled;

// What the start-up check finds: the processor has MMX, and the level lets vector rows run.
[[nodiscard]] uint8_t detectMmx();
