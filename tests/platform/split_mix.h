// A seeded generator for the tests' random data: splitmix64, so a seed names the same data
// everywhere (the standard distributions differ between libraries).
#pragma once

#include <cstdint>

struct SplitMix {
    uint64_t state;

    uint64_t next()
    {
        uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    uint32_t below(uint32_t n) { return static_cast<uint32_t>(next() % n); }
};
