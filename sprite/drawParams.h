// The draw request that selects what imgCTy::DrawEx does.
#pragma once

#include <cstdint>

class imgCTy;

enum class DrawMode : std::int32_t {
    Copy = 0,
    Alpha = 1,
    Reserved2 = 2,
    AlphaMap = 3,
    Modulate = 4,
    Modulate2x = 5,
    Modulate4x = 6,
    Add = 7,
    AddSigned = 8,
    AddSigned2x = 9,
    Subtract = 10,
    AddSmooth = 11,
    Premul = 12,
    Stretch = 13,
    CopyAlt = 14,
    AlphaAlt = 15,
};

struct DrawParams {
    std::int32_t mode = 0;    // a DrawMode value; any other value draws nothing
    std::int32_t scaled = 0;  // non-zero selects the stretching draws
    std::int32_t alpha = 0;   // constant opacity out of 256
    float scaleX = 1.0f;
    float scaleY = 1.0f;
    imgCTy* alphaMap = nullptr;  // kind 9: opacity per pixel for mode 3
    imgCTy* srcDepth = nullptr;  // kind 10
    imgCTy* dstDepth = nullptr;  // kind 10
};
