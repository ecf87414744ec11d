// Span bounds of the filtered resampling: exact 16.16 bounds of every target pixel along an axis.
#pragma once

#include <cstdint>

namespace talvo::g::resample_detail {

// The bounds b(i) = floor(i x s x 65536 / t) for i = 0, 1, ... by quotient and remainder stepping:
// exact for any 32-bit sides, with no division per pixel.
class SpanBounds {
public:
    SpanBounds(std::int64_t s, std::int64_t t) noexcept : t_(t), q_((s << 16) / t), r_((s << 16) % t) {}
    [[nodiscard]] std::int64_t bound() const noexcept { return b_; }
    void advance() noexcept {
        b_ += q_;
        rem_ += r_;
        if (rem_ >= t_) {
            rem_ -= t_;
            ++b_;
        }
    }

private:
    std::int64_t t_, q_, r_;
    std::int64_t b_ = 0, rem_ = 0;
};

}  // namespace talvo::g::resample_detail
