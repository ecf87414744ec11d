// The one generator the tests draw random data from: SplitMix64, so a seed names the same data
// with every compiler and standard library (the standard engines' distributions differ).
#pragma once

#include <cstdint>
#include <type_traits>

class SeededRng {
public:
    explicit SeededRng(std::uint64_t seed) : state_(seed) {}

    // The next 64 bits.
    std::uint64_t next()
    {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

    // The upper half of the next 64 bits.
    std::uint32_t next32() { return static_cast<std::uint32_t>(next() >> 32); }

    // 0 to n - 1, for n > 0.
    std::uint32_t below(std::uint32_t n) { return static_cast<std::uint32_t>(next() % n); }

    // lo to hi, both included.
    int between(int lo, int hi)
    {
        return lo + static_cast<int>(next() % static_cast<std::uint64_t>(static_cast<std::int64_t>(hi) - lo + 1));
    }

    // A byte biased toward 0x00 and 0xFF (a quarter each), where clamps, carries and format
    // edges live.
    std::uint8_t edgeByte()
    {
        const std::uint32_t r = next32();
        return (r & 3) == 0 ? 0x00 : (r & 3) == 1 ? 0xFF : static_cast<std::uint8_t>(r >> 8);
    }

    // Fills a run of bytes or chars with plain random bytes.
    template <class Bytes>
    void fill(Bytes& bytes)
    {
        for (auto& b : bytes)
            b = static_cast<std::remove_reference_t<decltype(b)>>(next() >> 56);
    }

private:
    std::uint64_t state_;
};
