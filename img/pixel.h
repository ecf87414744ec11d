// The eight pixel structs: byte storage (alignment 1), fields by a layout table, key equality, conversions.
#pragma once

#include <array>
#include <cstdint>
#include <type_traits>

#include "img/pel_fmt_id.h"
#include "img/scale_tables.h"

namespace talvo::g {

// The fourth field is the alpha of an Rgba format or the x bits of an Rgbx format.
enum class Channel : std::uint8_t { r, g, b, a };

// A field's place in the pixel value; width 0 when the format lacks it.
struct FieldLayout {
    std::uint8_t shift = 0;
    std::uint8_t width = 0;

    [[nodiscard]] constexpr std::uint32_t mask() const noexcept { return ((1u << width) - 1u) << shift; }
};

struct PelLayout {
    FieldLayout r, g, b, a;
    bool alpha = false;  // a holds alpha (true) or x bits without meaning (false)

    [[nodiscard]] constexpr FieldLayout field(Channel c) const noexcept {
        return c == Channel::r ? r : c == Channel::g ? g : c == Channel::b ? b : a;
    }
    // The bits a colour key compares: colour and alpha, never x bits.
    [[nodiscard]] constexpr std::uint32_t keyMask() const noexcept {
        return r.mask() | g.mask() | b.mask() | (alpha ? a.mask() : 0u);
    }
    // The x bits, which in-place conversions leave as they were.
    [[nodiscard]] constexpr std::uint32_t xMask() const noexcept { return alpha ? 0u : a.mask(); }
};

// Indexed by PelFmtId rgb888 to rgba4444 (entry 0 unused); shifts are within the pixel value.
inline constexpr PelLayout pelLayouts[fmtId::rgba4444 + 1] = {
    {},
    {{16, 8}, {8, 8}, {0, 8}, {0, 0}, false},    // Rgb888: bytes B, G, R
    {{16, 8}, {8, 8}, {0, 8}, {24, 8}, false},   // Rgbx8888
    {{16, 8}, {8, 8}, {0, 8}, {24, 8}, true},    // Rgba8888
    {{11, 5}, {5, 6}, {0, 5}, {0, 0}, false},    // Rgb565
    {{10, 5}, {5, 5}, {0, 5}, {15, 1}, false},   // Rgbx5551
    {{10, 5}, {5, 5}, {0, 5}, {15, 1}, true},    // Rgba5551
    {{8, 4}, {4, 4}, {0, 4}, {12, 4}, false},    // Rgbx4444
    {{8, 4}, {4, 4}, {0, 4}, {12, 4}, true},     // Rgba4444
};

template <PelFmtId Id>
struct Pixel;

template <PelFmtId D, PelFmtId S>
constexpr void assign(Pixel<D>& dst, const Pixel<S>& src) noexcept;

// One pixel of format Id as its little-endian bytes, so rows at any address or pitch are arrays of it.
template <PelFmtId Id>
struct Pixel {
    static_assert(Id >= fmtId::rgb888 && Id <= fmtId::rgba4444, "pixel structs exist for the formats 1 to 8");
    static constexpr PelFmtId id = Id;
    static constexpr std::uint32_t bytes = pelFmtBytes[Id];
    static constexpr PelLayout layout = pelLayouts[Id];

    std::uint8_t raw[bytes];

    Pixel() = default;  // Pixel{} is all zero; Pixel p; is not initialised, like a pixel of a fresh image
    // The value of the source in this format with x bits 0 (for Rgbx8888 from Rgb888: the colour bytes).
    template <PelFmtId S>
        requires(S != Id)
    constexpr explicit Pixel(const Pixel<S>& src) noexcept : raw{} {
        assign(*this, src);
    }

    [[nodiscard]] static constexpr Pixel fromValue(std::uint32_t value) noexcept {
        Pixel p;
        p.setValue(value);
        return p;
    }
    [[nodiscard]] constexpr std::uint32_t value() const noexcept { return loadPixelValue<bytes>(raw); }
    constexpr void setValue(std::uint32_t value) noexcept { storePixelValue<bytes>(raw, value); }

    template <Channel C>
    [[nodiscard]] constexpr std::uint32_t get() const noexcept {
        constexpr FieldLayout f = layout.field(C);
        static_assert(f.width != 0, "the format has no such field");
        return (value() >> f.shift) & ((1u << f.width) - 1u);
    }
    template <Channel C>
    constexpr void set(std::uint32_t v) noexcept {
        constexpr FieldLayout f = layout.field(C);
        static_assert(f.width != 0, "the format has no such field");
        setValue((value() & ~f.mask()) | ((v << f.shift) & f.mask()));
    }

    // Colour-key equality: Rgba formats compare alpha too, Rgbx formats ignore their x bits.
    [[nodiscard]] friend constexpr bool operator==(const Pixel& a, const Pixel& b) noexcept {
        return ((a.value() ^ b.value()) & layout.keyMask()) == 0;
    }
};

using Rgb888 = Pixel<fmtId::rgb888>;
using Rgbx8888 = Pixel<fmtId::rgbx8888>;
using Rgba8888 = Pixel<fmtId::rgba8888>;
using Rgb565 = Pixel<fmtId::rgb565>;
using Rgbx5551 = Pixel<fmtId::rgbx5551>;
using Rgba5551 = Pixel<fmtId::rgba5551>;
using Rgbx4444 = Pixel<fmtId::rgbx4444>;
using Rgba4444 = Pixel<fmtId::rgba4444>;

static_assert(sizeof(Rgb888) == 3 && sizeof(Rgbx8888) == 4 && sizeof(Rgba8888) == 4 && sizeof(Rgb565) == 2 &&
              sizeof(Rgbx5551) == 2 && sizeof(Rgba5551) == 2 && sizeof(Rgbx4444) == 2 && sizeof(Rgba4444) == 2);
static_assert(alignof(Rgb888) == 1 && alignof(Rgbx8888) == 1 && alignof(Rgb565) == 1);
static_assert(std::is_trivially_copyable_v<Rgb888> && std::is_trivially_default_constructible_v<Rgb565>);

template <class T>
inline constexpr bool isPixel = false;
template <PelFmtId Id>
inline constexpr bool isPixel<Pixel<Id>> = true;

// What happens to the destination's fourth field when converting from a source format.
enum class AlphaRule : std::uint8_t { none, keep, max, scale };

// The rule of one (destination, source) pair: each colour field is scaled from the source's width to
// the destination's (copied at equal widths); alpha is scaled, set to its maximum, or x bits kept.
struct ConversionRule {
    FieldLayout dr, dg, db, da;
    FieldLayout sr, sg, sb, sa;
    AlphaRule alpha = AlphaRule::none;
};

// A table [destination][source] over the formats rgb888 to rgba4444, each cell from rule(d, s).
template <class T, class Rule>
constexpr auto pairTable(Rule rule) {
    std::array<std::array<T, fmtId::rgba4444 + 1>, fmtId::rgba4444 + 1> t{};
    for (PelFmtId d = fmtId::rgb888; d <= fmtId::rgba4444; ++d)
        for (PelFmtId s = fmtId::rgb888; s <= fmtId::rgba4444; ++s) t[d][s] = rule(d, s);
    return t;
}

// Indexed [destination][source] by PelFmtId rgb888 to rgba4444.
inline constexpr auto conversionRules = pairTable<ConversionRule>([](PelFmtId d, PelFmtId s) {
    const PelLayout& dl = pelLayouts[d];
    const PelLayout& sl = pelLayouts[s];
    const AlphaRule alpha = dl.a.width == 0 ? AlphaRule::none
                            : !dl.alpha     ? AlphaRule::keep
                            : sl.alpha      ? AlphaRule::scale
                                            : AlphaRule::max;
    return ConversionRule{dl.r, dl.g, dl.b, dl.a, sl.r, sl.g, sl.b, sl.a, alpha};
});

// The destination value of a conversion from the fields `field(f)` gives for the source's layouts f:
// colour (and alpha) from the source, x bits from `old`.
template <PelFmtId D, PelFmtId S, class Field>
[[nodiscard]] constexpr std::uint32_t convertFields(std::uint32_t old, Field field) noexcept {
    constexpr ConversionRule rule = conversionRules[D][S];
    std::uint32_t out = 0;
    if constexpr (rule.alpha == AlphaRule::keep) out = old & rule.da.mask();
    out |= scaleField<rule.sr.width, rule.dr.width>(field(rule.sr)) << rule.dr.shift;
    out |= scaleField<rule.sg.width, rule.dg.width>(field(rule.sg)) << rule.dg.shift;
    out |= scaleField<rule.sb.width, rule.db.width>(field(rule.sb)) << rule.db.shift;
    if constexpr (rule.alpha == AlphaRule::max) out |= rule.da.mask();
    if constexpr (rule.alpha == AlphaRule::scale)
        out |= scaleField<rule.sa.width, rule.da.width>(field(rule.sa)) << rule.da.shift;
    return out;
}

// In-place conversion: writes the destination's colour (and alpha) fields from the source and keeps
// its x bits; the same format copies the pixel whole.
template <PelFmtId D, PelFmtId S>
constexpr void assign(Pixel<D>& dst, const Pixel<S>& src) noexcept {
    if constexpr (D == S) {
        dst = src;
    } else {
        const std::uint32_t s = src.value();
        dst.setValue(convertFields<D, S>(dst.value(), [s](FieldLayout f) { return (s & f.mask()) >> f.shift; }));
    }
}

// Calls f.template operator()<Id>() for a format of 1 to 8 and gives its result, else `otherwise`.
template <class R, class F>
constexpr R withPixelFormat(PelFmtId id, R otherwise, F&& f) {
    switch (id) {
        case fmtId::rgb888: return f.template operator()<fmtId::rgb888>();
        case fmtId::rgbx8888: return f.template operator()<fmtId::rgbx8888>();
        case fmtId::rgba8888: return f.template operator()<fmtId::rgba8888>();
        case fmtId::rgb565: return f.template operator()<fmtId::rgb565>();
        case fmtId::rgbx5551: return f.template operator()<fmtId::rgbx5551>();
        case fmtId::rgba5551: return f.template operator()<fmtId::rgba5551>();
        case fmtId::rgbx4444: return f.template operator()<fmtId::rgbx4444>();
        case fmtId::rgba4444: return f.template operator()<fmtId::rgba4444>();
        default: return otherwise;
    }
}

// The pixel value of a source pixel in a target format; targets outside 1 to 8 give 0. Between
// formats x bits come out 0; the same format returns the source as it is, but Rgbx8888 without x.
template <class Src>
    requires isPixel<Src>
[[nodiscard]] constexpr std::uint32_t convertPixelFrom(const Src& src, PelFmtId target) noexcept {
    return withPixelFormat(target, std::uint32_t{0}, [&]<PelFmtId T>() -> std::uint32_t {
        if constexpr (T == Src::id) {
            return T == fmtId::rgbx8888 ? src.value() & ~Src::layout.xMask() : src.value();
        } else {
            Pixel<T> dst{};
            assign(dst, src);
            return dst.value();
        }
    });
}

}  // namespace talvo::g
