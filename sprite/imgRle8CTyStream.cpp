// The run-length sprite's stream form: version 1 written, versions 0 and 1 read and checked.
#include <cstring>

#include "sprite/rle8Codec.h"
#include "sprite/ctyMemBuffer.h"
#include "sprite/ctyRuntime.h"
#include "sprite/imgRle8CTy.h"

namespace {

// Every sprite holds palette indices.
constexpr std::int32_t spriteKind = pelKindNumber(PelKind::Index8);

}  // namespace

void imgRle8CTy::WriteHeader(ctyMemBuffer& buffer)
{
    buffer.Write32(1);
    imgCTy::WriteHeader(buffer);
    for (std::int32_t v : {bounds.x, bounds.y, bounds.width, bounds.height}) buffer.Write32(static_cast<std::uint32_t>(v));
    if (bounds.height < 1) return;
    auto* offsets = static_cast<std::uint32_t*>(ctyAlloc(std::size_t{4} * (static_cast<std::size_t>(bounds.height) + 1)));
    if (offsets == nullptr) return;
    std::uint32_t at = static_cast<std::uint32_t>(buffer.position);
    for (int r = 0; r <= bounds.height; ++r) {
        // Stored least significant byte first, whatever the machine.
        const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(at), static_cast<std::uint8_t>(at >> 8),
                                       static_cast<std::uint8_t>(at >> 16), static_cast<std::uint8_t>(at >> 24)};
        std::memcpy(offsets + r, bytes, 4);
        if (r < bounds.height) at += static_cast<std::uint32_t>(RowByteLength(r));
    }
    buffer.Write(offsets, 4 * (bounds.height + 1));
    ctyFree(offsets);
}

void imgRle8CTy::WriteData(ctyMemBuffer& buffer)
{
    if (rowTable == nullptr && bounds.height > 0) {
        buffer.failed = true;
        ctyErrorf(4, "imgRle8CTy::WriteData: the sprite has no rows to write");
        return;
    }
    for (int r = 0; r < bounds.height; ++r) {
        if (rowTable[r] != nullptr) buffer.Write(rowTable[r], RowByteLength(r));
    }
}

void imgRle8CTy::refuseStream(const char* why)
{
    ctyErrorf(4, "imgRle8CTy: refused stream: %s", why);
    releaseRows();
    ctyFree(streamOffsets_);
    streamOffsets_ = nullptr;
    bounds = imgRect{};
    width = height = 0;
    pelFmt.kind = spriteKind;
}

void imgRle8CTy::ReadHeader(ctyMemBuffer& buffer)
{
    // Whatever the sprite held goes first; the lock buffer has the old size.
    dropLock();
    releaseRows();
    ctyFree(streamOffsets_);
    streamOffsets_ = nullptr;
    bounds = imgRect{};
    streamVersion = static_cast<std::int32_t>(buffer.Read32());
    if (streamVersion != 0 && streamVersion != 1) return refuseStream("unknown version");
    imgCTy::ReadHeader(buffer);
    if (pelFmt.kind != spriteKind || PelBlockBytes(width, height, spriteKind) < 0)
        return refuseStream("no valid 8-bit image header");
    imgRect b;
    b.x = static_cast<std::int32_t>(buffer.Read32());
    b.y = static_cast<std::int32_t>(buffer.Read32());
    b.width = static_cast<std::int32_t>(buffer.Read32());
    b.height = static_cast<std::int32_t>(buffer.Read32());
    if (buffer.failed) return refuseStream("header past the end");
    if (!Contains(b)) return refuseStream("bounds outside the image");
    bounds = b;
    if (streamVersion == 0 || bounds.height < 1) return;
    streamOffsets_ = takeOffsets(buffer);
    if (streamOffsets_ == nullptr) return refuseStream("row offsets past the end");
    rowsEndOffset = streamOffsets_[bounds.height];
}

std::int32_t* imgRle8CTy::takeOffsets(ctyMemBuffer& buffer)
{
    const std::int64_t count = std::int64_t{bounds.height} + 1;
    if (buffer.Remaining() < 4 * count) return nullptr;
    auto* offsets = static_cast<std::int32_t*>(ctyAlloc(static_cast<std::size_t>(4 * count)));
    if (offsets == nullptr) return nullptr;
    for (std::int64_t r = 0; r < count; ++r) offsets[r] = static_cast<std::int32_t>(buffer.Read32());
    return offsets;
}

namespace {

// Offsets that never fall and whose rows lie within [lo, hi) of the buffer's data, counted from
// base (the position of offset 0, or 0 when they are absolute).
bool offsetsFit(const std::int32_t* offsets, int rows, std::int64_t base, std::int64_t lo, std::int64_t hi)
{
    for (int r = 0; r < rows; ++r) {
        if (offsets[r + 1] < offsets[r]) return false;
    }
    const std::int64_t first = base + offsets[0];
    const std::int64_t end = base + std::int64_t{offsets[rows]};
    return first >= lo && end <= hi;
}

// Each row must code bounds.width pixels within its own bytes.
bool rowCovers(const std::uint8_t* row, std::int64_t length, int pixels)
{
    return rle8_row_extent(row, length, pixels) >= 0;
}

}  // namespace

void imgRle8CTy::ReadData(ctyMemBuffer& buffer)
{
    releaseRows();
    if (bounds.height < 1) return;
    std::int32_t* offsets = streamVersion == 0 ? takeOffsets(buffer) : streamOffsets_;
    streamOffsets_ = nullptr;
    if (offsets == nullptr) return refuseStream("row offsets past the end");
    const std::int64_t start = buffer.position;
    const bool fit = offsetsFit(offsets, bounds.height, start - offsets[0], start, buffer.length);
    rowTable = fit ? static_cast<std::uint8_t**>(ctyCalloc(std::size_t{sizeof(std::uint8_t*)} * static_cast<std::size_t>(bounds.height))) : nullptr;
    bool ok = rowTable != nullptr;
    for (int r = 0; ok && r < bounds.height; ++r) {
        const std::int32_t length = offsets[r + 1] - offsets[r];
        if (length == 0) continue;
        rowTable[r] = static_cast<std::uint8_t*>(ctyAlloc(static_cast<std::size_t>(length)));
        ok = rowTable[r] != nullptr && rowCovers(buffer.data + buffer.position, length, bounds.width);
        if (ok) buffer.Read(rowTable[r], length);
    }
    ctyFree(offsets);
    if (!ok) return refuseStream(fit ? "a row codes fewer pixels than the bounds" : "rows outside the buffer");
}

void imgRle8CTy::ReadDataInPlace(ctyMemBuffer& buffer)
{
    releaseRows();
    dataInPlace = 1;
    if (bounds.height < 1) return;
    std::int32_t* offsets = streamVersion == 0 ? takeOffsets(buffer) : streamOffsets_;
    streamOffsets_ = nullptr;
    if (offsets == nullptr) return refuseStream("row offsets past the end");
    const std::int64_t base = streamVersion == 0 ? 0 : std::int64_t{buffer.position} - offsets[0];
    const bool fit = offsetsFit(offsets, bounds.height, base, streamVersion == 0 ? 0 : buffer.position, buffer.length);
    rowTable = fit ? static_cast<std::uint8_t**>(ctyCalloc(std::size_t{sizeof(std::uint8_t*)} * static_cast<std::size_t>(bounds.height))) : nullptr;
    bool ok = rowTable != nullptr;
    for (int r = 0; ok && r < bounds.height; ++r) {
        const std::int32_t length = offsets[r + 1] - offsets[r];
        if (length == 0) continue;
        rowTable[r] = buffer.data + base + offsets[r];
        ok = rowCovers(rowTable[r], length, bounds.width);
    }
    ctyFree(offsets);
    if (!ok) return refuseStream(fit ? "a row codes fewer pixels than the bounds" : "rows outside the buffer");
}

int imgRle8CTy::LoadInPlace(ctyMemBuffer& buffer)
{
    ReadHeader(buffer);
    ReadDataInPlace(buffer);
    return 1;
}
