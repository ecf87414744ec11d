// Fuzz target: run-length sprite streams read copied and in place; what is accepted draws, locks,
// and writes back to the same rows.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "sprite/ctyMemBuffer.h"
#include "sprite/ctyRuntime.h"
#include "sprite/imgRle8CTy.h"
#include "sprite/imgRowCTy.h"
#include "sprite/palCTy.h"

namespace {

// Sprites the header may declare: larger ones are valid but only cost the fuzzer memory.
constexpr std::int64_t pelLimit = std::int64_t{1} << 20;

void shape(imgRle8CTy& s, palCTy& pal)
{
    imgPelFmt fmt(9, &pal);
    s.Create(64, 48, &fmt);
}

// Room for n bytes (and the one more Write wants free) before the first write: a full buffer
// grows by 10 MiB, which for inputs of a few bytes costs more than everything else here.
void reserve(ctyMemBuffer& buffer, std::size_t n)
{
    buffer.data = static_cast<std::uint8_t*>(ctyAlloc(n + 1));
    buffer.capacity = buffer.data != nullptr ? static_cast<std::int32_t>(n + 1) : 0;
}

bool sameRows(const imgRle8CTy& a, const imgRle8CTy& b)
{
    if (std::memcmp(&a.bounds, &b.bounds, sizeof a.bounds) != 0) return false;
    for (int r = 0; r < a.bounds.height; ++r) {
        const int n = a.RowByteLength(r);
        if (n != b.RowByteLength(r) || (n != 0 && std::memcmp(a.rowTable[r], b.rowTable[r], static_cast<std::size_t>(n)) != 0))
            return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > (1u << 20)) return 0;
    palCTy pal;
    std::uint8_t colours[256 * 4];
    for (int i = 0; i < 256 * 4; ++i) colours[i] = static_cast<std::uint8_t>(i * 7);
    pal.Set(colours, 256);
    ctyMemBuffer buffer;
    reserve(buffer, size);  // tight, so a row taken in place past the input overflows the heap
    buffer.Write(data, static_cast<std::int32_t>(size));
    for (const bool inPlace : {false, true}) {
        ctyError = ctyErrorRecord{};
        buffer.position = 0;
        buffer.failed = false;
        imgRle8CTy s;
        shape(s, pal);
        if (inPlace) s.LoadInPlace(buffer);
        else s.Read(buffer);
        if (std::int64_t{s.width} * s.height > pelLimit) continue;
        if (s.pelFmt.palette == nullptr) s.SetPalette(pal);

        // The stream written back: the input's rows and offsets, a header and at most a palette.
        ctyMemBuffer again;
        reserve(again, size + 4096);
        s.Write(again);
        again.position = 0;
        imgRle8CTy t;
        shape(t, pal);
        t.Read(again);
        if (!sameRows(s, t)) std::abort();
        s.Lock(nullptr, 1);
        t.Lock(nullptr, 1);
        const std::size_t bytes = static_cast<std::size_t>(s.width) * static_cast<std::size_t>(s.height);
        if (bytes != 0 && std::memcmp(s.lockBuffer, t.lockBuffer, bytes) != 0) std::abort();
        s.Unlock();
        t.Unlock();

        imgRowCTy dst;
        imgPelFmt rgba(2, nullptr);
        dst.Create(s.width, s.height, &rgba);
        s.Draw(&dst, 0, 0, nullptr);
        DrawParams p;
        p.mode = size > 0 ? data[0] % 14 : 0;
        p.alpha = 128;
        p.scaleX = p.scaleY = 0.75f;
        s.DrawEx(&dst, 1, -1, nullptr, &p);
        s.SetColorKey(size > 1 ? data[1] : 0);
        p.mode = 0;
        s.DrawEx(&dst, 0, 0, nullptr, &p);
        s.DrawMirrorH(&dst, 0, 0, nullptr);
        s.DrawExMirrorH(&dst, -3, 2, nullptr, &p);
        s.Lock(nullptr, 0);
        s.Unlock();
    }
    return 0;
}
