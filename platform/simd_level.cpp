// The rows' level, as the program hands it down.
#include "platform/simd_level.h"

#include <atomic>

namespace plat {
namespace {
// Constant-initialised, so a static initialiser elsewhere (mmxEnabled) reads the default.
constinit std::atomic<SimdLevel> current{PLAT_SIMD_X86 ? SimdLevel::sse2 : SimdLevel::scalar};
} // namespace

SimdLevel simdLevel() noexcept { return current.load(std::memory_order_relaxed); }

void setSimdLevel(SimdLevel level) noexcept { current.store(level, std::memory_order_relaxed); }

} // namespace plat
