// The graphics core's abstract image: size, format, colour key, clip rectangle, pixels reached by locks.
#pragma once

#include <cstdint>
#include <memory>

#include "img/op.h"
#include "img/pel_fmt.h"
#include "img/rect.h"

namespace talvo::g {

class ImageContext;

// 0 nearest neighbour, 1 to 4 filtered (img/resample.h); above 4 nothing is sampled.
using ResampleMode = std::uint32_t;

class Image {
public:
    // Lock modes; an ImageRow treats them alike.
    static constexpr std::uint32_t lockReadWrite = 0;
    static constexpr std::uint32_t lockRead = 1;
    static constexpr std::uint32_t lockWrite = 3;  // every pixel written, none read

    // Scoped access to a rectangle: bits is its top-left pixel, pitch the bytes between rows (may be
    // negative). Unlocks on destruction while bits is set; a holder that unlocks early clears bits.
    struct Lock {
        Image* image;
        Rect rect;
        std::uint32_t mode;
        std::uint8_t* bits = nullptr;
        std::int32_t pitch = 0;

        // A null rectangle locks the whole image. The rectangle is not checked against the image.
        Lock(Image& image, const Rect* rect, std::uint32_t mode);
        Lock(const Lock&) = delete;
        Lock& operator=(const Lock&) = delete;
        virtual ~Lock();
    };

    Image() = default;
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;
    virtual ~Image() = default;

    // Owned pixels for the current size and format, not cleared. Raises talvo::Exception for a
    // negative size or a row beyond 2^31 - 1 bytes.
    virtual void allocate() = 0;
    // A new image of this size and format with these pixels, no key and its own pitch.
    [[nodiscard]] virtual std::unique_ptr<Image> clone() = 0;
    // Frees owned pixels (foreign memory is left alone) and clears the key flag.
    virtual void release() = 0;
    // Fills bits and pitch for the rectangle (null: the whole image); image and mode are already set.
    virtual void lock(Lock& lock, const Rect* rect, std::uint32_t mode) = 0;
    virtual void unlock(Lock& lock) = 0;

    // Key from a pixel value of this format; the key as Rgbx8888 is its colour (a palette entry's).
    virtual void setColorKey(std::uint32_t pixel);
    // Key flag off; the key values stay.
    virtual void clearColorKey();
    // The pixel value at (x, y); 0 for a point outside the image or a format without pixel values.
    [[nodiscard]] virtual std::uint32_t getPixel(std::int32_t x, std::int32_t y);
    virtual void bounds(Rect& rect) const;
    // Smallest rectangle outside which every pixel equals the key pixel (flag on or off); {0,0,0,0}
    // when none differs. Formats 0 and above 11 leave the rectangle as it was.
    virtual void opaqueBounds(Rect& rect);

    // The program's one operation factory.
    [[nodiscard]] virtual const ImageContext& context() const noexcept;

    // Four slots kept for later operations: each takes a 32-bit argument and does nothing; nothing calls them.
    virtual void reserved0(std::uint32_t) {}
    virtual void reserved1(std::uint32_t) {}
    virtual void reserved2(std::uint32_t) {}
    virtual void reserved3(std::uint32_t) {}

    // Runs an operation on this image: formats 1 to 8 pick the entry named after them, a palette applyIndexed,
    // 9, 10, 11 applyOther8/16/32; other formats nothing. A one-image operation's rectangle (null: the
    // whole image) is cut to the image and its clip rectangle first, and nothing runs when it is empty.
    // op.rect is restored on every path.
    void apply(Op& op);

    // Drawing calls. Rectangles may reach outside either image: each draw is cut to the source, the
    // destination and the destination's clip rectangle. Errors of the operations pass on unchanged.
    // Fills with a pixel value of this format (null: the whole image).
    void fill(std::uint32_t colour, const Rect* rect = nullptr);
    // Copies srcRect of src (null: all of it) with its top-left pixel to (x, y), converting formats.
    void blit(std::int32_t x, std::int32_t y, Image& src, const Rect* srcRect = nullptr);
    // Alpha draw and constant-alpha blend, placed like blit.
    void draw(std::int32_t x, std::int32_t y, Image& src, const Rect* srcRect = nullptr);
    void blendK(std::int32_t x, std::int32_t y, Image& src, const Rect* srcRect, std::uint32_t k);
    // Places any two-image operation like blit and applies it.
    void blitWith(std::int32_t x, std::int32_t y, Image& src, const Rect* srcRect, BOp& op);
    // Runs a two-image operation over dstRect; the source rectangle is cut to dstRect's size.
    void blitRectWith(const Rect& dstRect, Image& src, const Rect* srcRect, BOp& op);
    // Dashed lines in a pixel value of this format, cut to `clip` (null: the whole image).
    void hLine(std::uint32_t colour, Point start, std::int32_t length, std::uint32_t pattern = ~0u,
               const Rect* clip = nullptr);
    void vLine(std::uint32_t colour, Point start, std::int32_t length, std::uint32_t pattern = ~0u,
               const Rect* clip = nullptr);
    void line(std::uint32_t colour, const SegmentF& ends, std::uint32_t pattern = ~0u, const Rect* clip = nullptr);

    // Key from an Rgba8888 colour: the nearest pixel of this format; the colour itself, alpha byte
    // included, is kept as the key as Rgbx8888.
    void setColorKeyRgb(std::uint32_t rgba);

    // Remakes the pixel store at this size and format (the palette is copied): clears the key, resets
    // the clip rectangle to the new size when clipping is on. Raises talvo::Exception for a negative
    // size or a row beyond 2^31 - 1 bytes; any failure leaves the image as it was.
    void create(std::int32_t width, std::int32_t height, const PelFmt& format);

    // To width x height by the mode (img/resize.cpp); the same size does nothing.
    void resize(std::int32_t width, std::int32_t height, ResampleMode mode);
    // This image becomes `source` (which may be this image) resampled to width x height in its format,
    // without a colour key unless `source` has that size and a key. Raises create's exceptions; the
    // image is then unchanged.
    void resample(const Image& source, std::int32_t width, std::int32_t height, ResampleMode mode);

    // Drawing onto the image keeps inside the clip rectangle while it is set.
    void setClipRect(const Rect& rect) noexcept;
    void clearClipRect() noexcept { clipFlag_ = 0; }

    [[nodiscard]] std::int32_t width() const noexcept { return width_; }
    [[nodiscard]] std::int32_t height() const noexcept { return height_; }
    [[nodiscard]] const PelFmt& format() const noexcept { return format_; }
    [[nodiscard]] bool hasColorKey() const noexcept { return keyFlag_ != 0; }
    [[nodiscard]] std::uint32_t colorKeyRgbx() const noexcept { return keyRgbx_; }
    [[nodiscard]] std::uint32_t keyPixel() const noexcept { return keyPixel_; }
    [[nodiscard]] bool hasClipRect() const noexcept { return clipFlag_ != 0; }
    [[nodiscard]] const Rect& clipRect() const noexcept { return clipRect_; }

protected:
    void placeAndApply(std::int64_t x, std::int64_t y, std::int64_t w, std::int64_t h, Image& src,
                       const Rect& srcRect, BOp& op);

    // Allocates the new store first, then releases the old one and takes size and format (swapped
    // out of `format`), so a failure changes nothing.
    virtual void replacePixels(std::int32_t width, std::int32_t height, PelFmt& format) = 0;

    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
    PelFmt format_;
    std::uint32_t keyFlag_ = 0;
    std::uint32_t keyRgbx_ = 0;
    std::uint32_t keyPixel_ = 0;
    std::uint32_t clipFlag_ = 0;
    Rect clipRect_;
};

}  // namespace talvo::g
