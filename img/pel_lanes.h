// Conversion copies eight pixels a step: a format's fields as 16-bit lane planes, scaled, packed back.
#pragma once

#include <algorithm>
#include <cstdint>

#include "img/pixel.h"
#include "talvo/simd.h"

#if TALVO_SIMD_X86

namespace talvo::g::lanes {

// One field of eight pixels per vector, a lane each, right-aligned.
struct Planes {
    __m128i r, g, b, a;
};

[[nodiscard]] inline __m128i load16(const std::uint8_t* p) noexcept {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}
[[nodiscard]] inline __m128i load8(const std::uint8_t* p) noexcept {
    return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
}
inline void store16(std::uint8_t* p, __m128i v) noexcept { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }
inline void store8(std::uint8_t* p, __m128i v) noexcept { _mm_storel_epi64(reinterpret_cast<__m128i*>(p), v); }

[[nodiscard]] inline __m128i words(std::uint32_t v) noexcept { return _mm_set1_epi16(static_cast<short>(v)); }
[[nodiscard]] inline __m128i dwords(std::uint32_t v) noexcept { return _mm_set1_epi32(static_cast<int>(v)); }
[[nodiscard]] inline __m128i qwords(std::uint64_t v) noexcept { return _mm_set1_epi64x(static_cast<long long>(v)); }

// A constant the compiler cannot see through: g++ spells multiplies by constants as chains of shifts
// and adds, several instructions where one multiply does.
[[nodiscard]] inline __m128i opaque(__m128i v) noexcept {
    __asm__("" : "+x"(v));
    return v;
}

// Four 3-byte pixels (bytes 0 to 11) as four 4-byte ones with a zero top byte: pixel pairs to the two
// halves, then each pair apart.
[[nodiscard]] inline __m128i widen3(__m128i v) noexcept {
    const __m128i low6 = _mm_set_epi64x(0, 0xFFFFFFFFFFFF);
    const __m128i high6 = _mm_slli_si128(low6, 8);
    const __m128i pairs = _mm_or_si128(_mm_and_si128(v, low6), _mm_and_si128(_mm_slli_si128(v, 2), high6));
    return _mm_or_si128(_mm_and_si128(pairs, qwords(0xFFFFFF)),
                        _mm_and_si128(_mm_slli_epi64(pairs, 8), qwords(0xFFFFFF00000000)));
}

// Four 4-byte pixels as twelve bytes of 3-byte ones, then four zero bytes; the top bytes drop out.
[[nodiscard]] inline __m128i narrow3(__m128i v) noexcept {
    const __m128i pairs =
        _mm_or_si128(_mm_and_si128(v, qwords(0xFFFFFF)), _mm_and_si128(_mm_srli_epi64(v, 8), qwords(0xFFFFFF000000)));
    const __m128i low6 = _mm_set_epi64x(0, 0xFFFFFFFFFFFF);
    return _mm_or_si128(_mm_and_si128(pairs, low6), _mm_srli_si128(_mm_andnot_si128(low6, pairs), 2));
}

// Eight 3-byte pixels as two vectors of four in bytes 0 to 11, reading 24 bytes.
inline void load3(const std::uint8_t* s, __m128i& first, __m128i& rest) noexcept {
    first = load16(s);
    rest = _mm_or_si128(_mm_srli_si128(first, 12), _mm_slli_si128(load8(s + 16), 4));
}

// Two vectors of four 3-byte pixels in bytes 0 to 11 (the rest zero) as 24 bytes.
inline void store3(std::uint8_t* d, __m128i first, __m128i rest) noexcept {
    store16(d, _mm_or_si128(first, _mm_slli_si128(rest, 12)));
    store8(d + 16, _mm_srli_si128(rest, 4));
}

// Eight 4-byte pixels (bytes B, G, R, X or A) as planes: B and R through the even bytes; G by a high
// multiply by 256 of the low words that zeroes the high ones; A shifted down.
[[nodiscard]] inline Planes planesOf4(__m128i lo, __m128i hi) noexcept {
    const __m128i byteMask = words(0xFF);
    const __m128i even = _mm_packus_epi16(_mm_and_si128(lo, byteMask), _mm_and_si128(hi, byteMask));
    const __m128i pickG = dwords(0x100);
    const __m128i g = _mm_packs_epi32(_mm_mulhi_epu16(lo, pickG), _mm_mulhi_epu16(hi, pickG));
    const __m128i a = _mm_packs_epi32(_mm_srli_epi32(lo, 24), _mm_srli_epi32(hi, 24));
    return {_mm_srli_epi16(even, 8), g, _mm_and_si128(even, byteMask), a};
}

// The planes of eight source pixels of format S; S's missing fields are zero.
template <PelFmtId S>
[[nodiscard]] inline Planes loadPlanes(const std::uint8_t* s) noexcept {
    if constexpr (pelFmtBytes[S] == 4) {
        return planesOf4(load16(s), load16(s + 16));
    } else if constexpr (pelFmtBytes[S] == 3) {
        __m128i first, rest;
        load3(s, first, rest);
        return planesOf4(widen3(first), widen3(rest));
    } else {
        const __m128i v = load16(s);
        const auto field = [v](FieldLayout f) {
            if (f.width == 0) return _mm_setzero_si128();
            const __m128i shifted = _mm_srli_epi16(v, f.shift);
            return f.shift + f.width == 16 ? shifted : _mm_and_si128(shifted, words((1u << f.width) - 1));
        };
        constexpr PelLayout l = pelLayouts[S];
        return {field(l.r), field(l.g), field(l.b), field(l.a)};
    }
}

// (value + add) x mul >> 16 giving every entry of a narrowing table: one add and one high multiply
// per lane. Found at compile time, and only kept when it matches all 2^N entries.
struct HighScale {
    std::uint32_t add = 0, mul = 0;
    bool found = false;
};

template <unsigned N, unsigned M>
    requires isScalePair<N, M>
inline constexpr HighScale highScale = [] {
    const auto& table = scaleTable<N, M>;
    for (std::uint32_t add = 0; add < 64; ++add) {
        // Each entry bounds mul: table[i] << 16 <= (i + add) x mul < (table[i] + 1) << 16.
        std::uint32_t lo = 1, hi = 0xFFFF;
        for (std::uint32_t i = 0; i < (1u << N) && lo <= hi; ++i) {
            const std::uint32_t x = i + add;
            if (x == 0) {
                if (table[i] != 0) lo = hi + 1;
                continue;
            }
            lo = std::max(lo, ((std::uint32_t{table[i]} << 16) + x - 1) / x);
            hi = std::min(hi, (((std::uint32_t{table[i]} + 1) << 16) - 1) / x);
        }
        if (lo <= hi) return HighScale{add, lo, true};
    }
    return HighScale{};
}();

// The lane operations that scale a plane of N-bit fields to M bits (as scaleField) and move them up by
// Shift, in this order, each skipped at its neutral value: add, multiply (high half kept or low), add,
// shifts right and left, mask. The scale's own shift and the move fold into one shift, or a mask when
// they are equal.
struct FieldSteps {
    std::uint32_t addBefore = 0, mul = 1, addAfter = 0;
    bool high = false;
    unsigned right = 0, left = 0;
    std::uint32_t mask = 0;
};

template <unsigned N, unsigned M, unsigned Shift>
inline constexpr FieldSteps fieldSteps = [] {
    static_assert(Shift + M <= 16);
    if constexpr (N == M) {
        return FieldSteps{.left = Shift};
    } else if constexpr (constexpr HighScale h = highScale<N, M>;
                         h.found && N > M && scaleArithmetic<N, M>.mul != 1) {
        return FieldSteps{.addBefore = h.add, .mul = h.mul, .high = true, .left = Shift};
    } else {
        constexpr ScaleArithmetic a = scaleArithmetic<N, M>;
        static_assert(a.found && ((1u << N) - 1) * a.mul + a.add <= 0xFFFF, "the scale fits 16-bit lanes");
        FieldSteps f{.mul = a.mul, .addAfter = a.add};
        if (Shift < a.shift) f.right = a.shift - Shift;
        if (Shift == 0) return f;  // the largest sum has no bits above the field
        f.mask = ((1u << M) - 1) << Shift;
        if (Shift > a.shift) f.left = Shift - a.shift;
        return f;
    }
}();

template <unsigned N, unsigned M, unsigned Shift>
[[nodiscard]] inline __m128i placeField(__m128i v) noexcept {
    constexpr FieldSteps f = fieldSteps<N, M, Shift>;
    if constexpr (f.addBefore != 0) v = _mm_add_epi16(v, words(f.addBefore));
    if constexpr (f.mul != 1)
        v = f.high ? _mm_mulhi_epu16(v, opaque(words(f.mul))) : _mm_mullo_epi16(v, opaque(words(f.mul)));
    if constexpr (f.addAfter != 0) v = _mm_add_epi16(v, words(f.addAfter));
    if constexpr (f.right != 0) v = _mm_srli_epi16(v, f.right);
    if constexpr (f.left != 0) v = _mm_slli_epi16(v, f.left);
    if constexpr (f.mask != 0) v = _mm_and_si128(v, words(f.mask));
    return v;
}

// Eight 4-byte pixels stored: with keep, onto the destination's x bytes (the pixels' top bytes are
// zero); with max, alpha 0xFF.
template <AlphaRule Alpha>
inline void storeWords4(std::uint8_t* d, __m128i lo, __m128i hi) noexcept {
    if constexpr (Alpha == AlphaRule::keep) {
        const __m128i x = dwords(0xFF000000);
        lo = _mm_or_si128(lo, _mm_and_si128(load16(d), x));
        hi = _mm_or_si128(hi, _mm_and_si128(load16(d + 16), x));
    }
    if constexpr (Alpha == AlphaRule::max) {
        lo = _mm_or_si128(lo, dwords(0xFF000000));
        hi = _mm_or_si128(hi, dwords(0xFF000000));
    }
    store16(d, lo);
    store16(d + 16, hi);
}

// Two 2-byte formats whose four fields lie at the same places (alpha or x aside).
[[nodiscard]] constexpr bool sameFields(PelFmtId d, PelFmtId s) noexcept {
    const PelLayout& a = pelLayouts[d];
    const PelLayout& b = pelLayouts[s];
    const auto same = [](FieldLayout x, FieldLayout y) { return x.shift == y.shift && x.width == y.width; };
    return pelFmtBytes[d] == 2 && pelFmtBytes[s] == 2 && same(a.r, b.r) && same(a.g, b.g) && same(a.b, b.b) &&
           same(a.a, b.a);
}

// Eight pixels copied from S to D as copyPixel<D, S> copies one, for every rule but whole bytes: colour
// scaled to D's widths, alpha scaled or set to its maximum, x bits kept from the destination.
template <PelFmtId D, PelFmtId S>
inline void convert8(std::uint8_t* d, const std::uint8_t* s) noexcept {
    constexpr ConversionRule rule = conversionRules[D][S];
    if constexpr (pelFmtBytes[D] >= 3 && pelFmtBytes[S] >= 3) {
        // Colour in the same bytes on both sides: whole pixels widen or narrow, no planes.
        static_assert(pelFmtBytes[S] == 3 || rule.alpha != AlphaRule::keep);
        __m128i lo, hi;
        if constexpr (pelFmtBytes[S] == 3) {
            load3(s, lo, hi);
            lo = widen3(lo);
            hi = widen3(hi);
        } else {
            lo = load16(s);
            hi = load16(s + 16);
        }
        if constexpr (pelFmtBytes[D] == 3) {
            store3(d, narrow3(lo), narrow3(hi));
        } else {
            storeWords4<rule.alpha>(d, lo, hi);
        }
        return;
    }
    if constexpr (sameFields(D, S)) {
        // Fields in the same places: the source's colour bits, then the fourth field's.
        constexpr std::uint32_t colour = pelLayouts[D].r.mask() | pelLayouts[D].g.mask() | pelLayouts[D].b.mask();
        const __m128i v = load16(s);
        __m128i out = _mm_and_si128(v, words(colour));
        const __m128i fourth = words(rule.da.mask());
        if constexpr (rule.alpha == AlphaRule::keep) out = _mm_or_si128(out, _mm_and_si128(load16(d), fourth));
        if constexpr (rule.alpha == AlphaRule::max) out = _mm_or_si128(out, fourth);
        if constexpr (rule.alpha == AlphaRule::scale) out = _mm_or_si128(out, _mm_and_si128(v, fourth));
        store16(d, out);
        return;
    }
    const Planes p = loadPlanes<S>(s);
    if constexpr (pelFmtBytes[D] == 2) {
        __m128i out = _mm_or_si128(_mm_or_si128(placeField<rule.sr.width, rule.dr.width, rule.dr.shift>(p.r),
                                                placeField<rule.sg.width, rule.dg.width, rule.dg.shift>(p.g)),
                                   placeField<rule.sb.width, rule.db.width, rule.db.shift>(p.b));
        const __m128i fourth = words(rule.da.mask());
        if constexpr (rule.alpha == AlphaRule::keep) out = _mm_or_si128(out, _mm_and_si128(load16(d), fourth));
        if constexpr (rule.alpha == AlphaRule::max) out = _mm_or_si128(out, fourth);
        if constexpr (rule.alpha == AlphaRule::scale)
            out = _mm_or_si128(out, placeField<rule.sa.width, rule.da.width, rule.da.shift>(p.a));
        store16(d, out);
    } else {
        // Words B | G << 8 and R | A << 8 interleave into pixels; 4-byte destinations' x bytes merge in after.
        const __m128i bg = _mm_or_si128(placeField<rule.sb.width, 8, 0>(p.b), placeField<rule.sg.width, 8, 8>(p.g));
        __m128i ra = placeField<rule.sr.width, 8, 0>(p.r);
        if constexpr (rule.alpha == AlphaRule::max) ra = _mm_or_si128(ra, words(0xFF00));
        if constexpr (rule.alpha == AlphaRule::scale) ra = _mm_or_si128(ra, placeField<rule.sa.width, 8, 8>(p.a));
        __m128i lo = _mm_unpacklo_epi16(bg, ra);
        __m128i hi = _mm_unpackhi_epi16(bg, ra);
        if constexpr (pelFmtBytes[D] == 3) {
            store3(d, narrow3(lo), narrow3(hi));
        } else {
            storeWords4<rule.alpha == AlphaRule::keep ? AlphaRule::keep : AlphaRule::none>(d, lo, hi);
        }
    }
}

}  // namespace talvo::g::lanes

#endif  // TALVO_SIMD_X86
