// Scoped pixel access over the lock protocol, with bounds taken from the lock rectangle.
#include "sprite/imgScopedLock.h"

imgScopedLock::imgScopedLock(imgCTy& image, const imgRect* rect, int access)
    : image_(image), owned_(image.lockedPels == nullptr)
{
    if (owned_) image_.Lock(rect, access);
}

imgScopedLock::~imgScopedLock()
{
    if (owned_) image_.Unlock();
}

std::uint8_t* imgScopedLock::Span(int x, int y, int count) const noexcept
{
    const imgRect& r = image_.lockRect;
    if (image_.lockedPels == nullptr || count < 0 || x < r.x || y < r.y ||
        std::int64_t{x} + count > std::int64_t{r.x} + r.width || y >= std::int64_t{r.y} + r.height)
        return nullptr;
    const std::int64_t offset = (std::int64_t{y - r.y} * image_.lockPitch + (x - r.x)) *
                                imgPelBytes(image_.pelFmt.kind);
    return image_.lockedPels + offset;
}
