// The process's one vector level, handed down to the platform layer and the framework.
#pragma once

#include "framework/Mmx.h"
#include "platform/simd_level.h"
#include "talvo/simd.h"

// talvo (under img and the sprite library) and the platform layer (under the framework) may not
// include each other, and a probe header both include would have to sit outside platform/. So
// talvo alone reads VELMOOR_SIMD and asks the processor, and every program that draws through the
// framework (the game, the demo, the benchmarks) hands its answer down as its first step: one
// reading, one level, and each layer still builds and tests on its own. A program calling this
// links talvo.
static_assert(static_cast<int>(plat::SimdLevel::scalar) == static_cast<int>(talvo::simd::Level::scalar) &&
              static_cast<int>(plat::SimdLevel::sse2) == static_cast<int>(talvo::simd::Level::sse2) &&
              static_cast<int>(plat::SimdLevel::avx2) == static_cast<int>(talvo::simd::Level::avx2));

// The layer's and the framework's rows take talvo's level from now on, and mmxEnabled follows it.
inline void shareSimdLevel()
{
    plat::setSimdLevel(static_cast<plat::SimdLevel>(talvo::simd::level()));
    mmxEnabled = detectMmx();
}
