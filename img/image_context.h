// The operation factory of the graphics core and the handle that gives operations back.
#pragma once

#include <cstdint>
#include <memory>

#include "img/op.h"

namespace talvo::g {

// Stateless; the one object is constant-initialised (Image::context), so no constructor or destructor runs.
// Factories set the fields they are given; rect, dst (and src, srcRect) are the caller's to set.
class ImageContext {
public:
    constexpr ImageContext() noexcept = default;

    [[nodiscard]] virtual const void* identity(const void* p) const noexcept { return p; }
    virtual void ignore(std::uint32_t, std::uint32_t) const noexcept {}
    [[nodiscard]] virtual UOpFillStd* makeFill(std::uint32_t colour) const;
    [[nodiscard]] virtual UOpHLineStd* makeHLine(std::uint32_t colour, const Point& start, std::int32_t length,
                                                 std::uint32_t pattern) const;
    [[nodiscard]] virtual UOpVLineStd* makeVLine(std::uint32_t colour, const Point& start, std::int32_t length,
                                                 std::uint32_t pattern) const;
    [[nodiscard]] virtual UOpLineStd* makeLine(std::uint32_t colour, const SegmentF& ends,
                                               std::uint32_t pattern) const;
    [[nodiscard]] virtual OpAssignStd* makeAssign() const;
    [[nodiscard]] virtual OpDrawStd* makeDraw() const;
    [[nodiscard]] virtual BOpAlphaK* makeAlphaK(std::uint32_t k) const;

    // Destroys an operation a factory made; null is ignored.
    static void release(Op* op) noexcept { delete op; }
};

struct OpRelease {
    void operator()(Op* op) const noexcept { ImageContext::release(op); }
};

// An operation given back by ImageContext::release on every path.
template <class T>
using OpHandle = std::unique_ptr<T, OpRelease>;

}  // namespace talvo::g
