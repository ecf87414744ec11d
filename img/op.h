// Drawing operations: the records a destination image runs with Image::apply, dispatched twice by format.
#pragma once

#include <cstdint>

#include "img/pel_fmt_id.h"
#include "img/rect.h"

// The eight direct-colour formats as X(pixel struct, ...), in the order of Op's format entries: mints
// every operation's eight entries from one list. Each name is also the pixel struct's (img/pixel.h).
#define TALVO_G_DIRECT_FORMATS(X, ...)                                                                     \
    X(Rgbx4444, __VA_ARGS__) X(Rgba4444, __VA_ARGS__) X(Rgbx5551, __VA_ARGS__) X(Rgba5551, __VA_ARGS__) \
    X(Rgb565, __VA_ARGS__) X(Rgb888, __VA_ARGS__) X(Rgba8888, __VA_ARGS__) X(Rgbx8888, __VA_ARGS__)

// Declares the eight format entries of an operation as overrides.
#define TALVO_G_FORMAT_ENTRY_OVERRIDE(F, ...) void apply##F() override;
#define TALVO_G_FORMAT_ENTRIES TALVO_G_DIRECT_FORMATS(TALVO_G_FORMAT_ENTRY_OVERRIDE, )

namespace talvo::g {

class Image;

struct Point {
    std::int32_t x = 0;
    std::int32_t y = 0;
};

// End points of a general line.
struct SegmentF {
    float x0 = 0;
    float y0 = 0;
    float x1 = 0;
    float y1 = 0;
};

// The entries of both dispatches. Image::apply calls applyIndexed for a paletted image, applyOther8/16/32
// for the formats 9, 10, 11 and the entry named after the format for 1 to 8; an operation's entry knows
// its format, so it runs a worker built for it. Base entries do nothing.
struct Op {
    // One-image operations: the area (fill) or clip rectangle (lines), null for the whole image.
    // Two-image operations: x0, y0 is the destination point.
    const Rect* rect = nullptr;
    Image* dst = nullptr;

    Op() = default;
    Op(const Op&) = default;
    Op& operator=(const Op&) = default;
    virtual ~Op() = default;

    virtual void applyIndexed() {}
    virtual void applyOther8() {}
    virtual void applyOther16() {}
    virtual void applyOther32() {}
    virtual void applyRgbx4444() {}
    virtual void applyRgba4444() {}
    virtual void applyRgbx5551() {}
    virtual void applyRgba5551() {}
    virtual void applyRgb565() {}
    virtual void applyRgb888() {}
    virtual void applyRgba8888() {}
    virtual void applyRgbx8888() {}

    // Two-image operations leave their rectangles to the row walk, which cuts both together.
    [[nodiscard]] virtual bool readsSource() const noexcept { return false; }
};

struct BOp : Op {
    Image* src = nullptr;
    const Rect* srcRect = nullptr;  // null: the whole source

    [[nodiscard]] bool readsSource() const noexcept override { return true; }
};

// One-image operations write pixel values of the destination's format: formats without a pixel struct
// (paletted, 9, 10, 11) raise "NOT IMPLEMENTED".
struct UOp : Op {
    std::uint32_t colour = 0;  // a pixel value of the destination's format

    void applyIndexed() override;
    void applyOther8() override;
    void applyOther16() override;
    void applyOther32() override;
};

// Copy with conversion and the source's colour key.
struct OpAssignStd : BOp {
    void applyIndexed() override;
    void applyOther8() override;
    TALVO_G_FORMAT_ENTRIES
};

// Copy that mixes sources with alpha by their alpha; it copies all others as OpAssignStd does.
struct OpDrawStd : BOp {
    void applyIndexed() override;
    void applyOther8() override;
    TALVO_G_FORMAT_ENTRIES
};

// Mix at a constant opacity k, 0 to 255; larger values count as 255.
struct BOpAlphaK : BOp {
    std::uint32_t k = 0;

    void applyIndexed() override;
    void applyOther8() override;
    void applyOther16() override;
    void applyOther32() override;
    TALVO_G_FORMAT_ENTRIES
};

struct UOpFillStd : UOp {
    TALVO_G_FORMAT_ENTRIES
};

// Dashed axis lines from (x, y): the pixel at signed offset d from it is written when bit (d mod 32) of
// the pattern is set. The end is `length` further along the line; both ends belong to the line.
struct UOpHLineStd : UOp {
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t length = 0;
    std::uint32_t pattern = 0;

    TALVO_G_FORMAT_ENTRIES
};

struct UOpVLineStd : UOp {
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t length = 0;
    std::uint32_t pattern = 0;

    TALVO_G_FORMAT_ENTRIES
};

// A line between float end points; the walk's first pixel takes pattern bit 0.
struct UOpLineStd : UOp {
    float x0 = 0;
    float y0 = 0;
    float x1 = 0;
    float y1 = 0;
    std::uint32_t pattern = 0;

    TALVO_G_FORMAT_ENTRIES
};

}  // namespace talvo::g
