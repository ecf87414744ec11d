// The drivers' sums, the same integers as the collectors in far fewer steps: bilinear ones regrouped
// by source rows, the box's blocks summed straight from the source.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <type_traits>

#include "img/resample_bounds.h"
#include "img/resample_collector.h"
#include "img/resample_fetch.h"
#include "img/resample_samples.h"

namespace talvo::g::resample_detail {

// NOTE: Every plain sample of a target pixel on grid column x and grid row y is
// (H(r0, x) x (1 - fy) + H(r1, x) x fy) >> 16 with H(r, x) the row-r interpolation at x. At whole
// columns H is the pixel x 65536 and at whole rows fy is 0, so the shift truncates only at the start
// column: the sum is exact from per-row pieces h0 (start-column interpolation) and c (sum of the
// inner whole columns), which each source row gives once per target column. The keyed rules change a
// sample only where it reads a key pixel, so keyed pixels whose samples read none are summed the same
// way, and only the others go sample by sample through the keyed collector.
// While a strip's columns take at most 256 samples, c < 2^16 - 255 and h0 + (c << 16) fits 32 bits:
// one piece per row, one product per source row, and (that c part being whole) the same sums.
template <class Px, bool WrapX, bool WrapY, class Collector>
class RowSums {
public:
    static constexpr PelLayout layout = Px::layout;
    static constexpr int channels = layout.alpha ? 4 : 3;
    static constexpr std::int32_t strip = 128;  // target columns per pass, so the buffers live on the stack
    // Inner-column sums stay 32-bit below this source width; wider sources take the collector.
    static constexpr std::int32_t widthLimit = 1 << 24;

    static constexpr bool keyed = std::is_same_v<Collector, KeyedCollector<Px>>;

    RowSums(const std::uint8_t* src, std::int32_t srcPitch, std::int32_t sw, std::int32_t sh, Collector& collector,
            std::uint32_t key) noexcept
        : src_(src), pitch_(srcPitch), sw_(sw), sh_(sh), collector_(collector), key_(key & layout.keyMask()) {}

    // spanW x spanH are the sides the bilinear bounds divide; the box divides sw x sh.
    void run(std::uint8_t* dst, std::int32_t dstPitch, std::int32_t tw, std::int32_t th, std::int32_t spanW,
             std::int32_t spanH, bool box) noexcept {
        if (box) {
            runBlocks(dst, dstPitch, tw, th);
            return;
        }
        SpanBounds cols(spanW, tw);
        for (std::int32_t i0 = 0; i0 < tw; i0 += strip) {
            n_ = tw - i0 < strip ? tw - i0 : strip;
            for (std::int32_t i = 0; i < n_; ++i) {
                const std::int64_t x0 = cols.bound();
                cols.advance();
                const std::int64_t x1 = cols.bound();
                const AxisPlace place = locate<WrapX>(x0 >> 16, sw_);
                const std::int64_t inner0 = (x0 >> 16) + 1, inner1 = (x1 - 1) >> 16;
                column_[i] = {place.base, place.next, static_cast<std::uint32_t>(x0 & 0xFFFF), inner0, inner1, x0, x1};
                samples_[i] = inner1 >= inner0 ? std::uint64_t(inner1 - inner0 + 2) : 1u;
            }
            // Enlarging or halving, columns take 1, 2 or 4 samples: then a shift per column divides.
            shiftColumns_ = true;
            narrow_ = true;
            for (std::int32_t i = 0; i < n_; ++i) {
                shiftColumns_ = shiftColumns_ && powerOfTwo(samples_[i]);
                columnBits_[i] = static_cast<std::uint8_t>(std::countr_zero(samples_[i]));
                narrow_ = narrow_ && samples_[i] <= narrowSamples;
            }
            for (Slot& slot : slots_) slot.row = -1;
            runStrip(dst + std::ptrdiff_t{i0} * bpp, dstPitch, th, spanH);
        }
    }

private:
    static constexpr std::ptrdiff_t bpp = sizeof(Px);
    // Up to 255 inner columns, c stays below 2^16 - 255, so h0 + (c << 16) stays 32-bit.
    static constexpr std::uint64_t narrowSamples = 256;

    struct Column {
        std::int64_t base, next;  // start column and its neighbour by the edge rule
        std::uint32_t fx;
        std::int64_t inner0, inner1;  // inner whole columns, inclusive; none when inner1 < inner0
        std::int64_t x0, x1;          // the bounds, for pixels that go sample by sample
    };
    // Channel-major, so the per-row loops run along contiguous columns.
    struct Slot {
        std::int64_t row = -1;
        std::uint64_t used = 0;
        std::uint32_t h0[channels][strip];  // in a narrow strip h0 + (c << 16), and c unused
        std::uint32_t c[channels][strip];
        std::uint8_t keyRead[strip];  // keyed only, 0 or 1: a key pixel among those the column's samples read in this row
    };

    // Not std::has_single_bit: without POPCNT in the baseline that is a library call.
    static bool powerOfTwo(std::uint64_t n) noexcept { return (n & (n - 1)) == 0; }
    static std::uint32_t field(std::uint32_t v, int ch) noexcept { return channelOf<Px>(v, ch); }
    static std::uint32_t shift(int ch) noexcept { return channelLayout<Px>(ch).shift; }
    bool isKey(std::uint32_t v) const noexcept { return (v & layout.keyMask()) == key_; }
    std::uint32_t at(const std::uint8_t* row, std::int64_t k) const noexcept {
        return loadPixelValue<sizeof(Px)>(row + k * bpp);
    }

    // The pieces of source row r for the strip's columns, from the three most recently used rows.
    const Slot& rowPieces(std::int64_t r) noexcept {
        ++clock_;
        Slot* victim = &slots_[0];
        for (Slot& slot : slots_) {
            if (slot.row == r) {
                slot.used = clock_;
                return slot;
            }
            if (slot.used < victim->used) victim = &slot;
        }
        victim->row = r;
        victim->used = clock_;
        const std::uint8_t* row = src_ + r * pitch_;
        const bool narrow = narrow_;  // a local, so the stores below do not read it again
        for (std::int32_t i = 0; i < n_; ++i) {
            const Column& col = column_[i];
            const std::uint32_t a = at(row, col.base), b = at(row, col.next);
            std::uint32_t inner[channels] = {};
            bool keyRead = keyed && (isKey(a) || isKey(b));
            for (std::int64_t k = col.inner0; k <= col.inner1; ++k) {
                const std::uint32_t v = at(row, k);
                if constexpr (keyed) keyRead |= isKey(v);
                for (int ch = 0; ch < channels; ++ch) inner[ch] += field(v, ch);
            }
            victim->keyRead[i] = keyRead ? 1 : 0;
            for (int ch = 0; ch < channels; ++ch) {
                const std::uint32_t h0 = field(a, ch) * (0x10000u - col.fx) + field(b, ch) * col.fx;
                if (narrow) {
                    victim->h0[ch][i] = h0 + (inner[ch] << 16);
                } else {
                    victim->h0[ch][i] = h0;
                    victim->c[ch][i] = inner[ch];
                }
            }
        }
        return *victim;
    }

    // The box: each target pixel averages its block of whole pixels, which no row piece would make
    // cheaper (no source row is shared), so it is summed straight from the source.
    void runBlocks(std::uint8_t* dst, std::int32_t dstPitch, std::int32_t tw, std::int32_t th) noexcept {
        SpanBounds rows(sh_, th);
        Divisor divisor;
        for (std::int32_t j = 0; j < th; ++j) {
            const std::int64_t m0 = rows.bound() >> 16;
            rows.advance();
            const std::int64_t m1 = rows.bound() >> 16;
            const std::uint8_t* top = src_ + m0 * pitch_;
            std::uint8_t* out = dst + std::ptrdiff_t{j} * dstPitch;
            SpanBounds cols(sw_, tw);
            for (std::int32_t i = 0; i < tw; ++i) {
                const std::int64_t k0 = cols.bound() >> 16;
                cols.advance();
                const std::int64_t k1 = cols.bound() >> 16;
                std::uint64_t sum[channels] = {};
                bool keyRead = false;
                for (const std::uint8_t* row = top; row != top + (m1 - m0) * pitch_; row += pitch_)
                    for (std::int64_t k = k0; k < k1; ++k) {
                        const std::uint32_t v = at(row, k);
                        if constexpr (keyed) keyRead |= isKey(v);
                        for (int ch = 0; ch < channels; ++ch) sum[ch] += field(v, ch);
                    }
                std::uint32_t v = 0;
                if (keyed && keyRead) {
                    samplePixel<Px, WrapX, WrapY>(src_, pitch_, sw_, sh_, true, k0 << 16, k1 << 16, m0 << 16, m1 << 16,
                                                  collector_);
                    v = collector_.result().value();
                } else {
                    const std::uint64_t count = std::uint64_t(k1 - k0) * std::uint64_t(m1 - m0);
                    if (powerOfTwo(count)) {
                        const int bits = std::countr_zero(count);
                        for (int ch = 0; ch < channels; ++ch)
                            v |= static_cast<std::uint32_t>(sum[ch] >> bits) << shift(ch);
                    } else {
                        if (count != divisor.divisor())
                            divisor = count < std::size(smallDivisors) ? smallDivisors[count] : Divisor(count);
                        for (int ch = 0; ch < channels; ++ch)
                            v |= static_cast<std::uint32_t>(divisor.quotient(sum[ch])) << shift(ch);
                    }
                }
                storePixelValue<sizeof(Px)>(out + std::ptrdiff_t{i} * bpp, v);
            }
        }
    }

    void runStrip(std::uint8_t* dst, std::int32_t dstPitch, std::int32_t th, std::int32_t spanH) noexcept {
        // Locals: stores through dst may alias any member, which would be read again on every pixel.
        const std::int32_t n = n_;
        const bool narrow = narrow_, shiftColumns = shiftColumns_;
        SpanBounds rows(spanH, th);
        for (std::int32_t j = 0; j < th; ++j) {
            const std::int64_t y0 = rows.bound();
            rows.advance();
            const std::int64_t y1 = rows.bound();
            const std::int64_t inner0 = (y0 >> 16) + 1, inner1 = (y1 - 1) >> 16;
            const std::uint32_t fy = static_cast<std::uint32_t>(y0 & 0xFFFF);
            const AxisPlace place = locate<WrapY>(y0 >> 16, sh_);
            const Slot& upper = rowPieces(place.base);
            if constexpr (keyed) {
                // The keyed rules may weigh the lower row even when its fraction is 0.
                const Slot& lower = rowPieces(place.next);
                for (std::int32_t i = 0; i < n; ++i) keyRead_[i] = upper.keyRead[i] | lower.keyRead[i];
            }
            if (fy == 0 && narrow) {
                for (int ch = 0; ch < channels; ++ch)
                    for (std::int32_t i = 0; i < n; ++i) acc_[ch][i] = upper.h0[ch][i];
            } else if (narrow) {
                // (h0 + (c << 16)) x the weights, shifted, is the sum below: the c part is whole.
                const Slot& lower = rowPieces(place.next);
                const std::uint32_t gy = 0x10000u - fy;
                for (int ch = 0; ch < channels; ++ch)
                    for (std::int32_t i = 0; i < n; ++i)
                        acc_[ch][i] = (std::uint64_t{upper.h0[ch][i]} * gy + std::uint64_t{lower.h0[ch][i]} * fy) >> 16;
            } else if (fy == 0) {
                for (int ch = 0; ch < channels; ++ch)
                    for (std::int32_t i = 0; i < n; ++i)
                        acc_[ch][i] = upper.h0[ch][i] + (std::uint64_t{upper.c[ch][i]} << 16);
            } else {
                const Slot& lower = rowPieces(place.next);
                // 32 x 32 -> 64-bit products, which vectorise.
                const std::uint32_t gy = 0x10000u - fy;
                for (int ch = 0; ch < channels; ++ch)
                    for (std::int32_t i = 0; i < n; ++i)
                        acc_[ch][i] = ((std::uint64_t{upper.h0[ch][i]} * gy + std::uint64_t{lower.h0[ch][i]} * fy) >> 16) +
                                      std::uint64_t{upper.c[ch][i]} * gy + std::uint64_t{lower.c[ch][i]} * fy;
            }
            for (std::int64_t m = inner0; m <= inner1; ++m) {
                const Slot& inner = rowPieces(m);
                for (int ch = 0; ch < channels; ++ch)
                    if (narrow)
                        for (std::int32_t i = 0; i < n; ++i) acc_[ch][i] += inner.h0[ch][i];
                    else
                        for (std::int32_t i = 0; i < n; ++i)
                            acc_[ch][i] += inner.h0[ch][i] + (std::uint64_t{inner.c[ch][i]} << 16);
                if constexpr (keyed)
                    for (std::int32_t i = 0; i < n; ++i) keyRead_[i] = keyRead_[i] | inner.keyRead[i];
            }
            const std::uint64_t rowSamples = inner1 >= inner0 ? std::uint64_t(inner1 - inner0 + 2) : 1u;
            std::uint8_t* out = dst + std::ptrdiff_t{j} * dstPitch;
            if (shiftColumns && powerOfTwo(rowSamples)) {
                const int rowBits = 16 + std::countr_zero(rowSamples);
                for (std::int32_t i = 0; i < n; ++i) {
                    const int bits = rowBits + columnBits_[i];
                    std::uint32_t v = 0;
                    for (int ch = 0; ch < channels; ++ch) v |= static_cast<std::uint32_t>(acc_[ch][i] >> bits) << shift(ch);
                    storePixelValue<sizeof(Px)>(out + i * bpp, v);
                }
            } else {
                for (std::int32_t i = 0; i < n; ++i) {
                    const std::uint64_t count = samples_[i] * rowSamples;
                    std::uint32_t v = 0;
                    if (powerOfTwo(count)) {
                        const int bits = 16 + std::countr_zero(count);
                        for (int ch = 0; ch < channels; ++ch)
                            v |= static_cast<std::uint32_t>(acc_[ch][i] >> bits) << shift(ch);
                    } else {
                        const Divisor divisor = count < std::size(smallDivisors) ? smallDivisors[count] : Divisor(count);
                        for (int ch = 0; ch < channels; ++ch)
                            v |= static_cast<std::uint32_t>(divisor.quotient(acc_[ch][i] >> 16)) << shift(ch);
                    }
                    storePixelValue<sizeof(Px)>(out + i * bpp, v);
                }
            }
            if constexpr (keyed) {
                // The pixels whose samples read a key go again through the collector, found eight flags at a time.
                for (std::int32_t b = 0; b < n; b += 8) {
                    std::uint64_t flags;
                    std::memcpy(&flags, keyRead_ + b, 8);
                    if (flags == 0) continue;
                    for (std::int32_t i = b; i < b + 8 && i < n; ++i) {
                        if (keyRead_[i] == 0) continue;
                        const Column& col = column_[i];
                        samplePixel<Px, WrapX, WrapY>(src_, pitch_, sw_, sh_, false, col.x0, col.x1, y0, y1, collector_);
                        storePixelValue<sizeof(Px)>(out + i * bpp, collector_.result().value());
                    }
                }
            }
        }
    }

    const std::uint8_t* src_;
    std::int32_t pitch_, sw_, sh_;
    Collector& collector_;
    std::uint32_t key_;  // the key's compared bits
    std::int32_t n_ = 0;
    std::uint64_t clock_ = 0;
    Column column_[strip];
    std::uint64_t samples_[strip];
    Slot slots_[3];
    std::uint64_t acc_[channels][strip];
    std::uint8_t keyRead_[strip] = {};  // read eight at a time, so set beyond n_ too
    std::uint8_t columnBits_[strip];  // log2 of the column's sample count, where shiftColumns_
    bool shiftColumns_ = false;       // every column of the strip takes a power of two of samples
    bool narrow_ = false;             // every column of the strip takes at most narrowSamples
};

}  // namespace talvo::g::resample_detail
