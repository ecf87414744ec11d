// The draw wrappers of imgCTy: each builds a request and hands it to the virtual DrawEx.
#include "sprite/imgCTy.h"

#include <cstdint>

void imgCTy::Draw(imgCTy* dst, int x, int y, const imgRect* rect)
{
    DrawParams params;
    params.mode = static_cast<std::int32_t>(DrawMode::Copy);
    DrawEx(dst, x, y, rect, &params);
}

void imgCTy::DrawMasked(imgCTy* dst, int x, int y, const imgRect* rect, imgCTy* alphaMap)
{
    DrawParams params;
    params.mode = static_cast<std::int32_t>(DrawMode::AlphaMap);
    params.alphaMap = alphaMap;
    DrawEx(dst, x, y, rect, &params);
}

void imgCTy::Draw(imgCTy* dst, int x, int y, const imgRect* rect, float alpha)
{
    DrawParams params;
    params.mode = static_cast<std::int32_t>(DrawMode::Alpha);
    // Truncated toward zero: 0.999 gives 255, -0.5 gives -128. NaN gives 0 and values past the
    // int32 range saturate, so the conversion is always defined; DrawEx clamps to 0..256.
    const double scaled = static_cast<double>(alpha) * 256.0;
    params.alpha = scaled != scaled ? 0
                   : scaled >= 2147483647.0 ? INT32_MAX
                   : scaled <= -2147483648.0 ? INT32_MIN
                                             : static_cast<std::int32_t>(scaled);
    DrawEx(dst, x, y, rect, &params);
}
