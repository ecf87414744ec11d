// Drawing operations: the records a destination image runs with Image::apply, dispatched twice by format.
#pragma once

#include <cstdint>

#include "img/pel_fmt_id.h"
#include "img/rect.h"

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
// for the formats 9, 10, 11 and applyFormat for 1 to 8; each entry of an operation resolves its format
// once, into a template. Base entries do nothing.
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
    virtual void applyFormat(PelFmtId) {}

    // Two-image operations leave their rectangles to the row walk, which cuts both together.
    [[nodiscard]] virtual bool readsSource() const noexcept { return false; }
};

struct BOp : Op {
    Image* src = nullptr;
    const Rect* srcRect = nullptr;  // null: the whole source

    [[nodiscard]] bool readsSource() const noexcept override { return true; }
};

struct UOp : Op {
    std::uint32_t colour = 0;  // a pixel value of the destination's format
};

// Copy with conversion and the source's colour key.
struct OpAssignStd : BOp {
    void applyIndexed() override;
    void applyOther8() override;
    void applyFormat(PelFmtId id) override;
};

// Copy that mixes sources with alpha by their alpha.
struct OpDrawStd : OpAssignStd {
    void applyFormat(PelFmtId id) override;
};

// Mix at a constant opacity k, 0 to 255; larger values count as 255.
struct BOpAlphaK : BOp {
    std::uint32_t k = 0;

    void applyIndexed() override;
    void applyOther8() override;
    void applyOther16() override;
    void applyOther32() override;
    void applyFormat(PelFmtId id) override;
};

// Entries shared by the one-image operations: formats without pixel structs raise "NOT IMPLEMENTED".
struct UOpStd : UOp {
    void applyIndexed() override;
    void applyOther8() override;
    void applyOther16() override;
    void applyOther32() override;
};

struct UOpFillStd : UOpStd {
    void applyFormat(PelFmtId id) override;
};

// Dashed axis lines: the pixel at signed offset d from (x, y) is written when bit (d mod 32) is set.
struct UOpHLineStd : UOpStd {
    Point start;
    std::int32_t length = 0;  // the end is start + length; both ends belong to the line
    std::uint32_t pattern = 0;

    void applyFormat(PelFmtId id) override;
};

struct UOpVLineStd : UOpHLineStd {
    void applyFormat(PelFmtId id) override;
};

// A line between float end points; the walk's first pixel takes pattern bit 0.
struct UOpLineStd : UOpStd {
    SegmentF ends;
    std::uint32_t pattern = 0;

    void applyFormat(PelFmtId id) override;
};

}  // namespace talvo::g
