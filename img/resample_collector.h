// Sample collectors of the filtered resampling: weighted channel sums at each format's own widths.
#pragma once

#include <array>
#include <cstdint>
#include <iterator>

#include "img/pixel.h"

namespace talvo::g {

// The per-sample calls sit in the innermost loops of the drivers.
#define TALVO_G_HOT [[gnu::always_inline]] inline

namespace resample_detail {

// x / d for the sums of averages (x at most 256 d). Below 2^16 one multiplication and a shift are
// exact (x d < 2^40); above, the reciprocal's quotient is at most one short and one comparison fixes it.
class Divisor {
public:
    constexpr Divisor() noexcept : Divisor(1) {}
    constexpr explicit Divisor(std::uint64_t d) noexcept
        : d_(d), m_(d < 0x10000 ? ((std::uint64_t{1} << 40) + d - 1) / d : ~std::uint64_t{0} / d) {}
    [[nodiscard]] constexpr std::uint64_t divisor() const noexcept { return d_; }
    [[nodiscard]] constexpr std::uint64_t quotient(std::uint64_t x) const noexcept {
        if (d_ < 0x10000) return (x * m_) >> 40;
        std::uint64_t q = static_cast<std::uint64_t>((static_cast<unsigned __int128>(x) * m_) >> 64);
        if (x - q * d_ >= d_) ++q;
        return q;
    }

private:
    std::uint64_t d_;
    std::uint64_t m_;
};

// Channel ch (0 r, 1 g, 2 b, 3 a) of a format: its field of a pixel value, and its shift.
template <class Px>
[[nodiscard]] constexpr FieldLayout channelLayout(int ch) noexcept {
    return Px::layout.field(static_cast<Channel>(ch));
}
template <class Px>
[[nodiscard]] constexpr std::uint32_t channelOf(std::uint32_t v, int ch) noexcept {
    const FieldLayout f = channelLayout<Px>(ch);
    return (v >> f.shift) & ((1u << f.width) - 1u);
}

// Counts that bilinear pixels meet all the time, so that a change of count costs no division.
inline constexpr auto smallDivisors = [] {
    std::array<Divisor, 64> table{};
    for (std::uint64_t d = 1; d < table.size(); ++d) table[d] = Divisor(d);
    return table;
}();

// The channel sums of one target pixel; the channels and their fields come from the format's layout.
// Sums are in units of channel value x 65536, never negative.
template <class Px>
class SampleSums {
public:
    static constexpr PelLayout layout = Px::layout;
    static constexpr int channels = layout.alpha ? 4 : 3;

    TALVO_G_HOT constexpr void add(const Px& p) noexcept {
        const std::uint32_t v = p.value();
        for (int c = 0; c < channels; ++c) sum_[c] += std::int64_t{field(v, c)} << 16;
        ++count_;
    }
    // f is the weight of b, 0 to 0x10000.
    TALVO_G_HOT constexpr void addPair(const Px& a, const Px& b, std::uint32_t f) noexcept {
        const std::uint32_t va = a.value(), vb = b.value();
        for (int c = 0; c < channels; ++c) sum_[c] += field(va, c) * (0x10000u - f) + field(vb, c) * f;
        ++count_;
    }
    // Each row has its own weight of its right pixel; fy is the weight of the lower row.
    TALVO_G_HOT constexpr void add2x2(const Px& a, const Px& b, const Px& c, const Px& d, std::uint32_t fxUpper,
                          std::uint32_t fxLower, std::uint32_t fy) noexcept {
        const std::uint32_t va = a.value(), vb = b.value(), vc = c.value(), vd = d.value();
        for (int ch = 0; ch < channels; ++ch) {
            const std::uint32_t upper = field(va, ch) * (0x10000u - fxUpper) + field(vb, ch) * fxUpper;
            const std::uint32_t lower = field(vc, ch) * (0x10000u - fxLower) + field(vd, ch) * fxLower;
            sum_[ch] += static_cast<std::int64_t>(std::uint64_t{upper} * (0x10000u - fy) + std::uint64_t{lower} * fy) >> 16;
        }
        ++count_;
    }
    [[nodiscard]] constexpr std::uint64_t count() const noexcept { return count_; }

    // The truncated averages packed into their fields (x bits 0); empties the sums. Count above 0.
    TALVO_G_HOT constexpr Px take() noexcept {
        if (count_ != divisor_.divisor())
            divisor_ = count_ < std::size(smallDivisors) ? smallDivisors[count_] : Divisor(count_);
        std::uint32_t v = 0;
        for (int c = 0; c < channels; ++c) {
            // (sum / count) >> 16 equals (sum >> 16) / count for sums that are never negative.
            v |= static_cast<std::uint32_t>(divisor_.quotient(static_cast<std::uint64_t>(sum_[c]) >> 16))
                 << channelLayout<Px>(c).shift;
            sum_[c] = 0;
        }
        count_ = 0;
        return Px::fromValue(v);
    }

private:
    static constexpr std::uint32_t field(std::uint32_t v, int c) noexcept { return channelOf<Px>(v, c); }

    std::int64_t sum_[channels] = {};
    // 64 bits, so that a block of 2^32 samples or more still averages.
    std::uint64_t count_ = 0;
    Divisor divisor_{1};
};

}  // namespace resample_detail

// Takes every sample.
template <class Px>
class PlainCollector {
public:
    PlainCollector() noexcept = default;
    PlainCollector(const PlainCollector&) = default;
    PlainCollector& operator=(const PlainCollector&) = default;
    virtual ~PlainCollector() = default;

    TALVO_G_HOT void add(const Px& p) noexcept { sums_.add(p); }
    TALVO_G_HOT void addPair(const Px& a, const Px& b, std::uint32_t f) noexcept { sums_.addPair(a, b, f); }
    TALVO_G_HOT void add2x2(const Px& a, const Px& b, const Px& c, const Px& d, std::uint32_t fx, std::uint32_t fy) noexcept {
        sums_.add2x2(a, b, c, d, fx, fx, fy);
    }
    // Undefined while nothing was added; the drivers give every target pixel a sample.
    [[nodiscard]] TALVO_G_HOT Px result() noexcept { return sums_.take(); }

private:
    resample_detail::SampleSums<Px> sums_;
};

// Ignores samples equal to the key (Pixel's key equality); a key pixel's weight passes to its partner,
// and a pixel that only key samples reached comes out as the key.
template <class Px>
class KeyedCollector {
public:
    explicit KeyedCollector(const Px& key) noexcept : key_(key) {}
    KeyedCollector(const KeyedCollector&) = default;
    KeyedCollector& operator=(const KeyedCollector&) = default;
    virtual ~KeyedCollector() = default;

    TALVO_G_HOT void add(const Px& p) noexcept {
        if (!(p == key_)) sums_.add(p);
    }
    TALVO_G_HOT void addPair(const Px& a, const Px& b, std::uint32_t f) noexcept {
        const bool ka = a == key_, kb = b == key_;
        if (ka && kb) return;
        sums_.addPair(a, b, ka ? 0x10000u : kb ? 0u : f);
    }
    TALVO_G_HOT void add2x2(const Px& a, const Px& b, const Px& c, const Px& d, std::uint32_t fx, std::uint32_t fy) noexcept {
        const bool ka = a == key_, kb = b == key_, kc = c == key_, kd = d == key_;
        std::uint32_t fxUpper = fx, fxLower = fx;
        if (ka && kb) fy = 0x10000u;
        else if (ka) fxUpper = 0x10000u;
        else if (kb) fxUpper = 0u;
        if (kc && kd) {
            if (fy == 0x10000u) return;
            fy = 0u;
        } else if (kc) {
            fxLower = 0x10000u;
        } else if (kd) {
            fxLower = 0u;
        }
        sums_.add2x2(a, b, c, d, fxUpper, fxLower, fy);
    }
    [[nodiscard]] TALVO_G_HOT Px result() noexcept { return sums_.count() == 0 ? key_ : sums_.take(); }

private:
    resample_detail::SampleSums<Px> sums_;
    Px key_;
};

// The names of the collectors by kind and alpha.
template <class Px>
    requires isPixel<Px> && (!Px::layout.alpha)
using RGBCollector = PlainCollector<Px>;
template <class Px>
    requires isPixel<Px> && (Px::layout.alpha)
using RGBACollector = PlainCollector<Px>;
template <class Px>
    requires isPixel<Px> && (!Px::layout.alpha)
using RGBCollectorVoid = KeyedCollector<Px>;
template <class Px>
    requires isPixel<Px> && (Px::layout.alpha)
using RGBACollectorVoid = KeyedCollector<Px>;

}  // namespace talvo::g
