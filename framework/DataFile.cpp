// Data files through POSIX calls: O_NONBLOCK for the open, fstat for the kind and size.
#include "framework/DataFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
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

// The open descriptor, or -1 with the status saying why.
int openChecked(const char* path, uint64_t maxBytes, DataFileStatus& status)
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
    const int fd = openChecked(path, maxBytes, status);
    if (fd < 0)
        return remember(status);
    uint8_t chunk[65536];
    for (;;) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            status.error = errno;
            break;
        }
        if (n == 0)
            break;
        if (bytes.size() + static_cast<uint64_t>(n) > maxBytes) {
            status.tooLarge = true;
            break;
        }
        bytes.insert(bytes.end(), chunk, chunk + n);
    }
    ::close(fd);
    if (!status.ok())
        bytes.clear();
    return remember(status);
}

const DataFileStatus& lastDataFileStatus() { return last; }

const std::string& lastDataFileDamage() { return lastDamage; }

void setDataFileDamage(std::string reason) { lastDamage = std::move(reason); }
