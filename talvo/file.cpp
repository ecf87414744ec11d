// File over POSIX calls: the sharing rules map onto flock, text mode drops CR before LF on reading.
#include "talvo/file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include "talvo/file_seam.h"
#include "talvo/log.h"

namespace talvo {

namespace detail {
void (*afterSharedFileLook)(const char* name) = nullptr;
}  // namespace detail

namespace {

constexpr OpenMode kIn = std::ios_base::in;
constexpr OpenMode kOut = std::ios_base::out;
constexpr OpenMode kApp = std::ios_base::app;
constexpr OpenMode kTrunc = std::ios_base::trunc;
constexpr OpenMode kAte = std::ios_base::ate;
constexpr OpenMode kBinary = std::ios_base::binary;

struct OpenRow {
    int access;
    bool create;
    bool truncate;
};

// The accepted modes (without ate and binary); anything else is refused without a log entry.
bool rowFor(OpenMode mode, OpenRow& row) {
    const OpenMode m = mode & ~(kAte | kBinary);
    if (m == kIn) row = {O_RDONLY, false, false};
    else if (m == kOut || m == (kOut | kApp)) row = {O_WRONLY, true, false};
    else if (m == (kIn | kOut)) row = {O_RDWR, false, false};
    else if (m == (kOut | kTrunc)) row = {O_WRONLY, true, true};
    else if (m == (kIn | kOut | kTrunc)) row = {O_RDWR, true, true};
    else return false;
    return true;
}

bool has(OpenMode mode, OpenMode bit) { return (mode & bit) != OpenMode{}; }
bool hasFlag(FileFlags flags, FileFlags bit) {
    return (static_cast<std::uint32_t>(flags) & static_cast<std::uint32_t>(bit)) != 0;
}

// Why a file found in a shared folder is not ours to write: 0 when it is. A regular file with a
// second name may be a hard link to any file of ours, planted there.
int othersFile(const struct stat& st) {
    if (st.st_uid != ::geteuid()) return EPERM;
    if (S_ISREG(st.st_mode) && st.st_nlink != 1) return EMLINK;
    return 0;
}

// Opens for writing, in a folder others can write, the very file it looked at: the name is taken as
// a descriptor that reads and writes nothing (O_PATH), the file is checked on it and that descriptor
// is opened for writing through /proc, so a name swapped in meanwhile (another user's pipe with a
// reader waiting) is never opened. A name not there yet is made with O_EXCL, which opens no one
// else's file. -1 with error set when refused.
int openLookedAt(const char* name, const OpenRow& row, FileFlags flags, int& error) {
    const int follow = hasFlag(flags, FileFlags::noFollow) ? O_NOFOLLOW : 0;
    int access = row.access | O_CLOEXEC;
    // A named pipe would otherwise keep the open waiting for a reader.
    if (hasFlag(flags, FileFlags::regularOnly)) access |= O_NONBLOCK;
    // A name that comes or goes between the look and the making is looked at again.
    for (int attempt = 0; attempt < 3; ++attempt) {
        int looked;
        do looked = ::open(name, O_PATH | follow | O_CLOEXEC);
        while (looked < 0 && errno == EINTR);
        int fd = -1;
        if (looked < 0) {
            error = errno;
            if (error != ENOENT || !row.create) return -1;
            do fd = ::open(name, access | O_CREAT | O_EXCL | O_NOFOLLOW, 0666);
            while (fd < 0 && errno == EINTR);
            error = fd < 0 ? errno : 0;
            if (error == EEXIST) continue;
            return fd;
        }
        struct stat st {};
        if (::fstat(looked, &st) != 0) error = errno;
        else if (S_ISLNK(st.st_mode)) error = ELOOP;  // O_PATH with O_NOFOLLOW holds the link itself
        // Not even opened: another user's file is neither truncated nor written, by root neither.
        else error = othersFile(st);
        if (error == 0 && S_ISDIR(st.st_mode)) error = EISDIR;
        if (error == 0 && !S_ISREG(st.st_mode) && hasFlag(flags, FileFlags::regularOnly)) error = EINVAL;
        if (error == 0 && detail::afterSharedFileLook != nullptr) detail::afterSharedFileLook(name);
        if (error == 0) {
            char proc[40];
            std::snprintf(proc, sizeof proc, "/proc/self/fd/%d", looked);
            // Without /proc the file looked at cannot be opened, and opening the name again could
            // open whatever was swapped in: refused.
            do fd = ::open(proc, access);
            while (fd < 0 && errno == EINTR);
            if (fd < 0) error = errno;
        }
        ::close(looked);
        return fd;
    }
    return -1;
}

}  // namespace

bool inSharedFolder(const std::string& path) {
    const auto slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    struct stat st {};
    // A folder that cannot be looked at is taken for shared: the stricter rule.
    if (::stat(folder.c_str(), &st) != 0) return true;
    return (st.st_mode & (S_ISVTX | S_IWGRP | S_IWOTH)) != 0;
}

File::File() noexcept { lastError_.clear(); }

File::~File() { close(); }

bool File::open(const char* name, OpenMode mode, FileFlags flags) {
    pendingFlags_ = flags;
    const bool opened = AbstractFile::open(name, mode);
    pendingFlags_ = FileFlags::none;
    return opened;
}

bool File::doOpen(const char* name, OpenMode mode) { return openWith(name, mode, pendingFlags_); }

void File::fail(int error) noexcept { lastError_.set(error != 0 ? static_cast<std::uint32_t>(error) : EIO); }

bool File::openWith(const char* name, OpenMode mode, FileFlags flags) {
    if (isOpen() || fd_ >= 0) return false;
    OpenRow row{};
    if (!rowFor(mode, row)) return false;
    const char* shown = name != nullptr ? name : "";

    int fd = -1;
    int error = 0;
    const bool owned = hasFlag(flags, FileFlags::ownedOnly) && name != nullptr && name[0] != '\0' &&
                       row.access != O_RDONLY && inSharedFolder(name);
    if (name == nullptr || name[0] == '\0') {
        error = ENOENT;
    } else if (owned) {
        fd = openLookedAt(name, row, flags, error);
    } else {
        int oflags = row.access | O_CLOEXEC;
        if (row.create) oflags |= O_CREAT;
        if (hasFlag(flags, FileFlags::noFollow)) oflags |= O_NOFOLLOW;
        // A named pipe would otherwise keep the open waiting for a writer.
        if (hasFlag(flags, FileFlags::regularOnly)) oflags |= O_NONBLOCK;
        do fd = ::open(name, oflags, 0666);
        while (fd < 0 && errno == EINTR);
        if (fd < 0) error = errno;
    }
    bool regular = false;
    if (fd >= 0) {
        struct stat st {};
        if (::fstat(fd, &st) != 0) error = errno;
        else if (S_ISDIR(st.st_mode)) error = EISDIR;
        else regular = S_ISREG(st.st_mode);
        if (error == 0 && !regular && hasFlag(flags, FileFlags::regularOnly)) error = EINVAL;
        // The file looked at may have lost its name, or gained another, since.
        if (error == 0 && owned) error = othersFile(st);
    }
    // Writers lock exclusively, so a second writer fails while readers are never kept out.
    // Devices and pipes are shared by everyone (two programs may both write to /dev/null):
    // the rule is for files.
    if (fd >= 0 && error == 0 && regular && row.access != O_RDONLY && ::flock(fd, LOCK_EX | LOCK_NB) != 0)
        error = errno;
    // Truncate only once the lock is ours, never another writer's file.
    if (fd >= 0 && error == 0 && regular && row.truncate && ::ftruncate(fd, 0) != 0) error = errno;
    if (fd >= 0 && error == 0 && has(mode, kAte) && ::lseek(fd, 0, SEEK_END) < 0) error = errno;

    if (error != 0) {
        fail(error);
        if (fd >= 0) ::close(fd);
        if (has(mode, kIn))
            io::logWarning.entry(1) << '\'' << shown << "' open failed: " << lastError_ << std::endl;
        else
            io::logError.entry(0) << '\'' << shown << "' open failed: " << lastError_ << std::endl;
        return false;
    }
    fd_ = fd;
    ownsFd_ = true;
    io::logInfo.entry(5) << '\'' << shown << "' file opened." << std::endl;
    return true;
}

bool File::attach(int fd, OpenMode mode) noexcept {
    if (isOpen() || fd_ >= 0 || fd < 0) return false;
    fd_ = fd;
    ownsFd_ = false;
    setMode(mode);
    return true;
}

bool File::doClose() {
    if (fd_ < 0) return true;
    const int fd = fd_;
    const bool owned = ownsFd_;
    fd_ = -1;
    ownsFd_ = false;
    if (!owned) return true;
    if (::close(fd) != 0) {
        fail(errno);
        return false;
    }
    return true;
}

std::uint32_t File::size() {
    struct stat st {};
    if (fd_ < 0 || ::fstat(fd_, &st) != 0) {
        if (fd_ >= 0) fail(errno);
        return 0;
    }
    return static_cast<std::uint32_t>(st.st_size);
}

bool File::flush() {
    if (!isOpen()) return false;
    if (::fsync(fd_) != 0) {
        fail(errno);
        if (!quiet_) io::logError << "flush failed: " << lastError_ << std::endl;
        return false;
    }
    return true;
}

std::size_t File::readRaw(void* buffer, std::size_t count, bool& failed) {
    failed = false;
    if (fd_ < 0) return 0;
    ssize_t got;
    do got = ::read(fd_, buffer, count);
    while (got < 0 && errno == EINTR);
    if (got < 0) {
        fail(errno);
        if (!quiet_) io::logError << "reading failed: " << lastError_ << std::endl;
        failed = true;
        return 0;
    }
    return static_cast<std::size_t>(got);
}

std::size_t File::read(void* buffer, std::size_t count) {
    if (buffer == nullptr || count == 0) return 0;
    auto* bytes = static_cast<unsigned char*>(buffer);
    for (;;) {
        bool failed = false;
        const std::size_t got = readRaw(buffer, count, failed);
        if (got == 0 || has(mode(), kBinary)) return got;
        bool ended = false;
        const std::size_t kept = dropCarriageReturns(bytes, got, ended);
        // A block that was nothing but a dropped CR is not the end of the file: 0 would say so.
        if (kept > 0 || ended) return kept;
    }
}

std::size_t File::dropCarriageReturns(unsigned char* bytes, std::size_t got, bool& ended) {
    // Text mode: CR LF becomes LF, Ctrl-Z ends the data.
    std::size_t out = 0;
    for (std::size_t i = 0; i < got; ++i) {
        const unsigned char c = bytes[i];
        if (c == 26) {
            ended = true;
            return out;
        }
        if (c == '\r') {
            if (i + 1 < got) {
                if (bytes[i + 1] == '\n') continue;
            } else {
                // A CR at the block's end: peek one byte and give it back so the next read sees it.
                unsigned char next = 0;
                bool failed = false;
                const std::size_t more = readRaw(&next, 1, failed);
                if (more == 1) {
                    ::lseek(fd_, -1, SEEK_CUR);
                    if (next == '\n') continue;
                }
            }
        }
        bytes[out++] = c;
    }
    return out;
}

std::size_t File::write(const void* buffer, std::size_t count) {
    if (fd_ < 0 || buffer == nullptr) return 0;
    const auto* bytes = static_cast<const unsigned char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        if (has(mode(), kApp) && seek(0, SeekDir::end) < 0) break;
        const ssize_t put = ::write(fd_, bytes + done, count - done);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) {
            // A write that takes nothing would loop for ever; it counts as a failure.
            fail(put < 0 ? errno : EIO);
            if (!quiet_) io::logError << "writing failed: " << lastError_ << std::endl;
            break;
        }
        done += static_cast<std::size_t>(put);
    }
    return done;
}

std::int64_t File::seek(std::int32_t offset, SeekDir direction) {
    int whence;
    switch (direction) {
        case SeekDir::begin:
            if (offset < 0) return -1;
            whence = SEEK_SET;
            break;
        case SeekDir::current: whence = SEEK_CUR; break;
        case SeekDir::end:
            if (-static_cast<std::int64_t>(offset) > static_cast<std::int64_t>(size())) return -1;
            whence = SEEK_END;
            break;
        default: return -1;
    }
    if (fd_ < 0) return -1;
    const off_t at = ::lseek(fd_, offset, whence);
    if (at < 0) {
        fail(errno);
        return -1;
    }
    return static_cast<std::int64_t>(at);
}

}  // namespace talvo
