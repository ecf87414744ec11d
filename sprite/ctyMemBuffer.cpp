// The growable memory buffer under the object streams: writes grow it, reads stay inside it.
#include "sprite/ctyMemBuffer.h"

#include <cstring>
#include <limits>

#include "sprite/ctyRuntime.h"

namespace {
constexpr std::int64_t growth = 10 * 1024 * 1024;
}

ctyMemBuffer::~ctyMemBuffer() { ctyFree(data); }

void ctyMemBuffer::Write(const void* bytes, std::int32_t n)
{
    if (n <= 0 || position < 0) {
        failed = failed || n < 0 || position < 0;
        return;
    }
    const std::int64_t end = std::int64_t{position} + n;
    if (end >= capacity) {
        const std::int64_t grown = std::int64_t{capacity} + n + growth;
        void* block = grown <= std::numeric_limits<std::int32_t>::max()
                          ? ctyRealloc(data, static_cast<std::size_t>(grown))
                          : nullptr;
        if (block == nullptr) {
            if (grown > std::numeric_limits<std::int32_t>::max()) ctySetError(ctyCodeOutOfMemory);
            failed = true;
            return;
        }
        data = static_cast<std::uint8_t*>(block);
        capacity = static_cast<std::int32_t>(grown);
    }
    std::memcpy(data + position, bytes, static_cast<std::size_t>(n));
    position = static_cast<std::int32_t>(end);
    if (position > length) length = position;
}

void ctyMemBuffer::Write32(std::uint32_t value)
{
    const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
                                   static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
    Write(bytes, 4);
}

void ctyMemBuffer::Read(void* dest, std::int32_t n)
{
    if (n <= 0) {
        failed = failed || n < 0;
        return;
    }
    const std::int32_t available = Remaining();
    const std::int32_t taken = n < available ? n : available;
    if (taken > 0) std::memcpy(dest, data + position, static_cast<std::size_t>(taken));
    if (taken < n) {
        std::memset(static_cast<std::uint8_t*>(dest) + taken, 0, static_cast<std::size_t>(n - taken));
        failed = true;
    }
    position += taken;
}

std::uint32_t ctyMemBuffer::Read32()
{
    std::uint8_t bytes[4];
    Read(bytes, 4);
    return bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

std::int32_t ctyMemBuffer::Remaining() const noexcept
{
    return position < length && position >= 0 ? length - position : 0;
}
