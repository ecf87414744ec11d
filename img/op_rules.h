// Pixel rules of the two-image operations: one compile-time table per operation over (destination, source).
#pragma once

#include <array>
#include <cstdint>
#include <cstring>

#include "img/pixel.h"

namespace talvo::g {

// How a copy writes one pixel. same: the bytes unchanged; word32: the 32-bit word, source alpha into the
// x byte; alphaMax: the word with alpha 0xFF; bgr3: the three colour bytes; convert: the in-place
// conversion, which keeps the destination's x bits.
enum class CopyRule : std::uint8_t { same, word32, alphaMax, bgr3, convert };

// Indexed [destination][source] by PelFmtId rgb888 to rgba4444.
inline constexpr auto copyRules = pairTable<CopyRule>([](PelFmtId d, PelFmtId s) {
    using namespace fmtId;
    const bool from32 = s == rgbx8888 || s == rgba8888;
    return d == s                          ? CopyRule::same
           : d == rgbx8888 && s == rgba8888 ? CopyRule::word32
           : d == rgba8888 && s == rgbx8888 ? CopyRule::alphaMax
           : d == rgb888 && from32          ? CopyRule::bgr3
                                            : CopyRule::convert;
});

// Alpha draw: sources with alpha mix by it (0 skips, full alpha copies by copyRules); others copy.
inline constexpr auto drawMixes = pairTable<bool>([](PelFmtId, PelFmtId s) { return pelLayouts[s].alpha; });

// Constant alpha. common: K = 0 skips, K = 255 copies by copyRules, else the two-product mix of the
// converted source; twoProduct: that mix at every K; difference: d + (s - d) x K / 256 at every K.
// A paletted source uses the cell of its converted entries, [d][d].
enum class AlphaKRule : std::uint8_t { common, twoProduct, difference };

inline constexpr auto alphaKRules = pairTable<AlphaKRule>([](PelFmtId d, PelFmtId s) {
    return d == fmtId::rgbx8888 && s == fmtId::rgbx8888 ? AlphaKRule::twoProduct
           : d == fmtId::rgb565 && s == fmtId::rgb565   ? AlphaKRule::difference
                                                         : AlphaKRule::common;
});

// ---- pixel functions on pixel bytes at any address ----

template <PelFmtId Id>
[[nodiscard]] inline std::uint32_t load(const std::uint8_t* p) noexcept {
    return loadPixelValue<pelFmtBytes[Id]>(p);
}
template <PelFmtId Id>
inline void store(std::uint8_t* p, std::uint32_t v) noexcept {
    storePixelValue<pelFmtBytes[Id]>(p, v);
}

// The source pixel equals the key in the bits its format compares (never x bits).
template <PelFmtId S>
[[nodiscard]] inline bool isKey(const std::uint8_t* s, std::uint32_t key) noexcept {
    return ((load<S>(s) ^ key) & pelLayouts[S].keyMask()) == 0;
}

// The copy's value for an old destination value and a source value.
template <PelFmtId D, PelFmtId S>
[[nodiscard]] inline std::uint32_t copyValue(std::uint32_t old, std::uint32_t v) noexcept {
    constexpr CopyRule rule = copyRules[D][S];
    if constexpr (rule == CopyRule::same || rule == CopyRule::word32) {
        return v;
    } else if constexpr (rule == CopyRule::alphaMax) {
        return v | 0xFF000000u;
    } else if constexpr (rule == CopyRule::bgr3) {
        return v & 0x00FFFFFFu;
    } else {
        return convertFields<D, S>(old, [v](FieldLayout f) { return (v & f.mask()) >> f.shift; });
    }
}

// A source pixel's fields, byte fields straight from memory, which vector loops load without
// unpacking words.
template <PelFmtId S>
[[nodiscard]] inline auto fieldsAt(const std::uint8_t* s) noexcept {
    return [s, v = load<S>(s)](FieldLayout f) -> std::uint32_t {
        return f.width == 8 ? s[f.shift / 8] : (v & f.mask()) >> f.shift;
    };
}

template <PelFmtId D, PelFmtId S>
inline void copyPixel(std::uint8_t* d, const std::uint8_t* s) noexcept {
    if constexpr (copyRules[D][S] == CopyRule::same) {
        std::memcpy(d, s, pelFmtBytes[D]);
    } else if constexpr (copyRules[D][S] == CopyRule::convert && D == fmtId::rgb888) {
        // 3-byte destinations: each field stored as its byte, which vectorises where a packed 3-byte
        // store does not. The fields are those convertFields packs.
        constexpr ConversionRule rule = conversionRules[D][S];
        const auto field = fieldsAt<S>(s);
        d[rule.dr.shift / 8] = static_cast<std::uint8_t>(scaleField<rule.sr.width, 8>(field(rule.sr)));
        d[rule.dg.shift / 8] = static_cast<std::uint8_t>(scaleField<rule.sg.width, 8>(field(rule.sg)));
        d[rule.db.shift / 8] = static_cast<std::uint8_t>(scaleField<rule.sb.width, 8>(field(rule.sb)));
        if constexpr (rule.alpha == AlphaRule::max) d[3] = 0xFF;
        if constexpr (rule.alpha == AlphaRule::scale)
            d[3] = static_cast<std::uint8_t>(scaleField<rule.sa.width, 8>(field(rule.sa)));
    } else if constexpr (copyRules[D][S] == CopyRule::convert) {
        store<D>(d, convertFields<D, S>(load<D>(d), fieldsAt<S>(s)));
    } else {
        store<D>(d, copyValue<D, S>(load<D>(d), load<S>(s)));
    }
}

// The colour fields of the destination value in its own widths; the fourth field (alpha or x) stays.
template <PelFmtId D, class Mix>
[[nodiscard]] inline std::uint32_t mixFields(std::uint32_t dv, std::uint32_t cv, Mix mix) noexcept {
    constexpr PelLayout l = pelLayouts[D];
    std::uint32_t out = dv & ~(l.r.mask() | l.g.mask() | l.b.mask());
    for (const FieldLayout f : {l.r, l.g, l.b}) {
        const std::uint32_t d = (dv >> f.shift) & ((1u << f.width) - 1);
        const std::uint32_t c = (cv >> f.shift) & ((1u << f.width) - 1);
        out |= mix(d, c) << f.shift;
    }
    return out;
}

// Fields are at most 8 bits and weights at most 256, so each product fits 16 bits, which lets vector
// loops multiply in 16-bit lanes.
[[nodiscard]] inline std::uint32_t twoProduct(std::uint32_t d, std::uint32_t c, std::uint32_t a) noexcept {
    return (static_cast<std::uint16_t>(d * (256 - a)) >> 8) + (static_cast<std::uint16_t>(c * a) >> 8);
}

// The two-product mix of all colour fields.
template <PelFmtId D>
[[nodiscard]] inline std::uint32_t twoProductFields(std::uint32_t d, std::uint32_t c, std::uint32_t a) noexcept {
    return mixFields<D>(d, c, [a](std::uint32_t dv, std::uint32_t cv) { return twoProduct(dv, cv, a); });
}

// The source value as a destination value with x bits 0 (the source itself in the same format). Fields
// from the word: the mixes vectorise better so than with byte loads.
template <PelFmtId D, PelFmtId S>
[[nodiscard]] inline std::uint32_t converted(std::uint32_t v) noexcept {
    if constexpr (D == S) {
        return v;
    } else {
        return convertFields<D, S>(0, [v](FieldLayout f) { return (v & f.mask()) >> f.shift; });
    }
}

// Weight 0 gives the old value through the mix itself; full weight copies instead. Both are computed
// and one is picked, so the row loops stay free of branches.
template <PelFmtId D, PelFmtId S>
[[nodiscard]] inline std::uint32_t mixOrCopy(std::uint32_t old, std::uint32_t v, std::uint32_t a) noexcept {
    const std::uint32_t mixed = twoProductFields<D>(old, converted<D, S>(v), a);
    return a == 255 ? copyValue<D, S>(old, v) : mixed;
}

// A pixel function as a function object, so the row loops call it directly and inline it.
template <auto F>
struct PixelFn {
    void operator()(std::uint8_t* d, const std::uint8_t* s) const noexcept { F(d, s); }
};

// The alpha draw's pixel of a pair whose source has alpha.
template <PelFmtId D, PelFmtId S>
inline void blendPixelAlpha(std::uint8_t* d, const std::uint8_t* s) noexcept {
    static_assert(drawMixes[D][S], "sources without alpha are copied");
    constexpr FieldLayout af = pelLayouts[S].a;
    const std::uint32_t v = load<S>(s);
    const std::uint32_t a = scaleField<af.width, 8>((v >> af.shift) & ((1u << af.width) - 1));
    store<D>(d, mixOrCopy<D, S>(load<D>(d), v, a));
}

// The constant-alpha pixel of a pair; k is at most 255.
template <PelFmtId D, PelFmtId S>
inline void blendPixelK(std::uint8_t* d, const std::uint8_t* s, std::uint32_t k) noexcept {
    constexpr AlphaKRule rule = alphaKRules[D][S];
    const std::uint32_t old = load<D>(d);
    const std::uint32_t v = load<S>(s);
    if constexpr (rule == AlphaKRule::difference) {
        store<D>(d, mixFields<D>(old, v, [k](std::uint32_t dv, std::uint32_t cv) {
                     // |s - d| < 64 and k < 256: the product fits 16 bits; the shift rounds down.
                     const std::int32_t diff = static_cast<std::int32_t>(cv) - static_cast<std::int32_t>(dv);
                     const auto product = static_cast<std::int16_t>(diff * static_cast<std::int32_t>(k));
                     return static_cast<std::uint32_t>(static_cast<std::int32_t>(dv) + (product >> 8));
                 }));
    } else if constexpr (rule == AlphaKRule::twoProduct) {
        store<D>(d, twoProductFields<D>(old, v, k));
    } else {
        store<D>(d, mixOrCopy<D, S>(old, v, k));
    }
}

}  // namespace talvo::g
