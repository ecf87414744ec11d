// Shared helpers of the graphics-core tests: format loops, guarded buffers, and the seeded generator.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "img/image_row.h"
#include "img/pel_fmt_id.h"
#include "tests/support/seeded_rng.h"

namespace imgtest {

// n bytes at p as a little-endian value, the way the formats store pixel values.
inline std::uint32_t le(const std::uint8_t* p, std::uint32_t n) {
    std::uint32_t v = 0;
    for (std::uint32_t k = 0; k < n; ++k) v |= std::uint32_t{p[k]} << (8 * k);
    return v;
}

// Calls f.template operator()<Id>() for the pixel formats 1 to 8.
template <class F>
void forEachPixelFormat(F&& f) {
    [&]<talvo::g::PelFmtId... I>(std::integer_sequence<talvo::g::PelFmtId, I...>) {
        (f.template operator()<I + 1>(), ...);
    }(std::make_integer_sequence<talvo::g::PelFmtId, 8>{});
}

// Collects mismatches of a sweep and reports the count with the first few.
class Mismatches {
public:
    template <class... Parts>
    void add(const Parts&... parts) {
        if (++count_ > 8) return;
        std::ostringstream line;
        (line << ... << parts);
        text_ += line.str() + "\n";
    }
    [[nodiscard]] ::testing::AssertionResult none() const {
        if (count_ == 0) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << count_ << " mismatches, first:\n" << text_;
    }

private:
    std::size_t count_ = 0;
    std::string text_;
};

// A byte block between guard bands that must keep their pattern.
class Guarded {
public:
    static constexpr std::size_t guard = 64;
    explicit Guarded(std::size_t size) : bytes_(size + 2 * guard, 0xA5) {}
    [[nodiscard]] std::uint8_t* data() { return bytes_.data() + guard; }
    [[nodiscard]] bool guardsIntact() const {
        for (std::size_t i = 0; i < guard; ++i)
            if (bytes_[i] != 0xA5 || bytes_[bytes_.size() - 1 - i] != 0xA5) return false;
        return true;
    }

private:
    std::vector<std::uint8_t> bytes_;
};

// An image over random bytes between guard bands: plain, at an odd address with padded rows, or
// bottom-up (negative pitch, padded, odd address). Every byte of the block can be compared.
class Surface {
public:
    enum Layout { plain, odd, bottomUp };

    Surface(talvo::g::PelFmtId id, talvo::g::Palette* palette, std::int32_t w, std::int32_t h, Layout layout,
            SeededRng& rng)
        : bytes_(id < talvo::g::pelFmtCount ? talvo::g::pelFmtBytes[id] : 4),
          stride_(static_cast<std::int32_t>(bytes_) * w + (layout == plain ? 0 : 3)),
          height_(h),
          mem_(static_cast<std::size_t>(stride_) * static_cast<std::size_t>(h) + 1),
          start_(mem_.data()),
          base_(start_ + (layout == plain ? 0 : 1)) {
        for (std::size_t i = 0; i < size(); ++i) block()[i] = rng.edgeByte();
        row0_ = layout == bottomUp ? base_ + std::ptrdiff_t{stride_} * (h - 1) : base_;
        const std::int32_t pitch = layout == bottomUp ? -stride_ : stride_;
        image = std::make_unique<talvo::g::ImageRow>(w, h, talvo::g::PelFmt(id, palette), row0_, pitch);
    }

    [[nodiscard]] std::uint8_t* at(std::int32_t x, std::int32_t y) const {
        return row0_ + std::ptrdiff_t{y} * image->pitch() + std::ptrdiff_t{x} * bytes_;
    }
    [[nodiscard]] std::uint32_t value(std::int32_t x, std::int32_t y) const { return le(at(x, y), bytes_); }
    [[nodiscard]] std::uint8_t* block() { return mem_.data(); }
    [[nodiscard]] std::size_t size() const { return static_cast<std::size_t>(stride_) * height_ + 1; }
    [[nodiscard]] std::vector<std::uint8_t> snapshot() { return {block(), block() + size()}; }
    [[nodiscard]] std::size_t offset(std::int32_t x, std::int32_t y) const {
        return static_cast<std::size_t>(at(x, y) - base_) + (base_ - start_);
    }
    // The whole block equals `expected` and the guards are intact.
    [[nodiscard]] ::testing::AssertionResult equals(const std::vector<std::uint8_t>& expected) {
        if (!mem_.guardsIntact()) return ::testing::AssertionFailure() << "guard band overwritten";
        for (std::size_t i = 0; i < size(); ++i)
            if (block()[i] != expected[i])
                return ::testing::AssertionFailure() << "byte " << i << ": got " << int(block()[i]) << ", expected "
                                                     << int(expected[i]);
        return ::testing::AssertionSuccess();
    }

    std::unique_ptr<talvo::g::ImageRow> image;

private:
    std::uint32_t bytes_;
    std::int32_t stride_;
    std::size_t height_;
    Guarded mem_;
    std::uint8_t* start_;
    std::uint8_t* base_;
    std::uint8_t* row0_ = nullptr;
};

// Stores the low n bytes of v at p, little-endian.
inline void putLe(std::uint8_t* p, std::uint32_t n, std::uint32_t v) {
    for (std::uint32_t k = 0; k < n; ++k) p[k] = static_cast<std::uint8_t>(v >> (8 * k));
}

}  // namespace imgtest
