// The processor's vector features, asked once, and the rows' level.
#include "platform/cpu_features.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>

namespace plat {
namespace {
constinit std::atomic<signed char> current{-1}; // -1 until the environment is read
} // namespace

SimdLevel supportedSimdLevel()
{
    static const SimdLevel best = [] {
#if PLAT_SIMD_X86
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2") != 0 ? SimdLevel::avx2 : SimdLevel::sse2;
#else
        return SimdLevel::scalar;
#endif
    }();
    return best;
}

const char* simdLevelName(SimdLevel level)
{
    switch (level) {
    case SimdLevel::scalar: return "scalar";
    case SimdLevel::sse2: return "sse2";
    case SimdLevel::avx2: return "avx2";
    }
    return "?";
}

SimdLevel simdLevel()
{
    signed char v = current.load(std::memory_order_relaxed);
    if (v < 0) {
        SimdLevel want = SimdLevel::avx2;
        if (const char* asked = std::getenv("VELMOOR_SIMD"))
            for (const SimdLevel l : {SimdLevel::scalar, SimdLevel::sse2, SimdLevel::avx2})
                if (std::strcmp(asked, simdLevelName(l)) == 0)
                    want = l;
        signed char expected = -1; // a setSimdLevel that came first wins
        current.compare_exchange_strong(expected, static_cast<signed char>(std::min(want, supportedSimdLevel())),
                                        std::memory_order_relaxed);
        v = current.load(std::memory_order_relaxed);
    }
    return static_cast<SimdLevel>(v);
}

void setSimdLevel(SimdLevel want)
{
    current.store(static_cast<signed char>(std::min(want, supportedSimdLevel())), std::memory_order_relaxed);
}

} // namespace plat
