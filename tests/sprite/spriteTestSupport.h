// Shared helpers of the sprite tests: the seeded generator, error-record checks, an image's rows.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "img/wide_steps.h"
#include "sprite/ctyRuntime.h"
#include "sprite/ctySimd.h"
#include "sprite/imgRowCTy.h"
#include "tests/support/seeded_rng.h"

// Runs a sweep on every vector row (AVX2 where the processor has it), on the SSE2 rows alone and
// on the scalar rows, then gives every row back.
template <class Sweep>
void onVectorAndScalarRows(Sweep&& sweep)
{
    struct Rows {
        const char* name;
        bool vectors, wide;
    };
    for (const Rows rows : {Rows{"every vector row", true, true}, Rows{"SSE2 rows", true, false}, Rows{"scalar rows", false, false}}) {
        SCOPED_TRACE(rows.name);
        ctyAllowSimdRows(rows.vectors);
        talvo::g::wide::allowSteps(rows.wide);
        sweep();
    }
    ctyAllowSimdRows(true);
    talvo::g::wide::allowSteps(true);
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
