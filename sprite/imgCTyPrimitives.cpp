// Fill and line primitives: one native value written through the lock protocol, clipped to the image.
#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "sprite/ctyRuntime.h"
#include "sprite/imgCTy.h"
#include "sprite/imgScopedLock.h"

namespace {

// One pixel write of B bytes: the colour's low B bytes, least significant first.
template <int B>
inline void putPel(std::uint8_t* p, std::uint32_t colour)
{
    if constexpr (B == 1) {
        *p = static_cast<std::uint8_t>(colour);
    } else if constexpr (B == 2) {
        const auto v = static_cast<std::uint16_t>(colour);
        std::memcpy(p, &v, 2);
    } else if constexpr (B == 3) {
        p[0] = static_cast<std::uint8_t>(colour);
        p[1] = static_cast<std::uint8_t>(colour >> 8);
        p[2] = static_cast<std::uint8_t>(colour >> 16);
    } else {
        std::memcpy(p, &colour, 4);
    }
}

// count pixels from p. The 2- and 4-byte colours repeat within 8 bytes, so the run goes out
// in blocks of 64 bytes (several stores per loop step) and then 8-byte words; unaligned
// stores are fine here.
template <int B>
void putRun(std::uint8_t* p, std::int64_t count, std::uint32_t colour)
{
    if constexpr (B == 1) {
        std::memset(p, static_cast<std::uint8_t>(colour), static_cast<std::size_t>(count));
    } else if constexpr (B == 2 || B == 4) {
        const std::uint64_t word = B == 2 ? (colour & 0xFFFFu) * 0x0001000100010001ull : colour * 0x0000000100000001ull;
        const std::int64_t bytes = count * B;
        const std::uint64_t block[16] = {word, word, word, word, word, word, word, word, word, word, word, word, word, word, word, word};
        std::int64_t i = 0;
        for (; i + 128 <= bytes; i += 128) std::memcpy(p + i, block, 128);
        for (; i + 8 <= bytes; i += 8) std::memcpy(p + i, &word, 8);
        for (; i < bytes; i += B) putPel<B>(p + i, colour);
    } else {
        for (std::int64_t i = 0; i < count; ++i) putPel<B>(p + i * B, colour);
    }
}

// Calls body.operator()<B>() with the pixel size of a kind whose pixels the library writes;
// false for the other kinds.
template <class Body>
bool withPelSize(int kind, Body&& body)
{
    const PelKindInfo* info = pelKindOf(kind);
    if (info == nullptr || !info->pixels) return false;
    switch (info->bytes) {
    case 1: body.template operator()<1>(); break;
    case 2: body.template operator()<2>(); break;
    case 3: body.template operator()<3>(); break;
    default: body.template operator()<4>(); break;
    }
    return true;
}

// A half-open box in 64 bits, so far-apart ends and long lengths neither overflow nor wrap.
struct Box {
    std::int64_t x0, y0, x1, y1;
    [[nodiscard]] bool empty() const { return x0 >= x1 || y0 >= y1; }
};

Box intersect(const Box& a, const Box& b)
{
    return {std::max(a.x0, b.x0), std::max(a.y0, b.y0), std::min(a.x1, b.x1), std::min(a.y1, b.y1)};
}

Box boxOf(const imgRect& r) { return {r.x, r.y, std::int64_t{r.x} + r.width, std::int64_t{r.y} + r.height}; }

// Where the pixels of one call go: the wanted box inside the image and inside a lock that the
// caller holds (which is used and kept); the image is locked there otherwise.
class Target {
public:
    Target(imgCTy& image, const Box& wanted, int access) : image_(image)
    {
        area_ = intersect(wanted, {0, 0, image.width, image.height});
        if (image.lockedPels != nullptr) area_ = intersect(area_, boxOf(image.lockRect));
        if (area_.empty()) return;
        const imgRect rect{static_cast<std::int32_t>(area_.x0), static_cast<std::int32_t>(area_.y0),
                           static_cast<std::int32_t>(area_.x1 - area_.x0),
                           static_cast<std::int32_t>(area_.y1 - area_.y0)};
        lock_.emplace(image, &rect, access);
        origin_ = lock_->Span(rect.x, rect.y, rect.width);
    }

    [[nodiscard]] const Box& area() const { return area_; }
    // Null when nothing can be written.
    [[nodiscard]] std::uint8_t* origin() const { return origin_; }
    // The pixel (x, y) of the area.
    template <int B>
    [[nodiscard]] std::uint8_t* at(std::int64_t x, std::int64_t y) const
    {
        return origin_ + ((y - area_.y0) * image_.lockPitch + (x - area_.x0)) * B;
    }

    // Runs body.operator()<B>() with the kind's pixel size when there is anything to write;
    // kinds without a pixel writer post `unsupported`.
    template <class Body>
    void run(const char* unsupported, Body&& body)
    {
        const bool known = withPelSize(image_.pelFmt.kind, [&]<int B>() {
            if (origin_ != nullptr) body.template operator()<B>();
        });
        if (!known) ctyErrorf(4, "%s", unsupported);
    }

private:
    imgCTy& image_;
    Box area_{};
    std::optional<imgScopedLock> lock_;
    std::uint8_t* origin_ = nullptr;
};

// The accumulator after n more steps a = a + step, bit for bit as the step-by-step sum.
// NOTE: inside one binade of a (one exponent, grid spacing u) a + step rounds to a + m*u or
// a + (m+1)*u, chosen by the part of step below u and, for an exact half, by the parity of a/u;
// after one step inside the binade the parity settles, so the increment stays the same until a
// leaves the binade. Whole stretches are therefore taken by one multiplication, which is exact
// there, and lines far outside the image cost a few steps per binade instead of one per pixel.
double advance(double a, double step, std::int64_t n)
{
    // Axis-parallel lines: a + 0 is a, and the loop below would take a = 0 one step at a time.
    if (step == 0) return a;
    while (n > 0) {
        const double y = a + step;
        --n;
        if (n < 2 || y == 0 || std::fabs(y) < DBL_MIN) {
            a = y;
            continue;
        }
        const double z = y + step;
        int ea, ey, ez;
        std::frexp(a, &ea);
        std::frexp(y, &ey);
        std::frexp(z, &ez);
        if (a == 0 || (a > 0) != (y > 0) || (y > 0) != (z > 0) || ea != ey || ey != ez) {
            a = y;
            continue;
        }
        const double d = z - y;  // exact: both in one binade
        if (d == 0) return y;    // the step vanishes below the grid for good
        const double mag = std::fabs(y), md = std::fabs(d);
        const bool growing = (d > 0) == (y > 0);
        const double room = growing ? std::ldexp(1.0, ey) - mag : mag - std::ldexp(1.0, ey - 1);
        const double fit = std::floor(room / md) - 1;  // one short of the edge, whatever the rounding
        const std::int64_t j = fit < 1 ? 0 : std::min<std::int64_t>(n, static_cast<std::int64_t>(std::min(fit, 0x1p62)));
        a = y + static_cast<double>(j) * d;
        n -= j;
    }
    return a;
}

}  // namespace

void imgCTy::Fill(std::uint32_t colour, const imgRect* rect)
{
    const imgRect whole{0, 0, width, height};
    Target target(*this, boxOf(rect != nullptr ? *rect : whole), 0);
    target.run("imgCTy::Fill: This is not impelmetned yet", [&]<int B>() {
        const Box& a = target.area();
        // Rows that follow each other without a gap are one run.
        if (a.y1 - a.y0 > 1 && target.at<B>(a.x0, a.y0 + 1) == target.at<B>(a.x1, a.y0)) {
            putRun<B>(target.origin(), (a.x1 - a.x0) * (a.y1 - a.y0), colour);
            return;
        }
        for (std::int64_t y = a.y0; y < a.y1; ++y) putRun<B>(target.at<B>(a.x0, y), a.x1 - a.x0, colour);
    });
}

void imgCTy::DrawHLine(std::uint32_t colour, int x, int y, int length, std::uint32_t pattern)
{
    Target target(*this, {x, y, std::int64_t{x} + length, std::int64_t{y} + 1}, 2);
    target.run("imgCTy::DrawHLine: This is not impelmetned yet", [&]<int B>() {
        const Box& a = target.area();
        std::uint8_t* p = target.at<B>(a.x0, y);
        if (pattern == 0xFFFFFFFF) {
            putRun<B>(p, a.x1 - a.x0, colour);
            return;
        }
        for (std::int64_t px = a.x0; px < a.x1; ++px, p += B)
            if ((pattern >> ((px - x) & 31) & 1) != 0) putPel<B>(p, colour);
    });
}

void imgCTy::DrawVLine(std::uint32_t colour, int x, int y, int length, std::uint32_t pattern)
{
    Target target(*this, {x, y, std::int64_t{x} + 1, std::int64_t{y} + length}, 2);
    target.run("imgCTy::DrawVLine: This is not impelmetned yet", [&]<int B>() {
        const Box& a = target.area();
        for (std::int64_t py = a.y0; py < a.y1; ++py)
            if ((pattern >> ((py - y) & 31) & 1) != 0) putPel<B>(target.at<B>(x, py), colour);
    });
}

void imgCTy::DrawLine(std::uint32_t colour, int x0, int y0, int x1, int y1, std::uint32_t)
{
    const std::int64_t nx = std::abs(std::int64_t{x1} - x0) + 1, ny = std::abs(std::int64_t{y1} - y0) + 1;
    const std::int64_t xmin = std::min(x0, x1), ymin = std::min(y0, y1);
    Target target(*this, {xmin, ymin, xmin + nx, ymin + ny}, 2);
    target.run("imgCTy::DrawLine: This is not impelmetned yet", [&]<int B>() {
        // Along the major axis (x on ties) one pixel per step; the minor coordinate follows the
        // accumulator, rounded half up, from the end point with the smaller major coordinate.
        const bool xMajor = nx >= ny;
        const std::int64_t n = xMajor ? nx : ny, minorCount = xMajor ? ny : nx;
        const std::int64_t majorMin = xMajor ? xmin : ymin, minorMin = xMajor ? ymin : xmin;
        const bool firstStarts = xMajor ? x0 <= x1 : y0 <= y1;
        const std::int64_t startMinor = xMajor ? (firstStarts ? y0 : y1) : (firstStarts ? x0 : x1);
        const std::int64_t endMinor = xMajor ? (firstStarts ? y1 : y0) : (firstStarts ? x1 : x0);
        double step = static_cast<double>(minorCount - 1) / static_cast<double>(n);
        if (endMinor < startMinor) step = -step;
        const Box& a = target.area();
        const std::int64_t majorLo = xMajor ? a.x0 : a.y0, majorHi = xMajor ? a.x1 : a.y1;
        const std::int64_t minorLo = xMajor ? a.y0 : a.x0, minorHi = xMajor ? a.y1 : a.x1;
        const std::int64_t first = std::max<std::int64_t>(0, majorLo - majorMin);
        const std::int64_t last = std::min(n, majorHi - majorMin);
        double acc = advance(static_cast<double>(startMinor - minorMin), step, first);
        for (std::int64_t i = first; i < last; ++i, acc += step) {
            const std::int64_t minor = minorMin + static_cast<std::int64_t>(acc + 0.5);
            if (minor < minorLo || minor >= minorHi) continue;
            const std::int64_t major = majorMin + i;
            putPel<B>(xMajor ? target.at<B>(major, minor) : target.at<B>(minor, major), colour);
        }
    });
}
