// A cairo drawing surface and its conversion into finished 5-6-5 pictures.
#include "tools/assetgen/Canvas.h"

#include <stdexcept>

namespace assetgen {

namespace {
// 4x4 Bayer matrix, thresholds 0..15.
constexpr int bayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};

Rgb quantise(int r, int g, int b, int x, int y) {
    return {quantiseChannel(r, 5, x, y), quantiseChannel(g, 6, x, y), quantiseChannel(b, 5, x, y)};
}
} // namespace

std::uint8_t quantiseChannel(int value, int bits, int x, int y) {
    const int step = 1 << (8 - bits);
    const int maxLevel = (1 << bits) - 1;
    // floor(value / step + t) with t = bayer / 16 in [0, 1): exact levels map onto themselves.
    int level = (value * 16 + bayer[y & 3][x & 3] * step) / (16 * step);
    if (level > maxLevel) level = maxLevel;
    if (level < 0) level = 0;
    return static_cast<std::uint8_t>(level << (8 - bits));
}

Canvas::Canvas(int width, int height, bool transparent)
    : width_(width), height_(height),
      surface_(cairo_image_surface_create(transparent ? CAIRO_FORMAT_ARGB32 : CAIRO_FORMAT_RGB24,
                                          width, height)),
      cr_(cairo_create(surface_)) {
    if (cairo_surface_status(surface_) != CAIRO_STATUS_SUCCESS)
        throw std::runtime_error("cairo surface could not be created");
    if (!transparent) {
        cairo_set_source_rgb(cr_, 0, 0, 0);
        cairo_paint(cr_);
    }
}

Canvas::~Canvas() {
    cairo_destroy(cr_);
    cairo_surface_destroy(surface_);
}

// Walks the canvas's ARGB pixels; `convert` turns one (pixel, x, y) into a picture colour.
template <class Convert>
Picture Canvas::convertPixels(Convert convert) const {
    cairo_surface_flush(surface_);
    const unsigned char* data = cairo_image_surface_get_data(surface_);
    const int stride = cairo_image_surface_get_stride(surface_);
    Picture out(width_, height_);
    for (int y = 0; y < height_; ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride);
        for (int x = 0; x < width_; ++x)
            out.at(x, y) = convert(row[x], x, y);
    }
    return out;
}

Picture Canvas::toOpaque() const {
    return convertPixels([](std::uint32_t p, int x, int y) {
        return quantise((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF, x, y);
    });
}

Picture Canvas::toKeyed() const {
    return convertPixels([](std::uint32_t p, int x, int y) {
        const int a = static_cast<int>(p >> 24);
        if (a < 128)
            return Rgb{0, 0, 0};
        // Premultiplied: undo it so the edge keeps the shape's own colour, not a dark fringe.
        auto un = [a](std::uint32_t c) { return static_cast<int>((c * 255 + a / 2) / a); };
        Rgb c = quantise(un((p >> 16) & 0xFF), un((p >> 8) & 0xFF), un(p & 0xFF), x, y);
        if (isKeyBlack(c)) c = Rgb{8, 4, 8};
        return c;
    });
}

void paintPicture(cairo_t* cr, const Picture& picture, int x, int y, bool keyed) {
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, picture.width, picture.height);
    cairo_surface_flush(s);
    unsigned char* data = cairo_image_surface_get_data(s);
    const int stride = cairo_image_surface_get_stride(s);
    for (int py = 0; py < picture.height; ++py) {
        auto* row = reinterpret_cast<std::uint32_t*>(data + static_cast<std::ptrdiff_t>(py) * stride);
        for (int px = 0; px < picture.width; ++px) {
            const Rgb c = picture.at(px, py);
            row[px] = keyed && isKeyBlack(c) ? 0u
                                             : 0xFF000000u | (std::uint32_t(c.r) << 16) |
                                                   (std::uint32_t(c.g) << 8) | c.b;
        }
    }
    cairo_surface_mark_dirty(s);
    cairo_save(cr);
    cairo_set_source_surface(cr, s, x, y);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
    cairo_rectangle(cr, x, y, picture.width, picture.height);
    cairo_fill(cr);
    cairo_restore(cr);
    cairo_surface_destroy(s);
}

void writePng(const Picture& picture, const std::string& path) {
    Canvas canvas(picture.width, picture.height);
    paintPicture(canvas.cr(), picture, 0, 0, false);
    cairo_surface_t* s = cairo_get_target(canvas.cr());
    cairo_surface_flush(s);
    if (cairo_surface_write_to_png(s, path.c_str()) != CAIRO_STATUS_SUCCESS)
        throw std::runtime_error("cannot write " + path);
}

} // namespace assetgen
