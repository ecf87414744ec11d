// A regular file's contents read to their end within a bound, straight into the caller's container.
#pragma once

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>

namespace plat {

enum class BoundedRead { Ok, TooLarge, Failed };

// Reads the open descriptor to its end into bytes (a std::string or a byte vector), at most
// maxBytes. size is what fstat gave: one byte more is asked for, so a file that grew meanwhile is
// seen, and the container grows from there. Failed leaves the read's errno in error. Memory that
// runs out throws std::bad_alloc, as the container does.
template <class Bytes>
BoundedRead readToEnd(int fd, uint64_t size, uint64_t maxBytes, Bytes& bytes, int& error)
{
    bytes.resize(static_cast<std::size_t>(std::min(size, maxBytes) + 1));
    std::size_t filled = 0;
    for (;;) {
        if (filled == bytes.size()) {
            if (filled > maxBytes)
                return BoundedRead::TooLarge;
            bytes.resize(static_cast<std::size_t>(std::min<uint64_t>(uint64_t{filled} * 2, maxBytes + 1)));
        }
        const ssize_t n = ::read(fd, bytes.data() + filled, bytes.size() - filled);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            error = errno;
            return BoundedRead::Failed;
        }
        if (n == 0)
            break;
        filled += static_cast<std::size_t>(n);
    }
    bytes.resize(filled);
    return BoundedRead::Ok;
}

} // namespace plat
