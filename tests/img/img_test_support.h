// Shared helpers of the graphics-core tests: a seeded generator, format loops, guarded buffers.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "img/pel_fmt_id.h"

namespace imgtest {

// SplitMix64: the same numbers everywhere, so a failing seed reruns exactly.
class Rng {
public:
    explicit Rng(std::uint64_t seed) : state_(seed) {}
    std::uint32_t next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return static_cast<std::uint32_t>((z ^ (z >> 31)) >> 32);
    }
    std::uint32_t below(std::uint32_t n) { return next() % n; }
    // Bytes biased toward 0x00 and 0xFF, where edge faults live.
    std::uint8_t byte() {
        const std::uint32_t r = next();
        return (r & 3) == 0 ? 0x00 : (r & 3) == 1 ? 0xFF : static_cast<std::uint8_t>(r >> 8);
    }

private:
    std::uint64_t state_;
};

// n bytes at p as a little-endian value, the way the formats store pixel values.
inline std::uint32_t le(const std::uint8_t* p, std::uint32_t n) {
    std::uint32_t v = 0;
    for (std::uint32_t k = 0; k < n; ++k) v |= std::uint32_t{p[k]} << (8 * k);
    return v;
}

// Calls f.template operator()<Id>() for the pixel formats 1 to 8.
template <class F>
void forEachPixelFormat(F&& f) {
    [&]<talvo::g::PelFmtId... I>(std::integer_sequence<talvo::g::PelFmtId, I...>) {
        (f.template operator()<I + 1>(), ...);
    }(std::make_integer_sequence<talvo::g::PelFmtId, 8>{});
}

// Collects mismatches of a sweep and reports the count with the first few.
class Mismatches {
public:
    template <class... Parts>
    void add(const Parts&... parts) {
        if (++count_ > 8) return;
        std::ostringstream line;
        (line << ... << parts);
        text_ += line.str() + "\n";
    }
    [[nodiscard]] ::testing::AssertionResult none() const {
        if (count_ == 0) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << count_ << " mismatches, first:\n" << text_;
    }

private:
    std::size_t count_ = 0;
    std::string text_;
};

// A byte block between guard bands that must keep their pattern.
class Guarded {
public:
    static constexpr std::size_t guard = 64;
    explicit Guarded(std::size_t size) : bytes_(size + 2 * guard, 0xA5) {}
    [[nodiscard]] std::uint8_t* data() { return bytes_.data() + guard; }
    [[nodiscard]] bool guardsIntact() const {
        for (std::size_t i = 0; i < guard; ++i)
            if (bytes_[i] != 0xA5 || bytes_[bytes_.size() - 1 - i] != 0xA5) return false;
        return true;
    }

private:
    std::vector<std::uint8_t> bytes_;
};

}  // namespace imgtest
