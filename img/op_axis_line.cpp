// Horizontal and vertical dashed lines: segment clipping in 64 bits and the writers by pixel size.
#include <bit>
#include <type_traits>
#include <utility>

#include "img/clip.h"
#include "img/image.h"
#include "img/op_dispatch.h"

namespace talvo::g {

namespace {

template <std::uint32_t B, bool Vertical>
void drawAxisLine(Image& image, const Rect* clip, std::uint32_t colour, Point start, std::int32_t length,
                  std::uint32_t pattern) {
    const Rect box = settleArea(image, clip);
    const Segment line{start.x, start.y, Vertical ? start.x : std::int64_t{start.x} + length,
                       Vertical ? std::int64_t{start.y} + length : start.y};
    Segment cut;
    if (box.empty() || !clipSegment(line, box, cut)) return;
    if (cut.y0 > cut.y1) std::swap(cut.y0, cut.y1);  // a vertical walk runs downward
    const Rect covered = segmentBounds(cut);
    Image::Lock lock(image, &covered, Image::lockReadWrite);
    if (lock.bits == nullptr) return;
    // Turn the pattern so its bit 0 belongs to the walk's first pixel, keeping the phase of the start.
    const std::int64_t offset = Vertical ? cut.y0 - start.y : cut.x0 - start.x;
    std::uint32_t bits = std::rotr(pattern, static_cast<int>(offset & 31));
    const std::int64_t count = Vertical ? cut.y1 - cut.y0 + 1 : cut.x1 - cut.x0 + 1;
    const std::ptrdiff_t step = Vertical ? std::ptrdiff_t{lock.pitch} : std::ptrdiff_t{B};
    std::uint8_t* p = lock.bits;
    for (std::int64_t i = 0; i < count; ++i, p += step) {
        if ((bits & 1) != 0) storePixelValue<B>(p, colour);
        bits = std::rotr(bits, 1);
    }
}

// The writers by pixel size.
constexpr auto& drawHLine16 = drawAxisLine<2, false>;
constexpr auto& drawHLine24 = drawAxisLine<3, false>;
constexpr auto& drawHLine32 = drawAxisLine<4, false>;
constexpr auto& drawVLine16 = drawAxisLine<2, true>;
constexpr auto& drawVLine24 = drawAxisLine<3, true>;
constexpr auto& drawVLine32 = drawAxisLine<4, true>;

template <class Line>
struct WriteAxisLine {
    template <std::uint32_t B>
    void operator()(const Line& op) const {
        auto& draw = std::is_same_v<Line, UOpVLineStd> ? writerFor<B>(drawVLine16, drawVLine24, drawVLine32)
                                                        : writerFor<B>(drawHLine16, drawHLine24, drawHLine32);
        draw(*op.dst, op.rect, op.colour, Point{op.x, op.y}, op.length, op.pattern);
    }
};

template <class F>
using UOpHLineStdImplementation = OneImageWorker<UOpHLineStd, WriteAxisLine<UOpHLineStd>>;
template <class F>
using UOpVLineStdImplementation = OneImageWorker<UOpVLineStd, WriteAxisLine<UOpVLineStd>>;

}  // namespace

TALVO_G_FIRST_DISPATCH(UOpHLineStd, UOpHLineStdImplementation, dst)
TALVO_G_FIRST_DISPATCH(UOpVLineStd, UOpVLineStdImplementation, dst)

}  // namespace talvo::g
