// imgCTy's single-pixel reads: the native pixel, and the pixel as a colour.
#include "sprite/imgCTy.h"

#include "sprite/ctyRuntime.h"
#include "sprite/imgScopedLock.h"

std::uint32_t imgCTy::PelAtXY(int x, int y)
{
    const imgRect one{x, y, 1, 1};
    imgScopedLock lock(*this, &one, 1);
    const std::uint8_t* p = lock.Span(x, y, 1);
    const PelKindInfo* info = pelKindOf(pelFmt.kind);
    if (info == nullptr || !info->pixels) {
        ctyErrorf(4, "imgCTy::PelAtXY : this is not implemented yet");
        return 0xFFFFFFFF;
    }
    if (p == nullptr) return 0xFFFFFFFF;
    // The pixel's bytes as a little-endian value.
    std::uint32_t value = 0;
    for (int i = info->bytes - 1; i >= 0; --i) value = value << 8 | p[i];
    return value;
}

std::uint32_t* imgCTy::RgbaAtXY(std::uint32_t* out, int x, int y)
{
    *out = pelFmt.UnpackColor(PelAtXY(x, y), imgColourKind);
    return out;
}
