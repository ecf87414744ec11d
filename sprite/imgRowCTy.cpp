// The plain-array image: construction, the concrete lock, cloning, releasing and Create.
#include "sprite/imgRowCTy.h"

#include <cstring>
#include <new>

#include "sprite/ctyRuntime.h"

imgRowCTy::imgRowCTy() { storageKind = 1; }

imgRowCTy::imgRowCTy(int w, int h, const imgPelFmt* fmt, void* external, int rowPitch)
{
    storageKind = 1;
    if (fmt == nullptr) return;
    pelFmt = *fmt;
    if (PelBlockBytes(w, h, pelFmt.kind) < 0 || (h > 1 && rowPitch < w) || rowPitch < 0) return;
    width = w;
    height = h;
    pels = static_cast<std::uint8_t*>(external);
    pitch = rowPitch;
}

imgRowCTy::imgRowCTy(const imgRowCTy& other) : imgCTy(other)
{
    storageKind = 1;
    if (other.pels == nullptr) return;
    const int b = imgPelBytes(pelFmt.kind);
    pels = static_cast<std::uint8_t*>(ctyAlloc(static_cast<std::size_t>(PelBlockBytes(width, height, pelFmt.kind))));
    ownsPels = 1;
    if (pels == nullptr) {
        becomeEmpty();
        return;
    }
    pitch = width;
    const std::size_t row = static_cast<std::size_t>(width) * static_cast<std::size_t>(b);
    for (int y = 0; y < height; ++y)
        std::memcpy(pels + row * static_cast<std::size_t>(y),
                    other.pels + static_cast<std::size_t>(y) * static_cast<std::size_t>(other.pitch) * static_cast<std::size_t>(b), row);
}

imgRowCTy::~imgRowCTy() { release(); }

const char* imgRowCTy::ClassName() const { return "imgRowCTy"; }

int imgRowCTy::Lock(const imgRect* rect, int access)
{
    imgCTy::Lock(rect, access);
    return placeLock(lockRect);
}

imgCTy* imgRowCTy::Clone() { return new (std::nothrow) imgRowCTy(*this); }

void imgRowCTy::release() noexcept
{
    if (ownsPels != 0 && dataInPlace == 0) ctyFree(pels);
    pels = nullptr;
    ownsPels = 0;
    // The pixels are gone, so a lock on them is too.
    lockedPels = nullptr;
}

void imgRowCTy::becomeEmpty() noexcept
{
    release();
    width = 0;
    height = 0;
}

void imgRowCTy::FreeData() { release(); }

void imgRowCTy::renew(int w, int h, const imgPelFmt* fmt)
{
    imgCTy::Create(w, h, fmt);
    if (fmt != nullptr) {
        pelFmt = *fmt;
        if (hasColorKey != 0) SetColorKeyRgba(colorKeyRgba);
    }
    release();
    dataInPlace = 0;
}

void imgRowCTy::Create(int w, int h, const imgPelFmt* fmt)
{
    renew(w, h, fmt);
    const std::int64_t bytes = PelBlockBytes(w, h, pelFmt.kind);
    if (bytes < 0) {
        becomeEmpty();
        ctyErrorf(4, "imgRowCTy::Create: %d x %d pixels of kind %d is no valid image", w, h, pelFmt.kind);
        return;
    }
    pels = static_cast<std::uint8_t*>(ctyAlloc(static_cast<std::size_t>(bytes)));
    if (pels == nullptr) {
        becomeEmpty();
        return;
    }
    ownsPels = 1;
    pitch = w;
}

void imgRowTakeBlock(imgRowCTy& image, int w, int h, const imgPelFmt& fmt, std::uint8_t* block)
{
    image.renew(w, h, &fmt);
    image.pels = block;
    image.ownsPels = 1;
    image.pitch = w;
}

rwObjCTy* imgRowCreate() { return new (std::nothrow) imgRowCTy; }
