// The draw wrappers of imgCTy: each builds a request and hands it to the virtual DrawEx.
#include "sprite/imgCTy.h"

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
    // Truncated toward zero and not clamped: 0.999 gives 255, -0.5 gives -128.
    params.alpha = static_cast<std::int32_t>(static_cast<double>(alpha) * 256.0);
    DrawEx(dst, x, y, rect, &params);
}
