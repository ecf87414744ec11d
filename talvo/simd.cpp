// The processor's vector features, asked once, and the rows' level.
#include "talvo/simd.h"

#include <algorithm>
#include <cstdlib>

namespace talvo::simd {

Level supported() noexcept {
    static const Level best = [] {
#if TALVO_SIMD_X86
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2") != 0 ? Level::avx2 : Level::sse2;
#else
        return Level::scalar;
#endif
    }();
    return best;
}

const char* name(Level level) noexcept {
    switch (level) {
    case Level::scalar: return "scalar";
    case Level::sse2: return "sse2";
    case Level::avx2: return "avx2";
    }
    return "?";
}

std::optional<Level> parse(std::string_view name) noexcept {
    for (const Level l : {Level::scalar, Level::sse2, Level::avx2})
        if (name == simd::name(l)) return l;
    return std::nullopt;
}

void setLevel(Level want) noexcept {
    detail::current.store(static_cast<std::int8_t>(std::min(want, supported())), std::memory_order_relaxed);
}

namespace detail {

namespace {
bool askWideShort() noexcept {
#if TALVO_SIMD_X86
    __builtin_cpu_init();
    return __builtin_cpu_is("amd") != 0;
#else
    return false;
#endif
}
}  // namespace

bool wideShort = askWideShort();

Level startingLevel(const char* asked, Level best) noexcept {
    const std::optional<Level> want = asked != nullptr ? parse(asked) : std::nullopt;
    return std::min(want.value_or(best), best);
}

Level start() noexcept {
    const Level l = startingLevel(std::getenv("VELMOOR_SIMD"), supported());
    // A setLevel that came first wins.
    std::int8_t expected = -1;
    current.compare_exchange_strong(expected, static_cast<std::int8_t>(l), std::memory_order_relaxed);
    return static_cast<Level>(current.load(std::memory_order_relaxed));
}

}  // namespace detail

}  // namespace talvo::simd
