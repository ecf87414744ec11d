// Palette entries, the cached converted table and nearest-colour matching.
#include "sprite/palCTy.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "sprite/ctyMemBuffer.h"
#include "sprite/ctyRuntime.h"
#include "sprite/pelKinds.h"

palCTy::~palCTy()
{
    ctyFree(entries);
    ctyFree(table);
}

void palCTy::Set(const std::uint8_t* colours, std::uint32_t n)
{
    ctyFree(entries);
    entries = n == 0 ? nullptr : static_cast<std::uint8_t*>(ctyAlloc(std::size_t{4} * n));
    count = entries != nullptr ? n : 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        std::memcpy(entries + 4 * i, colours + 4 * i, 3);
        entries[4 * i + 3] = 255;
    }
    tableKind = 0;
}

void palCTy::Assign(const palCTy& other)
{
    if (&other == this) return;
    ctyFree(entries);
    entries = other.count == 0 ? nullptr : static_cast<std::uint8_t*>(ctyAlloc(std::size_t{4} * other.count));
    count = entries != nullptr ? other.count : 0;
    if (count != 0) std::memcpy(entries, other.entries, std::size_t{4} * count);
    tableKind = 0;
}

void palCTy::BuildTbl(int kind)
{
    // Kind 0 marks a stale table, so it is never served from the cache.
    if (table != nullptr && tableKind != 0 && tableKind == static_cast<std::uint32_t>(kind)) return;
    ctyFree(table);
    const PelKindInfo* info = pelKindOf(kind);
    const int bytes = info != nullptr ? info->bytes : 4;
    const std::uint32_t slots = std::max(count, tableMinimum);
    table = static_cast<std::uint8_t*>(ctyCalloc(std::size_t{slots} * static_cast<std::size_t>(bytes)));
    tableKind = table != nullptr ? static_cast<std::uint32_t>(kind) : 0;
    if (table == nullptr) return;
    if (info == nullptr || static_cast<int>(info->group) >= pelColourGroupCount) {
        ctyErrorf(4, "palCTy::BuildTbl: not impelmetned yet");
        return;
    }
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint8_t* e = entries + 4 * i;
        // The colour fields cut from B, G, R; an 8-bit fourth field takes the entry's A, a
        // narrower one is set (an opaque colour).
        const auto field = [](const PelField& f, unsigned c) { return (c >> (8 - f.bits)) << f.shift; };
        std::uint32_t v = field(info->b, e[0]) | field(info->g, e[1]) | field(info->r, e[2]);
        v |= info->a.bits == 8 ? static_cast<std::uint32_t>(e[3]) << info->a.shift : info->a.mask();
        std::uint8_t* out = table + static_cast<std::size_t>(bytes) * i;
        for (int k = 0; k < bytes; ++k) out[k] = static_cast<std::uint8_t>(v >> 8 * k);
    }
}

std::uint8_t palCTy::NearestIndex(const std::uint8_t* bgr) const
{
    std::uint32_t best = std::numeric_limits<std::uint32_t>::max();
    std::uint32_t index = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint8_t* e = entries + 4 * i;
        std::uint32_t d = 0;
        for (int c = 0; c < 3; ++c) {
            const int delta = e[c] - bgr[c];
            d += static_cast<std::uint32_t>(delta * delta);
        }
        if (d == 0) return static_cast<std::uint8_t>(i);
        if (d < best) {
            best = d;
            index = i;
        }
    }
    return static_cast<std::uint8_t>(index);
}

void palCTy::Write(ctyMemBuffer& buffer) const
{
    buffer.Write32(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint8_t rgb[3] = {entries[4 * i + 2], entries[4 * i + 1], entries[4 * i]};
        buffer.Write(rgb, 3);
    }
}

void palCTy::Read(ctyMemBuffer& buffer)
{
    const std::uint32_t n = buffer.Read32();
    ctyFree(entries);
    entries = nullptr;
    count = 0;
    tableKind = 0;
    if (n == 0) return;
    if (std::uint64_t{n} * 3 > static_cast<std::uint64_t>(buffer.Remaining())) {
        buffer.failed = true;
        ctyErrorf(4, "palCTy::Read: %u entries do not fit in the stream", n);
        return;
    }
    entries = static_cast<std::uint8_t*>(ctyAlloc(std::size_t{4} * n));
    if (entries == nullptr) return;
    count = n;
    for (std::uint32_t i = 0; i < n; ++i) {
        std::uint8_t rgb[3];
        buffer.Read(rgb, 3);
        std::uint8_t* e = entries + 4 * i;
        e[0] = rgb[2];
        e[1] = rgb[1];
        e[2] = rgb[0];
        e[3] = 255;
    }
}
