// The operation factory and the drawing calls built on it.
#include "img/image_context.h"

#include <algorithm>

#include "img/clip.h"
#include "img/image.h"

namespace talvo::g {

namespace {

constinit const ImageContext theContext;

template <class Line>
Line* makeAxisLine(std::uint32_t colour, const Point& start, std::int32_t length, std::uint32_t pattern) {
    auto* op = new Line;
    op->colour = colour;
    op->x = start.x;
    op->y = start.y;
    op->length = length;
    op->pattern = pattern;
    return op;
}

// Applies a one-image operation and gives it back, also when apply raises.
template <class T>
void applyOnce(Image& image, T* made, const Rect* rect) {
    const OpHandle<T> op(made);
    op->rect = rect;
    op->dst = &image;
    image.apply(*op);
}

}  // namespace

UOpFillStd* ImageContext::makeFill(std::uint32_t colour) const {
    auto* op = new UOpFillStd;
    op->colour = colour;
    return op;
}

UOpHLineStd* ImageContext::makeHLine(std::uint32_t colour, const Point& start, std::int32_t length,
                                     std::uint32_t pattern) const {
    return makeAxisLine<UOpHLineStd>(colour, start, length, pattern);
}

UOpVLineStd* ImageContext::makeVLine(std::uint32_t colour, const Point& start, std::int32_t length,
                                     std::uint32_t pattern) const {
    return makeAxisLine<UOpVLineStd>(colour, start, length, pattern);
}

UOpLineStd* ImageContext::makeLine(std::uint32_t colour, const SegmentF& ends, std::uint32_t pattern) const {
    auto* op = new UOpLineStd;
    op->colour = colour;
    op->x0 = ends.x0;
    op->y0 = ends.y0;
    op->x1 = ends.x1;
    op->y1 = ends.y1;
    op->pattern = pattern;
    return op;
}

OpAssignStd* ImageContext::makeAssign() const { return new OpAssignStd; }
OpDrawStd* ImageContext::makeDraw() const { return new OpDrawStd; }

BOpAlphaK* ImageContext::makeAlphaK(std::uint32_t k) const {
    auto* op = new BOpAlphaK;
    op->k = k;
    return op;
}

const ImageContext& Image::context() const noexcept { return theContext; }

void Image::fill(std::uint32_t colour, const Rect* rect) { applyOnce(*this, context().makeFill(colour), rect); }

void Image::hLine(std::uint32_t colour, Point start, std::int32_t length, std::uint32_t pattern, const Rect* clip) {
    applyOnce(*this, context().makeHLine(colour, start, length, pattern), clip);
}

void Image::vLine(std::uint32_t colour, Point start, std::int32_t length, std::uint32_t pattern, const Rect* clip) {
    applyOnce(*this, context().makeVLine(colour, start, length, pattern), clip);
}

void Image::line(std::uint32_t colour, const SegmentF& ends, std::uint32_t pattern, const Rect* clip) {
    applyOnce(*this, context().makeLine(colour, ends, pattern), clip);
}

void Image::blit(std::int32_t x, std::int32_t y, Image& src, const Rect* srcRect) {
    const OpHandle<OpAssignStd> op(context().makeAssign());
    blitWith(x, y, src, srcRect, *op);
}

void Image::draw(std::int32_t x, std::int32_t y, Image& src, const Rect* srcRect) {
    const OpHandle<OpDrawStd> op(context().makeDraw());
    blitWith(x, y, src, srcRect, *op);
}

void Image::blendK(std::int32_t x, std::int32_t y, Image& src, const Rect* srcRect, std::uint32_t k) {
    const OpHandle<BOpAlphaK> op(context().makeAlphaK(k));
    blitWith(x, y, src, srcRect, *op);
}

void Image::blitWith(std::int32_t x, std::int32_t y, Image& src, const Rect* srcRect, BOp& op) {
    Rect s;
    src.bounds(s);
    if (srcRect != nullptr) s = *srcRect;
    placeAndApply(x, y, INT64_MAX, INT64_MAX, src, s, op);
}

void Image::blitRectWith(const Rect& dstRect, Image& src, const Rect* srcRect, BOp& op) {
    Rect s;
    src.bounds(s);
    if (srcRect != nullptr) s = *srcRect;
    placeAndApply(dstRect.x0, dstRect.y0, std::int64_t{dstRect.x1} - dstRect.x0,
                  std::int64_t{dstRect.y1} - dstRect.y0, src, s, op);
}

void Image::placeAndApply(std::int64_t x, std::int64_t y, std::int64_t w, std::int64_t h, Image& src,
                          const Rect& srcRect, BOp& op) {
    BlitArea area;
    if (!clipBlit(*this, x, y, src, srcRect, w, h, area)) return;
    // The operation must not keep pointers to this frame's rectangles.
    struct Unset {
        BOp& op;
        ~Unset() { op.rect = op.srcRect = nullptr; }
    } unset{op};
    op.rect = &area.dst;
    op.dst = this;
    op.src = &src;
    op.srcRect = &area.src;
    apply(op);
}

}  // namespace talvo::g
