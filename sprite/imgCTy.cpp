// The image base: lock protocol, colour keys and the checked size routine.
#include "sprite/imgCTy.h"

#include <cstring>

#include "sprite/palCTy.h"

namespace {

// The key bytes B, G, R, A as a colour 0xAARRGGBB.
std::uint32_t keyColour(const std::uint8_t* rgba)
{
    return rgba[0] | rgba[1] << 8 | rgba[2] << 16 | static_cast<std::uint32_t>(rgba[3]) << 24;
}

}  // namespace

imgCTy::imgCTy(const imgCTy& other)
    : rwObjCTy(other),
      storageKind(other.storageKind),
      pelFmt(other.pelFmt),
      width(other.width),
      height(other.height),
      hasColorKey(other.hasColorKey),
      colorKeyPel(other.colorKeyPel)
{
    std::memcpy(colorKeyRgba, other.colorKeyRgba, sizeof colorKeyRgba);
}

imgCTy::~imgCTy() = default;

std::uint32_t imgCTy::SetColorKey(std::uint32_t pel)
{
    colorKeyPel = pel;
    hasColorKey = 1;
    const std::uint32_t c = pelFmt.UnpackColor(pel, imgColourKind);
    for (int i = 0; i < 4; ++i) colorKeyRgba[i] = static_cast<std::uint8_t>(c >> (8 * i));
    return c;
}

std::uint32_t imgCTy::SetColorKeyRgba(const std::uint8_t* rgba)
{
    std::memmove(colorKeyRgba, rgba, sizeof colorKeyRgba);
    hasColorKey = 1;
    colorKeyPel = pelFmt.PackColor(keyColour(colorKeyRgba), imgColourKind);
    return colorKeyPel;
}

void imgCTy::Unlock() { lockedPels = nullptr; }

void imgCTy::LockUnlock4(imgCTy* dst, int, int, const imgRect*, imgCTy* fifth, imgCTy* sixth)
{
    imgCTy* const order[4] = {this, sixth, dst, fifth};
    bool took[4] = {false, false, false, false};
    for (int i = 0; i < 4; ++i) {
        if (order[i] == nullptr || order[i]->lockedPels != nullptr) continue;
        order[i]->Lock(nullptr, 0);
        took[i] = order[i]->lockedPels != nullptr;
    }
    for (int i = 3; i >= 0; --i) {
        if (took[i]) order[i]->Unlock();
    }
}

imgRect* imgCTy::GetRect(imgRect* out)
{
    *out = imgRect{0, 0, width, height};
    return out;
}

void imgCTy::Create(int newWidth, int newHeight, const imgPelFmt*)
{
    width = newWidth;
    height = newHeight;
}

void imgCTy::SetPalette(const palCTy& palette)
{
    pelFmt.SetPalette(palette);
    if (hasColorKey != 0) colorKeyPel = pelFmt.PackColor(keyColour(colorKeyRgba), imgColourKind);
}

void imgCTy::BuildPalTbl(int toKind) { pelFmt.BuildTbl(toKind); }

std::int64_t imgCTy::PelBlockBytes(int w, int h, int kind) noexcept
{
    const int bytes = imgPelBytes(kind);
    // A sprite keeps a row table of h entries whatever its width: rows are held to the cap too.
    if (w < 0 || h < 0 || h > maxPels || bytes == 0) return -1;
    const std::int64_t pels = std::int64_t{w} * h;
    if (pels > maxPels) return -1;
    // A tall thin block costs more in rows than in pixels; without pixels there are no rows.
    const std::int64_t cost = pels == 0 ? 0 : pels * bytes + h * rowCost;
    return cost > maxBytes ? -1 : pels * bytes;
}

