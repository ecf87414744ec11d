// The growable memory buffer that the sprite library's object streams write into and read from.
#pragma once

#include <cstdint>

struct ctyMemBuffer {
    ctyMemBuffer() = default;
    ctyMemBuffer(const ctyMemBuffer&) = delete;
    ctyMemBuffer& operator=(const ctyMemBuffer&) = delete;
    ~ctyMemBuffer();

    // Copies n bytes to the position, growing the block by n + 10 MiB when it is full. A write
    // that cannot grow the block writes nothing, posts ctyCodeOutOfMemory and sets failed.
    void Write(const void* bytes, std::int32_t n);
    // The 4 bytes of a 32-bit value, least significant first.
    void Write32(std::uint32_t value);
    // Copies n bytes from the position and advances past them. Bytes beyond the written length
    // read as zeros, set failed and do not move the position past the length.
    void Read(void* dest, std::int32_t n);
    [[nodiscard]] std::uint32_t Read32();
    // Bytes between the position and the written length.
    [[nodiscard]] std::int32_t Remaining() const noexcept;

    std::int32_t length = 0;    // the highest position a write reached
    std::int32_t capacity = 0;  // bytes allocated
    std::int32_t position = 0;  // the read/write cursor
    std::uint8_t* data = nullptr;
    bool failed = false;  // sticky: a short read or a failed write happened
};
