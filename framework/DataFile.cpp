// Data files through POSIX calls: O_NONBLOCK for the open, fstat for the kind and size.
#include "framework/DataFile.h"

#include "platform/bounded_read.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>
#include <utility>

namespace {
thread_local DataFileStatus last;
thread_local std::string lastDamage;

DataFileStatus remember(DataFileStatus status)
{
    last = status;
    return status;
}

// The size of an open file from its descriptor (no seeking, so the read position stays), or -1 with
// the status saying why: a failed fstat, or a device, pipe, socket or folder, which has no size to trust.
int64_t fileSize(int fd, DataFileStatus& status)
{
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        status.error = errno;
        return -1;
    }
    if (!S_ISREG(st.st_mode)) {
        status.notRegular = true;
        return -1;
    }
    return static_cast<int64_t>(st.st_size);
}

// The open descriptor and the file's size, or -1 with the status saying why.
int openChecked(const char* path, uint64_t maxBytes, DataFileStatus& status, uint64_t* sizeOut = nullptr)
{
    status = {};
    if (!path || !*path) {
        status.error = ENOENT;
        return -1;
    }
    int fd;
    do
        fd = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        status.error = errno;
        return -1;
    }
    const int64_t size = fileSize(fd, status);
    if (size >= 0 && static_cast<uint64_t>(size) > maxBytes)
        status.tooLarge = true;
    if (!status.ok()) {
        ::close(fd);
        return -1;
    }
    if (sizeOut)
        *sizeOut = static_cast<uint64_t>(size);
    return fd;
}
} // namespace

bool DataFileStatus::missing() const { return error == ENOENT || error == ENOTDIR; }

std::string DataFileStatus::reason() const
{
    if (notRegular)
        return "not a regular file";
    if (tooLarge)
        return "larger than the game takes";
    if (outOfMemory)
        return "out of memory";
    if (error != 0) {
        char text[256] = "";
        return ::strerror_r(error, text, sizeof text);
    }
    return {};
}

DataFileStatus checkDataFile(const char* path, uint64_t maxBytes)
{
    DataFileStatus status;
    const int fd = openChecked(path, maxBytes, status);
    if (fd >= 0)
        ::close(fd);
    return remember(status);
}

DataFileStatus readDataFile(const char* path, uint64_t maxBytes, std::vector<uint8_t>& bytes)
{
    bytes.clear();
    DataFileStatus status;
    uint64_t size = 0;
    const int fd = openChecked(path, maxBytes, status, &size);
    if (fd < 0)
        return remember(status);
    // Straight into bytes, not through a buffer on the stack, which a small stack limit cannot spare.
    try {
        // A failed read leaves its errno in the status.
        status.tooLarge = plat::readToEnd(fd, size, maxBytes, bytes, status.error) == plat::BoundedRead::TooLarge;
    } catch (const std::bad_alloc&) {
        status.outOfMemory = true;
    }
    ::close(fd);
    if (!status.ok()) {
        bytes.clear();
        bytes.shrink_to_fit();
    }
    return remember(status);
}

const DataFileStatus& lastDataFileStatus() { return last; }

const std::string& lastDataFileDamage() { return lastDamage; }

void setDataFileDamage(std::string reason) { lastDamage = std::move(reason); }
