// Stream buffer over one heap block that it owns and grows on demand.
#pragma once

#include <cstddef>
#include <streambuf>

#include "talvo/stream_buf.h"

namespace talvo::io {

// Get and put areas share one block. Positions are byte offsets from the block's start; the put
// area's end is the block's capacity. Writing makes the written bytes readable.
class MemBuf : public StreamBufEx {
public:
    MemBuf() = default;
    MemBuf(const MemBuf&) = delete;
    MemBuf& operator=(const MemBuf&) = delete;
    ~MemBuf() override;

    // Takes ownership of a block from malloc (null only with capacity 0), freeing any held one.
    // All capacity bytes become readable; writing starts at size.
    void set(char* block, std::size_t size, std::size_t capacity) noexcept;

    [[nodiscard]] std::size_t capacity() const noexcept;

protected:
    int_type underflow() override;
    int_type overflow(int_type c) override;
    pos_type seekpos(pos_type position, std::ios_base::openmode mode) override;
    pos_type seekoff(off_type offset, std::ios_base::seekdir direction,
                     std::ios_base::openmode mode) override;

private:
    // The furthest byte that reading may reach: what was made readable or written so far.
    [[nodiscard]] char* readableEnd() const noexcept;

    char* block_ = nullptr;
};

}  // namespace talvo::io
