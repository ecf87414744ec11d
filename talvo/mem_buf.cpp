// Memory stream buffer: geometric growth; reads never leave the bytes written, writes may skip ahead.
#include "talvo/mem_buf.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace talvo::io {

namespace {

constexpr std::size_t minimumCapacity = 4096;

}  // namespace

MemBuf::~MemBuf()
{
    std::free(block_);
}

void MemBuf::set(char* block, std::size_t size, std::size_t capacity) noexcept
{
    if (block_ != nullptr && block_ != block)
        std::free(block_);
    block_ = block;
    if (block == nullptr)
        capacity = 0;
    size = std::min(size, capacity);
    setg(block, block, block + capacity);
    setp(block + size, block + capacity);
}

std::size_t MemBuf::capacity() const noexcept
{
    return block_ == nullptr ? 0 : static_cast<std::size_t>(epptr() - block_);
}

char* MemBuf::readableEnd() const noexcept
{
    return std::max(egptr(), pptr());
}

MemBuf::int_type MemBuf::underflow()
{
    char* end = readableEnd();
    if (egptr() < end)
        setg(eback(), gptr(), end);
    if (gptr() < egptr())
        return traits_type::to_int_type(*gptr());
    return traits_type::eof();
}

MemBuf::int_type MemBuf::overflow(int_type c)
{
    if (traits_type::eq_int_type(c, traits_type::eof()))
        return traits_type::eof();

    const std::size_t oldCapacity = capacity();
    if (oldCapacity > std::numeric_limits<std::size_t>::max() / 2)
        return traits_type::eof();
    const std::size_t newCapacity = std::max(oldCapacity * 2, minimumCapacity);

    const std::size_t putOffset = block_ == nullptr ? 0 : static_cast<std::size_t>(pptr() - block_);
    const std::size_t getOffset = block_ == nullptr ? 0 : static_cast<std::size_t>(gptr() - block_);
    const std::size_t getEnd = block_ == nullptr ? 0 : static_cast<std::size_t>(egptr() - block_);

    // NOTE: on failure the old block and all positions stay, so nothing written so far is lost.
    auto* grown = static_cast<char*>(std::realloc(block_, newCapacity));
    if (grown == nullptr)
        return traits_type::eof();
    block_ = grown;

    grown[putOffset] = traits_type::to_char_type(c);
    setg(grown, grown + getOffset, grown + std::max(putOffset + 1, getEnd));
    setp(grown + putOffset + 1, grown + newCapacity);
    return c;
}

MemBuf::pos_type MemBuf::seekpos(pos_type position, std::ios_base::openmode mode)
{
    const off_type offset = position;
    const pos_type failed(off_type(-1));
    const bool in = (mode & std::ios_base::in) != 0;
    const bool out = (mode & std::ios_base::out) != 0;
    const off_type readable = block_ == nullptr ? 0 : readableEnd() - block_;
    // The write position may go anywhere in the block, up to its end (the next write grows it). The
    // read position stops at the readable end, so no read sees memory nobody wrote.
    if (offset < 0 || offset > (out ? static_cast<off_type>(capacity()) : readable))
        return failed;

    // Written bytes stay readable when the put position moves back.
    setg(eback(), gptr(), readableEnd());
    if (out) {
        // NOTE: like a hole in a file, the bytes skipped over read as zeros.
        if (offset > readable) {
            std::memset(block_ + readable, 0, static_cast<std::size_t>(offset - readable));
            setg(eback(), gptr(), block_ + offset);
        }
        setp(block_ + offset, epptr());
    }
    if (in)
        setg(eback(), block_ + offset, egptr());
    return position;
}

MemBuf::pos_type MemBuf::seekoff(off_type offset, std::ios_base::seekdir direction,
                                 std::ios_base::openmode mode)
{
    const pos_type failed(off_type(-1));
    off_type base = 0;
    if (direction == std::ios_base::beg) {
        base = 0;
    } else if (direction == std::ios_base::cur) {
        if (mode & std::ios_base::in) {
            base = block_ == nullptr ? 0 : gptr() - block_;
            mode = std::ios_base::in;
        } else if (mode & std::ios_base::out) {
            base = block_ == nullptr ? 0 : pptr() - block_;
            mode = std::ios_base::out;
        } else {
            return failed;
        }
    } else if (direction == std::ios_base::end) {
        base = static_cast<off_type>(capacity());
    } else {
        return failed;
    }
    off_type target = 0;
    if (__builtin_add_overflow(base, offset, &target))
        return failed;
    return seekpos(pos_type(target), mode);
}

}  // namespace talvo::io
