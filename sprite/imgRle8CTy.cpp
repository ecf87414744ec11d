// The run-length sprite: construction, the lock protocol, Create, release and copies.
#include "sprite/imgRle8CTy.h"

#include <cstring>
#include <new>

#include "sprite/rle8Codec.h"
#include "sprite/rle8DrawCache.h"
#include "sprite/ctyRuntime.h"

namespace {

// Every sprite holds palette indices.
constexpr std::int32_t spriteKind = pelKindNumber(PelKind::Index8);
// colorKeyPel of a sprite without key: no byte equals it.
constexpr std::uint32_t noKey = 257;

std::uint8_t** newTable(std::int64_t entries)
{
    return static_cast<std::uint8_t**>(ctyCalloc(static_cast<std::size_t>(entries) * sizeof(std::uint8_t*)));
}

}  // namespace

imgRle8CTy::imgRle8CTy()
{
    storageKind = 2;
    pelFmt.kind = spriteKind;
}

imgRle8CTy::imgRle8CTy(const imgRle8CTy& other)
    : imgCTy(other), streamVersion(other.streamVersion), bounds(other.bounds)
{
    storageKind = 2;
    if (bounds.height < 1 || other.rowTable == nullptr) return;
    rowTable = newTable(bounds.height);
    bool ok = rowTable != nullptr;
    for (int r = 0; ok && r < bounds.height; ++r) {
        if (other.rowTable[r] == nullptr) continue;
        const std::int32_t n = other.RowByteLength(r);
        rowTable[r] = static_cast<std::uint8_t*>(ctyAlloc(static_cast<std::size_t>(n)));
        ok = rowTable[r] != nullptr;
        if (ok) std::memcpy(rowTable[r], other.rowTable[r], static_cast<std::size_t>(n));
    }
    if (!ok) releaseRows();
}

imgRle8CTy::~imgRle8CTy()
{
    dropLock();
    releaseRows();
    ctyFree(streamOffsets_);
}

const char* imgRle8CTy::ClassName() const { return "imgRle8CTy"; }

void imgRle8CTy::LockRect(const imgRect*, imgRect* out, int) { *out = imgRect{0, 0, width, height}; }

int imgRle8CTy::Lock(const imgRect* rect, int access)
{
    if (rect != nullptr && !Contains(*rect)) return lockPitch;
    if (lockedPels == nullptr) {
        const std::int64_t bytes = PelBlockBytes(width, height, spriteKind);
        if (bytes < 0) return lockPitch;
        const std::uint8_t fill = hasColorKey != 0 ? static_cast<std::uint8_t>(colorKeyPel) : 0;
        auto* buffer = static_cast<std::uint8_t*>(fill == 0 ? ctyCalloc(static_cast<std::size_t>(bytes))
                                                            : ctyAlloc(static_cast<std::size_t>(bytes)));
        if (buffer == nullptr) return lockPitch;
        if (fill != 0) std::memset(buffer, fill, static_cast<std::size_t>(bytes));
        imgCTy::Lock(rect, access);
        lockBuffer = buffer;
        lockPitch = width;
        // Without a row table (header read, data not yet) the sprite reads as key pixels only.
        for (int r = 0; rowTable != nullptr && r < bounds.height; ++r) {
            if (rowTable[r] == nullptr) continue;
            rle8_decode_row(rowTable[r], 0, bounds.width,
                            lockBuffer + std::int64_t{bounds.y + r} * lockPitch + bounds.x);
        }
    }
    // lockRect follows the caller's rectangle, so that it always names the pixel at lockedPels
    // for the base operations that address pixels through it (PelAtXY, Fill, the loaders).
    if (rect != nullptr) lockRect = *rect;
    lockedPels = lockBuffer + std::int64_t{lockRect.y} * lockPitch + lockRect.x;
    return lockPitch;
}

void imgRle8CTy::Unlock()
{
    if (lockedPels == nullptr) return;
    lockedPels = nullptr;
    if (lockAccess == 1) {
        dropLock();
        return;
    }
    dropDrawCache();
    // An image with a side of 0 has no pixel and so no rows, however long the other side.
    imgRect found = width > 0 && height > 0 ? imgRect{0, 0, width, height} : imgRect{};
    std::int32_t key = static_cast<std::int32_t>(noKey);
    if (hasColorKey != 0) {
        key = static_cast<std::int32_t>(colorKeyPel);
        if (found.height > 0)
            find_opaque_bounds(lockBuffer, lockPitch, width, height, static_cast<std::uint8_t>(colorKeyPel), &found);
    }
    std::uint8_t** table = found.height > 0 ? newTable(found.height) : nullptr;
    bool ok = found.height == 0 || table != nullptr;
    for (int r = 0; ok && r < found.height; ++r) {
        std::int32_t length = 0;
        table[r] = rle8_encode_row(lockBuffer + std::int64_t{found.y + r} * lockPitch + found.x, found.width, key, &length);
        ok = length >= 0;
    }
    if (ok) {
        releaseRows();
        rowTable = table;
        bounds = found;
        if (hasColorKey == 0) colorKeyPel = noKey;
    } else if (table != nullptr) {
        for (int r = 0; r < found.height; ++r) ctyFree(table[r]);
        ctyFree(table);
    }
    dropLock();
}

imgRect* imgRle8CTy::GetRect(imgRect* out)
{
    *out = bounds;
    return out;
}

imgCTy* imgRle8CTy::Clone() { return new (std::nothrow) imgRle8CTy(*this); }

void imgRle8CTy::releaseRows() noexcept
{
    dropDrawCache();
    if (rowTable != nullptr && dataInPlace == 0) {
        for (int r = 0; r < bounds.height; ++r) ctyFree(rowTable[r]);
    }
    ctyFree(rowTable);
    rowTable = nullptr;
    dataInPlace = 0;
}

void imgRle8CTy::dropLock() noexcept
{
    ctyFree(lockBuffer);
    lockBuffer = nullptr;
    lockedPels = nullptr;
}

void imgRle8CTy::dropDrawCache() noexcept
{
    delete drawCache_;
    drawCache_ = nullptr;
}

void imgRle8CTy::FreeData() { releaseRows(); }

void imgRle8CTy::Create(int w, int h, const imgPelFmt* fmt)
{
    if (fmt != nullptr && fmt->kind != spriteKind) ctyErrorf(4, "Unsupported pel's format");
    if (PelBlockBytes(w, h, spriteKind) < 0) {
        ctyErrorf(4, "imgRle8CTy::Create: %d x %d pixels is no valid sprite", w, h);
        w = h = 0;
    }
    // A side of 0 leaves no pixel: no rows, so no table.
    const bool empty = w == 0 || h == 0;
    std::uint8_t** table = empty ? nullptr : newTable(h);
    if (!empty && table == nullptr) return;
    // A lock buffer has the old size, so the lock goes with it.
    dropLock();
    releaseRows();
    rowTable = table;
    bounds = imgRect{};
    if (fmt != nullptr && fmt->palette != nullptr) SetPalette(*fmt->palette);
    imgCTy::Create(w, h, fmt);
}

std::int32_t imgRle8CTy::RowByteLength(int r) const
{
    if (r < 0 || r >= bounds.height || bounds.width < 1 || rowTable == nullptr || rowTable[r] == nullptr) return 0;
    return static_cast<std::int32_t>(rle8_row_extent(rowTable[r], INT64_MAX, bounds.width));
}

rwObjCTy* imgRle8Create() { return new (std::nothrow) imgRle8CTy; }
