// The AVX2 steps: the SSE2 steps' arithmetic on twice the lanes, only these functions built for AVX2.
// They share the SSE2 steps' plans (lanes::fieldSteps) but not their bodies: g++ and clang will not
// inline AVX2 intrinsics into a template instance that is not itself built for AVX2, and GCC vector
// types, which would serve both widths, turn the high multiplies into widening ones.
#include "img/wide_steps.h"

#include "img/pel_lanes.h"

#if TALVO_SIMD_X86

namespace talvo::g::wide {

namespace {

TALVO_SIMD_AVX2 inline __m256i load32(const std::uint8_t* p) noexcept {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}
TALVO_SIMD_AVX2 inline void store32(std::uint8_t* p, __m256i v) noexcept {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v);
}
TALVO_SIMD_AVX2 inline __m256i words(std::uint32_t v) noexcept { return _mm256_set1_epi16(static_cast<short>(v)); }
TALVO_SIMD_AVX2 inline __m256i dwords(std::uint32_t v) noexcept { return _mm256_set1_epi32(static_cast<int>(v)); }

// As lanes::opaque: one multiply, not g++'s shift-and-add chain.
TALVO_SIMD_AVX2 inline __m256i opaque(__m256i v) noexcept {
    __asm__("" : "+x"(v));
    return v;
}

// As lanes::placeField, sixteen lanes.
template <unsigned N, unsigned M, unsigned Shift>
TALVO_SIMD_AVX2 inline __m256i placeField(__m256i v) noexcept {
    constexpr lanes::FieldSteps f = lanes::fieldSteps<N, M, Shift>;
    if constexpr (f.addBefore != 0) v = _mm256_add_epi16(v, words(f.addBefore));
    if constexpr (f.mul != 1)
        v = f.high ? _mm256_mulhi_epu16(v, opaque(words(f.mul))) : _mm256_mullo_epi16(v, opaque(words(f.mul)));
    if constexpr (f.addAfter != 0) v = _mm256_add_epi16(v, words(f.addAfter));
    if constexpr (f.right != 0) v = _mm256_srli_epi16(v, f.right);
    if constexpr (f.left != 0) v = _mm256_slli_epi16(v, f.left);
    if constexpr (f.mask != 0) v = _mm256_and_si256(v, words(f.mask));
    return v;
}

// Sixteen 4-byte pixels to a 2-byte format without alpha, as lanes::convert8. The packs work within
// 128-bit halves, so the planes hold pixels 0-3, 8-11 | 4-7, 12-15; one permute puts them back in order.
template <PelFmtId D, PelFmtId S>
TALVO_SIMD_AVX2 inline void convert16(std::uint8_t* d, const std::uint8_t* s) noexcept {
    constexpr ConversionRule rule = conversionRules[D][S];
    static_assert(pelFmtBytes[S] == 4 && pelFmtBytes[D] == 2 && rule.alpha == AlphaRule::none);
    const __m256i lo = load32(s);
    const __m256i hi = load32(s + 32);
    const __m256i byteMask = words(0xFF);
    const __m256i even = _mm256_packus_epi16(_mm256_and_si256(lo, byteMask), _mm256_and_si256(hi, byteMask));
    const __m256i pickG = dwords(0x100);
    const __m256i g = _mm256_packs_epi32(_mm256_mulhi_epu16(lo, pickG), _mm256_mulhi_epu16(hi, pickG));
    const __m256i r = placeField<rule.sr.width, rule.dr.width, rule.dr.shift>(_mm256_srli_epi16(even, 8));
    const __m256i b = placeField<rule.sb.width, rule.db.width, rule.db.shift>(_mm256_and_si256(even, byteMask));
    const __m256i out = _mm256_or_si256(_mm256_or_si256(r, placeField<rule.sg.width, rule.dg.width, rule.dg.shift>(g)), b);
    store32(d, _mm256_permute4x64_epi64(out, 0xD8));
}

// Sixteen pixels between 2-byte formats with the same fields, the destination's x bits kept.
template <PelFmtId D, PelFmtId S>
TALVO_SIMD_AVX2 inline void keepX16(std::uint8_t* d, const std::uint8_t* s) noexcept {
    constexpr ConversionRule rule = conversionRules[D][S];
    static_assert(lanes::sameFields(D, S) && rule.alpha == AlphaRule::keep);
    const __m256i fourth = words(rule.da.mask());
    store32(d, _mm256_or_si256(_mm256_andnot_si256(fourth, load32(s)), _mm256_and_si256(load32(d), fourth)));
}

// Eight Rgba8888 pixels onto eight Rgbx8888 pixels, as drawRgbxFromRgba4 and bytemix::twoProductBytes.
TALVO_SIMD_AVX2 inline void drawRgbxFromRgba8(std::uint8_t* d, const std::uint8_t* s) noexcept {
    const __m256i sv = load32(s);
    const __m256i dv = load32(d);
    const __m256i a = _mm256_srli_epi32(sv, 24);
    const __m256i full = _mm256_cmpeq_epi32(a, dwords(255));
    const __m256i wOdd = _mm256_add_epi32(a, _mm256_and_si256(full, dwords(0x01000001)));
    const __m256i wEven = _mm256_or_si256(wOdd, _mm256_slli_epi32(wOdd, 16));
    const __m256i high = words(0xFF00);
    const __m256i whole = words(256);
    const __m256i even = _mm256_add_epi16(_mm256_mulhi_epu16(_mm256_slli_epi16(dv, 8), _mm256_sub_epi16(whole, wEven)),
                                          _mm256_mulhi_epu16(_mm256_slli_epi16(sv, 8), wEven));
    const __m256i odd = _mm256_add_epi16(_mm256_mulhi_epu16(_mm256_and_si256(dv, high), _mm256_sub_epi16(whole, wOdd)),
                                         _mm256_mulhi_epu16(_mm256_and_si256(sv, high), wOdd));
    store32(d, _mm256_or_si256(even, _mm256_slli_epi16(odd, 8)));
}

// `steps` steps of Step, each DB and SB bytes on.
template <auto Step, std::ptrdiff_t DB, std::ptrdiff_t SB>
TALVO_SIMD_AVX2 void run(std::uint8_t* d, const std::uint8_t* s, std::int32_t steps) noexcept {
    for (std::int32_t i = 0; i < steps; ++i) Step(d + i * DB, s + i * SB);
}

// One row for copyRows. The stores go to whole 32-byte units of the destination: one that
// crosses a 64-byte line costs about two, and a row starting 16 or 48 bytes into a line crossed
// one every other move. Up to the first unit the row goes as two 16-byte moves, the second on a
// 16-byte boundary; after the last, as one or two more.
TALVO_SIMD_AVX2 inline void copyRow(std::uint8_t* __restrict d, const std::uint8_t* __restrict s, std::size_t n) noexcept {
    const auto move16 = [d, s](std::size_t at) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + at), _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + at)));
    };
    const std::size_t skew = reinterpret_cast<std::uintptr_t>(d) & 31;
    std::size_t i = 0;
    if (skew != 0) {
        i = 32 - skew;
        move16(0);
        if (i > 16) move16(i - 16);
    }
    for (; i + 128 <= n; i += 128) {
        const __m256i a = load32(s + i), b = load32(s + i + 32), c = load32(s + i + 64), e = load32(s + i + 96);
        store32(d + i, a), store32(d + i + 32, b), store32(d + i + 64, c), store32(d + i + 96, e);
    }
    for (; i + 32 <= n; i += 32) store32(d + i, load32(s + i));
    if (i + 16 <= n) move16(i), i += 16;
    if (i < n) move16(n - 16);
}

}  // namespace

void rgb565FromRgbx(std::uint8_t* d, const std::uint8_t* s, std::int32_t steps) noexcept {
    run<convert16<fmtId::rgb565, fmtId::rgbx8888>, 32, 64>(d, s, steps);
}
void rgb565FromRgba(std::uint8_t* d, const std::uint8_t* s, std::int32_t steps) noexcept {
    run<convert16<fmtId::rgb565, fmtId::rgba8888>, 32, 64>(d, s, steps);
}
void rgbx5551FromRgba(std::uint8_t* d, const std::uint8_t* s, std::int32_t steps) noexcept {
    run<keepX16<fmtId::rgbx5551, fmtId::rgba5551>, 32, 32>(d, s, steps);
}
void drawRgbxFromRgba(std::uint8_t* d, const std::uint8_t* s, std::int32_t steps) noexcept {
    run<drawRgbxFromRgba8, 32, 32>(d, s, steps);
}
TALVO_SIMD_AVX2 void copyRows(std::uint8_t* d, std::ptrdiff_t dStride, const std::uint8_t* s, std::ptrdiff_t sStride,
                              std::size_t n, std::int32_t h) noexcept {
    // Rows of up to 128 bytes go as they lie, every load before the row's first store (where the
    // caller sends them: see wideShortMoves); the same moves with each load after the store before
    // it took 64-byte rows in 1.3 times the time.
    if (n == 32)
        for (std::int32_t j = 0; j < h; ++j, d += dStride, s += sStride) store32(d, load32(s));
    else if (n <= 64)
        for (std::int32_t j = 0; j < h; ++j, d += dStride, s += sStride) {
            const __m256i a = load32(s), b = load32(s + n - 32);
            store32(d, a), store32(d + n - 32, b);
        }
    else if (n <= 128)
        for (std::int32_t j = 0; j < h; ++j, d += dStride, s += sStride) {
            const __m256i a = load32(s), b = load32(s + 32), c = load32(s + n - 64), e = load32(s + n - 32);
            store32(d, a), store32(d + 32, b), store32(d + n - 64, c), store32(d + n - 32, e);
        }
    else
        for (std::int32_t j = 0; j < h; ++j, d += dStride, s += sStride) copyRow(d, s, n);
}

}  // namespace talvo::g::wide

#endif  // TALVO_SIMD_X86
