// Shared helpers of the sprite tests: the seeded generator, error-record checks, an image's rows.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "sprite/ctyRuntime.h"
#include "sprite/imgRowCTy.h"
#include "tests/support/seeded_rng.h"
#include "tests/support/simd_levels.h"

// Runs a sweep at every vector level: every vector row (AVX2 where the processor has it), the SSE2
// rows alone and the scalar rows.
template <class Sweep>
void onVectorAndScalarRows(Sweep&& sweep)
{
    onEveryTalvoLevel(sweep);
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
