// The sprite's copy cache: built from the coded rows by the row loops' key rule, drawn by spans.
#include "sprite/rle8DrawCache.h"

#include <cstdlib>
#include <cstring>

#include "talvo/simd.h"

#include "sprite/rle8Draw.h"
#include "sprite/rle8RowLoop.h"
#include "sprite/ctySimd.h"
#include "sprite/imgPelFmt.h"

namespace {

using rle8::Group;

constexpr int tableEntries = 256;

// Spans and pixels of the drawn coded pixels: counted, or (Write) stored.
template <int B, bool Write>
struct SpanSink {
    static constexpr bool write = Write;
    std::uint32_t* first = nullptr;
    std::uint32_t* pelStart = nullptr;
    std::uint32_t* span = nullptr;  // byte offset, byte count pairs
    std::uint8_t* pels = nullptr;
    std::int64_t spans = 0, pelCount = 0, spanEnd = -1;

    void row(int r)
    {
        spanEnd = -1;
        if constexpr (Write) {
            first[r] = static_cast<std::uint32_t>(spans);
            pelStart[r] = static_cast<std::uint32_t>(pelCount * B);
        }
    }
    // n > 0 pixels from column x on; where their bytes go.
    std::uint8_t* add(std::int64_t x, std::int64_t n)
    {
        if (x != spanEnd) {
            if constexpr (Write) span[2 * spans] = static_cast<std::uint32_t>(x * B), span[2 * spans + 1] = 0;
            ++spans;
        }
        std::uint8_t* at = nullptr;
        if constexpr (Write) {
            span[2 * spans - 1] += static_cast<std::uint32_t>(n * B);
            at = pels + pelCount * B;
        }
        pelCount += n;
        spanEnd = x + n;
        return at;
    }
};

// Every coded pixel the copy loops would write, by the same key rule, into the sink in order.
template <Group G, class Sink>
void walkRow(const std::uint8_t* row, int width, const std::uint8_t* table, bool keyed, std::uint32_t key, Sink& sink)
{
    constexpr int B = rle8::bytesOf<G>;
    const auto fill = [](std::uint8_t* d, const std::uint8_t* e, int n) {
        if constexpr (Sink::write)
            for (int k = 0; k < n; ++k) std::memcpy(d + k * B, e, B);
    };
    int x = 0;
    while (x < width) {
        const int c = *row++;
        if (c < 0x80) {
            x += c;
            continue;
        }
        const int n = c & 63;
        const int count = (x + n < width ? x + n : width) - x;
        if (c >= 0xC0) {
            const std::uint8_t* e = table + *row++ * B;
            if (count > 0 && !(keyed && rle8::isKey<G>(e, key))) fill(sink.add(x, count), e, count);
        } else {
            // Pixels between key colours go in as one piece.
            const auto drawn = [&](int k) { return !keyed || !rle8::isKey<G>(table + row[k] * B, key); };
            for (int k = 0; k < count;) {
                if (!drawn(k)) {
                    ++k;
                    continue;
                }
                int j = k + 1;
                while (j < count && drawn(j)) ++j;
                std::uint8_t* d = sink.add(x + k, j - k);
                // The counting pass has no place to write: d is null there and must not move.
                if constexpr (Sink::write)
                    for (; k < j; ++k, d += B) fill(d, table + row[k] * B, 1);
                k = j;
            }
            row += n;
        }
        x += n;
    }
}

template <Group G, class Sink>
void walkAll(const Rle8Job& job, const imgRect& bounds, bool keyed, Sink& sink)
{
    for (int r = 0; r < bounds.height; ++r) {
        sink.row(r);
        if (job.rows[r] != nullptr) walkRow<G>(job.rows[r], bounds.width, job.table, keyed, job.key, sink);
    }
}

// The one block of a cache: table copy, row starts, spans, then the pixels.
struct Layout {
    std::int64_t tableBytes;
    std::uint8_t* block = nullptr;
    std::uint32_t* first = nullptr;     // rows + 1 first-span indices
    std::uint32_t* pelStart = nullptr;  // byte offset of each row's pixels
    std::uint32_t* span = nullptr;
    std::uint8_t* pels = nullptr;

    bool allocate(int rows, std::int64_t spans, std::int64_t pelBytes)
    {
        // Byte offsets are kept in 32 bits.
        if (pelBytes > UINT32_MAX) return false;
        // Cache-line aligned pixels: copies run the same whatever the heap gives.
        const std::int64_t pelsAt = (tableBytes + 4 * (2 * std::int64_t{rows} + 1) + 8 * spans + 63) & ~std::int64_t{63};
        const std::int64_t total = (pelsAt + pelBytes + 63) & ~std::int64_t{63};
        block = static_cast<std::uint8_t*>(std::aligned_alloc(64, static_cast<std::size_t>(total)));
        if (block == nullptr) return false;
        first = reinterpret_cast<std::uint32_t*>(block + tableBytes);
        pelStart = first + rows + 1;
        span = pelStart + rows;
        pels = block + pelsAt;
        return true;
    }
};

// Counts, allocates, stores; false when the block cannot be had.
template <Group G>
bool fillBlock(const Rle8Job& job, const imgRect& bounds, bool keyed, Layout& layout)
{
    constexpr int B = rle8::bytesOf<G>;
    SpanSink<B, false> count;
    walkAll<G>(job, bounds, keyed, count);
    if (!layout.allocate(bounds.height, count.spans, count.pelCount * B)) return false;
    SpanSink<B, true> store{layout.first, layout.pelStart, layout.span, layout.pels};
    walkAll<G>(job, bounds, keyed, store);
    layout.first[bounds.height] = static_cast<std::uint32_t>(store.spans);
    return true;
}

// The first and the last sizeof(T) bytes of n (overlapping in the middle).
template <class T>
inline void copyPair(std::uint8_t* d, const std::uint8_t* s, std::size_t n)
{
    T a, b;
    std::memcpy(&a, s, sizeof a), std::memcpy(&b, s + n - sizeof b, sizeof b);
    std::memcpy(d, &a, sizeof a), std::memcpy(d + n - sizeof b, &b, sizeof b);
}

#if TALVO_SIMD_X86
using V = __m128i;

inline V load(const std::uint8_t* s) { return _mm_loadu_si128(reinterpret_cast<const V*>(s)); }
inline void store(std::uint8_t* d, V v) { _mm_storeu_si128(reinterpret_cast<V*>(d), v); }

// The pixels of a vector (the low 8 bytes when Half) in reverse order.
template <int B, bool Half = false>
inline V reversed(V v)
{
    if constexpr (B == 4) return _mm_shuffle_epi32(v, Half ? 0xE1 : 0x1B);
    v = _mm_shufflelo_epi16(v, 0x1B);
    return Half ? v : _mm_shuffle_epi32(_mm_shufflehi_epi16(v, 0x1B), 0x4E);
}
#endif

// n >= 2 bytes. Spans are short and of every length: short ones by overlapping pairs, no call;
// with Simd those up to 256 bytes in 16-byte moves.
template <bool Simd>
inline void copySpan(std::uint8_t* d, const std::uint8_t* s, std::size_t n)
{
    if (n <= 16) {
        if (n >= 8) return copyPair<std::uint64_t>(d, s, n);
        if (n >= 4) return copyPair<std::uint32_t>(d, s, n);
        return copyPair<std::uint16_t>(d, s, n);
    }
#if TALVO_SIMD_X86
    if constexpr (Simd) {
        if (n <= 32) return copyPair<V>(d, s, n);
        if (n > 256) return (void)std::memcpy(d, s, n);
        const V t0 = load(s + n - 32), t1 = load(s + n - 16);
        for (std::size_t i = 0; i + 32 < n; i += 32) {
            const V a = load(s + i), b = load(s + i + 16);
            store(d + i, a), store(d + i + 16, b);
        }
        store(d + n - 32, t0), store(d + n - 16, t1);
        return;
    }
#endif
    std::memcpy(d, s, n);
}

// n bytes from s onto d moving left: the pixel at s + m lands at d - m. With Simd, chunks of 16
// (or 8) bytes store their reversed pixels so, the last chunk overlapping the one before.
template <int B, bool Simd>
inline void copyReversed(std::uint8_t* d, const std::uint8_t* s, std::int64_t n)
{
#if TALVO_SIMD_X86
    if constexpr (B != 3 && Simd) {
        if (n >= 16) {
            const V last = reversed<B>(load(s + n - 16));
            for (std::int64_t m = 0; m + 16 < n; m += 16) store(d - m - 16 + B, reversed<B>(load(s + m)));
            store(d - n + B, last);
            return;
        }
        if (n >= 8) {
            const V first = reversed<B, true>(_mm_loadl_epi64(reinterpret_cast<const V*>(s)));
            const V last = reversed<B, true>(_mm_loadl_epi64(reinterpret_cast<const V*>(s + n - 8)));
            _mm_storel_epi64(reinterpret_cast<V*>(d - 8 + B), first);
            _mm_storel_epi64(reinterpret_cast<V*>(d - n + B), last);
            return;
        }
    }
#endif
    for (std::int64_t m = 0; m < n; m += B) std::memcpy(d - m, s + m, B);
}

// The rows of a job from the spans; B bytes a pixel, right to left when mirrored.
template <int B, bool Mirror, bool Simd>
void drawSpans(const Rle8Job& job, std::int64_t rowBytes, const std::uint32_t* rowSpans, const std::uint32_t* rowPels,
               const std::uint32_t* spans, const std::uint8_t* pels)
{
    const std::int64_t x0 = job.sx * B, x1 = (job.sx + job.w) * B, pitch = job.dstPitch;
    const std::int64_t rowEnd = job.sy + job.h;
    std::uint8_t* line = job.dst;
    if (!Mirror && x0 == 0 && x1 == rowBytes) {
        for (std::int64_t r = job.sy; r < rowEnd; ++r, line += pitch) {
            const std::uint8_t* p = pels + rowPels[r];
            const std::uint32_t* const end = spans + 2 * std::int64_t{rowSpans[r + 1]};
            for (const std::uint32_t* s = spans + 2 * std::int64_t{rowSpans[r]}; s < end; p += s[1], s += 2)
                copySpan<Simd>(line + s[0], p, s[1]);
        }
        return;
    }
    for (std::int64_t r = job.sy; r < rowEnd; ++r, line += pitch) {
        const std::uint32_t* s = spans + 2 * std::int64_t{rowSpans[r]};
        const std::uint32_t* const end = spans + 2 * std::int64_t{rowSpans[r + 1]};
        const std::uint8_t* p = pels + rowPels[r];
        for (; s < end && std::int64_t{s[0]} + s[1] <= x0; s += 2) p += s[1];
        for (; s < end && s[0] < x1; p += s[1], s += 2) {
            const std::int64_t a = s[0] > x0 ? s[0] : x0;
            const std::int64_t b = std::int64_t{s[0]} + s[1] < x1 ? std::int64_t{s[0]} + s[1] : x1;
            const std::uint8_t* from = p + (a - s[0]);
            if constexpr (Mirror) {
                copyReversed<B, Simd>(line - (a - x0), from, b - a);
            } else {
                copySpan<Simd>(line + (a - x0), from, static_cast<std::size_t>(b - a));
            }
        }
    }
}

using DrawFn = void(const Rle8Job&, std::int64_t, const std::uint32_t*, const std::uint32_t*, const std::uint32_t*,
                    const std::uint8_t*);

}  // namespace

Rle8DrawCache::~Rle8DrawCache() { release(); }

void Rle8DrawCache::release() noexcept
{
    std::free(block_);
    block_ = nullptr;
    rows_ = nullptr;
}

bool Rle8DrawCache::holds(const Rle8Job& job, const imgRect& bounds, int kind, bool keyed) const
{
    // The table is compared whole: callers may change a palette without telling the sprite.
    return block_ != nullptr && rows_ == job.rows && kind_ == kind && keyed_ == keyed && (!keyed || key_ == job.key) &&
           bounds_.x == bounds.x && bounds_.y == bounds.y && bounds_.width == bounds.width &&
           bounds_.height == bounds.height &&
           std::memcmp(block_, job.table, static_cast<std::size_t>(tableEntries * imgPelBytes(kind))) == 0;
}

bool Rle8DrawCache::build(const Rle8Job& job, const imgRect& bounds, int kind, bool keyed)
{
    release();
    Layout layout{std::int64_t{tableEntries} * imgPelBytes(kind)};
    bool ok = false;
    switch (rle8GroupOf(kind)) {
    case Group::Rgb888: ok = fillBlock<Group::Rgb888>(job, bounds, keyed, layout); break;
    case Group::X8888: ok = fillBlock<Group::X8888>(job, bounds, keyed, layout); break;
    case Group::Rgb565: ok = fillBlock<Group::Rgb565>(job, bounds, keyed, layout); break;
    case Group::Rgbx5551: ok = fillBlock<Group::Rgbx5551>(job, bounds, keyed, layout); break;
    default: break;
    }
    if (!ok) return false;
    block_ = layout.block;
    std::memcpy(block_, job.table, static_cast<std::size_t>(layout.tableBytes));
    rowSpans_ = layout.first;
    rowPels_ = layout.pelStart;
    spans_ = layout.span;
    pels_ = layout.pels;
    rows_ = job.rows;
    bounds_ = bounds;
    kind_ = kind;
    keyed_ = keyed;
    key_ = job.key;
    return true;
}

bool Rle8DrawCache::repeats(const Rle8Job& job, int kind, bool keyed)
{
    const auto tableBytes = static_cast<std::size_t>(tableEntries * imgPelBytes(kind));
    if (pendingKind_ == kind && pendingKeyed_ == keyed && (!keyed || pendingKey_ == job.key) &&
        std::memcmp(pendingTable_, job.table, tableBytes) == 0)
        return true;
    pendingKind_ = kind;
    pendingKeyed_ = keyed;
    pendingKey_ = job.key;
    std::memcpy(pendingTable_, job.table, tableBytes);
    return false;
}

bool Rle8DrawCache::draw(const Rle8Job& job, const imgRect& bounds, int kind, bool keyed, bool mirror)
{
    if (holds(job, bounds, kind, keyed)) {
        pendingKind_ = 0;
    } else {
        // Drawn by turns onto two kinds, or under a palette changed every frame, a sprite would
        // rebuild on every draw: it keeps the loops' cost instead.
        if (block_ != nullptr && !repeats(job, kind, keyed)) return false;
        if (!build(job, bounds, kind, keyed)) return false;
    }
    // [simd][mirror][bytes - 2]
    static constexpr DrawFn* draws[2][2][3] = {
        {{&drawSpans<2, false, false>, &drawSpans<3, false, false>, &drawSpans<4, false, false>},
         {&drawSpans<2, true, false>, &drawSpans<3, true, false>, &drawSpans<4, true, false>}},
        {{&drawSpans<2, false, true>, &drawSpans<3, false, true>, &drawSpans<4, false, true>},
         {&drawSpans<2, true, true>, &drawSpans<3, true, true>, &drawSpans<4, true, true>}}};
    const int bytes = imgPelBytes(kind);
    draws[ctySimdRowsOn() ? 1 : 0][mirror ? 1 : 0][bytes - 2](job, std::int64_t{bounds.width} * bytes, rowSpans_, rowPels_,
                                                             spans_, pels_);
    return true;
}
