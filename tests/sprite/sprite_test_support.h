// Shared helpers of the sprite tests: a seeded generator, error-record checks, an image's rows.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "sprite/ctyRuntime.h"
#include "sprite/ctySimd.h"
#include "sprite/imgRowCTy.h"

// SplitMix64: our own generator, so a seed gives the same numbers everywhere.
class TestRandom {
public:
    explicit TestRandom(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next()
    {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // 0 to bound - 1.
    std::uint32_t below(std::uint32_t bound) { return static_cast<std::uint32_t>(next() % bound); }
    // A byte biased toward 0x00 and 0xFF, where format edges hide.
    std::uint8_t byte()
    {
        const std::uint32_t pick = below(8);
        return pick == 0 ? 0x00 : pick == 1 ? 0xFF : static_cast<std::uint8_t>(next());
    }

private:
    std::uint64_t state_;
};

// Runs a sweep on the library's vector rows and again on its scalar rows, then gives the vector
// rows back.
template <class Sweep>
void onVectorAndScalarRows(Sweep&& sweep)
{
    for (const bool vectors : {true, false}) {
        SCOPED_TRACE(vectors ? "vector rows" : "scalar rows");
        ctyAllowSimdRows(vectors);
        sweep();
    }
    ctyAllowSimdRows(true);
}

// Clears the error record between cases.
inline void resetErrors() { ctyError = ctyErrorRecord{}; }

inline std::string lastMessage() { return ctyError.message != nullptr ? ctyError.message : ""; }

// The image's rows, width pixels each, back to back.
inline std::vector<std::uint8_t> rowsOf(const imgRowCTy& image)
{
    const std::size_t b = static_cast<std::size_t>(imgPelBytes(image.pelFmt.kind));
    std::vector<std::uint8_t> out;
    for (int y = 0; y < image.height; ++y) {
        const std::uint8_t* p = image.pels + static_cast<std::size_t>(y) * static_cast<std::size_t>(image.pitch) * b;
        out.insert(out.end(), p, p + static_cast<std::size_t>(image.width) * b);
    }
    return out;
}
