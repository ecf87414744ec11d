// The sprite's copy cache: built from the coded rows by the row loops' key rule, drawn by spans.
#include "sprite/Rle8DrawCache.h"

#include <emmintrin.h>

#include <cstdlib>
#include <cstring>

#include "sprite/Rle8RowLoop.h"
#include "sprite/imgPelFmt.h"

namespace {

using rle8::Group;

constexpr int tableEntries = 256;

// Every coded pixel the copy loops would write, in order: sink.pixel(column, table entry).
template <Group G, class Sink>
void walkRow(const std::uint8_t* row, int width, const std::uint8_t* table, bool keyed, std::uint32_t key, Sink& sink)
{
    const auto emit = [&](int x, std::uint8_t index) {
        const std::uint8_t* e = table + index * rle8::bytesOf<G>;
        if (!keyed || !rle8::isKey<G>(e, key)) sink.pixel(x, e);
    };
    int x = 0;
    while (x < width) {
        const int c = *row++;
        if (c < 0x80) {
            x += c;
            continue;
        }
        const int n = c & 63;
        const int end = x + n < width ? x + n : width;
        if (c < 0xC0) {
            for (int k = 0; x + k < end; ++k) emit(x + k, row[k]);
            row += n;
        } else {
            const std::uint8_t index = *row++;
            for (int k = x; k < end; ++k) emit(k, index);
        }
        x += n;
    }
}

// Counts spans and pixels, or (with out set) stores them.
struct SpanSink {
    struct Out {
        std::uint32_t* first;
        std::uint32_t* pelStart;
        std::uint32_t* span;  // byte offset, byte count pairs
        std::uint8_t* pels;
    };
    int bytes;
    Out* out = nullptr;
    std::int64_t spans = 0, pels = 0;
    std::int64_t spanEnd = -1;

    void row(int r)
    {
        spanEnd = -1;
        if (out == nullptr) return;
        out->first[r] = static_cast<std::uint32_t>(spans);
        out->pelStart[r] = static_cast<std::uint32_t>(pels * bytes);
    }
    void pixel(int x, const std::uint8_t* e)
    {
        if (x != spanEnd) {
            if (out != nullptr) {
                out->span[2 * spans] = static_cast<std::uint32_t>(x * bytes);
                out->span[2 * spans + 1] = 0;
            }
            ++spans;
        }
        if (out != nullptr) {
            out->span[2 * spans - 1] += static_cast<std::uint32_t>(bytes);
            std::memcpy(out->pels + pels * bytes, e, static_cast<std::size_t>(bytes));
        }
        ++pels;
        spanEnd = x + 1;
    }
};

template <Group G>
void walkAll(const Rle8Job& job, const imgRect& bounds, bool keyed, SpanSink& sink)
{
    for (int r = 0; r < bounds.height; ++r) {
        sink.row(r);
        if (job.rows[r] != nullptr) walkRow<G>(job.rows[r], bounds.width, job.table, keyed, job.key, sink);
    }
}

void walk(int group, const Rle8Job& job, const imgRect& bounds, bool keyed, SpanSink& sink)
{
    switch (group) {
    case 0: return walkAll<Group::Rgb888>(job, bounds, keyed, sink);
    case 1: return walkAll<Group::X8888>(job, bounds, keyed, sink);
    case 2: return walkAll<Group::Rgb565>(job, bounds, keyed, sink);
    default: return walkAll<Group::X5551>(job, bounds, keyed, sink);
    }
}

using V = __m128i;

inline V load(const std::uint8_t* s) { return _mm_loadu_si128(reinterpret_cast<const V*>(s)); }
inline void store(std::uint8_t* d, V v) { _mm_storeu_si128(reinterpret_cast<V*>(d), v); }

// The first and the last sizeof(T) bytes of n (overlapping in the middle).
template <class T>
inline void copyPair(std::uint8_t* d, const std::uint8_t* s, std::size_t n)
{
    T a, b;
    std::memcpy(&a, s, sizeof a), std::memcpy(&b, s + n - sizeof b, sizeof b);
    std::memcpy(d, &a, sizeof a), std::memcpy(d + n - sizeof b, &b, sizeof b);
}

// n >= 2 bytes. Spans are short and of every length: short ones by overlapping pairs, no call.
inline void copySpan(std::uint8_t* d, const std::uint8_t* s, std::size_t n)
{
    if (n <= 16) {
        if (n >= 8) return copyPair<std::uint64_t>(d, s, n);
        if (n >= 4) return copyPair<std::uint32_t>(d, s, n);
        return copyPair<std::uint16_t>(d, s, n);
    }
    if (n <= 32) return copyPair<V>(d, s, n);
    if (n > 256) return (void)std::memcpy(d, s, n);
    const V t0 = load(s + n - 32), t1 = load(s + n - 16);
    for (std::size_t i = 0; i + 32 < n; i += 32) {
        const V a = load(s + i), b = load(s + i + 16);
        store(d + i, a), store(d + i + 16, b);
    }
    store(d + n - 32, t0), store(d + n - 16, t1);
}

// n bytes from s onto d moving left: the pixel at s + k lands at d - k.
template <int B>
inline void copyReversed(std::uint8_t* d, const std::uint8_t* s, std::int64_t n)
{
    std::int64_t k = 0;
    if constexpr (B != 3) {
        for (; k + 16 <= n; k += 16) {
            V v = load(s + k);
            if constexpr (B == 4) {
                v = _mm_shuffle_epi32(v, 0x1B);
            } else {
                v = _mm_shuffle_epi32(_mm_shufflehi_epi16(_mm_shufflelo_epi16(v, 0x1B), 0x1B), 0x4E);
            }
            store(d - k - 16 + B, v);
        }
    }
    for (; k < n; k += B) std::memcpy(d - k, s + k, B);
}

// The rows of a job from the spans; B bytes a pixel, right to left when mirrored.
template <int B, bool Mirror>
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
                copySpan(line + s[0], p, s[1]);
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
                copyReversed<B>(line - (a - x0), from, b - a);
            } else {
                copySpan(line + (a - x0), from, static_cast<std::size_t>(b - a));
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
    const int group = rle8GroupOf(kind);
    const int bytes = imgPelBytes(kind);
    if (group < 0 || bounds.height < 0 || bounds.width < 0) return false;
    SpanSink sink{bytes};
    walk(group, job, bounds, keyed, sink);
    const std::int64_t table = std::int64_t{tableEntries} * bytes;
    const std::int64_t rowBytes = 4 * (2 * std::int64_t{bounds.height} + 1);
    const std::int64_t spanBytes = 8 * sink.spans;
    // Byte offsets are kept in 32 bits.
    if (sink.pels * bytes > UINT32_MAX) return false;
    // Cache-line aligned pixels: copies run the same whatever the heap gives.
    const std::int64_t pelsAt = (table + rowBytes + spanBytes + 63) & ~std::int64_t{63};
    const std::int64_t total = (pelsAt + sink.pels * bytes + 63) & ~std::int64_t{63};
    block_ = static_cast<std::uint8_t*>(std::aligned_alloc(64, static_cast<std::size_t>(total)));
    if (block_ == nullptr) return false;
    std::memcpy(block_, job.table, static_cast<std::size_t>(table));
    auto* first = reinterpret_cast<std::uint32_t*>(block_ + table);
    auto* pelStart = first + bounds.height + 1;
    auto* span = pelStart + bounds.height;
    SpanSink::Out out{first, pelStart, span, block_ + pelsAt};
    SpanSink fill{bytes, &out};
    walk(group, job, bounds, keyed, fill);
    first[bounds.height] = static_cast<std::uint32_t>(fill.spans);
    rowSpans_ = first;
    rowPels_ = pelStart;
    spans_ = span;
    pels_ = out.pels;
    rows_ = job.rows;
    bounds_ = bounds;
    kind_ = kind;
    keyed_ = keyed;
    key_ = job.key;
    return true;
}

bool Rle8DrawCache::draw(const Rle8Job& job, const imgRect& bounds, int kind, bool keyed, bool mirror)
{
    if (!holds(job, bounds, kind, keyed) && !build(job, bounds, kind, keyed)) return false;
    // [mirror][bytes - 2]
    static constexpr DrawFn* draws[2][3] = {{&drawSpans<2, false>, &drawSpans<3, false>, &drawSpans<4, false>},
                                            {&drawSpans<2, true>, &drawSpans<3, true>, &drawSpans<4, true>}};
    const int bytes = imgPelBytes(kind);
    draws[mirror ? 1 : 0][bytes - 2](job, std::int64_t{bounds.width} * bytes, rowSpans_, rowPels_, spans_, pels_);
    return true;
}
