// Cropping of finished pictures.
#include "tools/assetgen/Picture.h"

#include <stdexcept>

namespace assetgen {

Picture Picture::crop(const Box& box) const {
    if (box.x0 < 0 || box.y0 < 0 || box.x1 > width || box.y1 > height || box.width() <= 0 ||
        box.height() <= 0)
        throw std::invalid_argument("crop rectangle outside the picture");
    Picture out(box.width(), box.height());
    for (int y = 0; y < out.height; ++y)
        for (int x = 0; x < out.width; ++x) out.at(x, y) = at(box.x0 + x, box.y0 + y);
    return out;
}

} // namespace assetgen
