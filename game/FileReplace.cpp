// Atomic replacement over POSIX: write, fsync, rename, fsync of the folder, all inside a folder
// handle.
#include "game/FileReplace.h"

#include "game/GameLog.h"
#include "talvo/text_line.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <ctime>
#include <cstring>
#include <filesystem>
#include <optional>
#include <utility>

namespace {
std::string systemText(const char* what, int error)
{
    char text[256] = "";
    return std::string(what) + ": " + ::strerror_r(error, text, sizeof text);
}

// Where a write to path lands: path itself, or the file at the end of its chain of links (a best
// score shared from another folder), so that the link stays and its target takes the new file.
// "" in why when path is no link or the chain ends at a file the game may write; else why not.
// found: what the returned path is (no link), unless nothing is there.
std::string finalTarget(const std::string& path, const OwnFile& own, std::string& why, std::optional<struct stat>& found)
{
    // The kernel's own bound on links in one lookup; a longer chain is taken as a loop.
    constexpr int maxLinks = 40;
    std::filesystem::path at = path;
    for (int followed = 0;; ++followed) {
        struct stat st {};
        if (::lstat(at.c_str(), &st) != 0) {
            if (followed > 0)
                why = "it is a link to " + at.string() + ", " + systemText("which cannot be reached", errno);
            return at.string();
        }
        // A link to a device or a pipe is never written through: the superuser would replace it.
        if (followed > 0 && !S_ISLNK(st.st_mode) && !S_ISREG(st.st_mode))
            why = "it is a link to " + at.string() + ", which is not a regular file";
        // Nor to a file the game did not read as its own: someone else's text or picture.
        else if (followed > 0 && !S_ISLNK(st.st_mode) &&
                 !(own.known && own.device == st.st_dev && own.inode == st.st_ino))
            why = "it is a link to " + at.string() + ", which is not a file the game read as its own";
        if (!S_ISLNK(st.st_mode)) {
            found = st;
            return at.string();
        }
        if (followed == maxLinks) {
            why = "its links lead round in a loop";
            return at.string();
        }
        // In a folder others may write, a link of theirs would send the game's write anywhere.
        const std::filesystem::path parent = at.parent_path();
        struct stat folder {};
        const uid_t player = ::geteuid();
        if (st.st_uid != player &&
            (::stat(parent.empty() ? "." : parent.c_str(), &folder) != 0 || folder.st_uid != st.st_uid)) {
            why = (followed == 0 ? "it is a link of user " : "its link " + at.string() + " is one of user ") +
                  std::to_string(st.st_uid) + ", neither the player (" + std::to_string(player) +
                  ") nor the owner of its folder";
            return at.string();
        }
        std::error_code error;
        const std::filesystem::path next = std::filesystem::read_symlink(at, error);
        if (error) {
            why = systemText("its link cannot be read", error.value());
            return at.string();
        }
        // A relative link names its target from the link's own folder.
        at = next.is_absolute() ? next : parent / next;
    }
}

template <std::size_t size>
bool copyPath(char (&to)[size], const std::string& from)
{
    if (from.size() >= size)
        return false;
    std::memcpy(to, from.c_str(), from.size() + 1);
    return true;
}

// The folder held for the replacement: opened for reading, so that it can be synced, or else (a
// folder that may be written but not listed) only held, with why it cannot be synced.
std::string holdFolder(const std::string& folder, PreparedReplace& ready)
{
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0 && errno == EACCES) {
        ready.folderSyncError = errno;
        fd = ::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    }
    if (fd < 0)
        return systemText("its folder cannot be opened", errno);
    ready.folder = OwnedDescriptor(fd);
    return {};
}

// The name in the folder held still leads to the file that was checked, not through a link; or
// nothing was there when it was checked. Async-signal-safe; errno as the outcome's error.
bool stillTheFileChecked(const PreparedReplace& ready) noexcept
{
    if (!ready.hadTarget)
        return true;
    struct stat now {};
    if (::fstatat(ready.folder.get(), ready.name, &now, AT_SYMLINK_NOFOLLOW) != 0)
        return false;
    errno = 0;
    return now.st_dev == ready.device && now.st_ino == ready.inode;
}

// The name is one of the temporary names of the file: its own, the one every game used before
// (".new"), and those of other processes (".new." and a process's id).
bool isTemporaryOf(const char* entry, const char* name) noexcept
{
    const std::size_t length = std::strlen(name);
    if (std::strncmp(entry, name, length) != 0 || std::strncmp(entry + length, ".new", 4) != 0)
        return false;
    const char* rest = entry + length + 4;
    if (*rest == '\0')
        return true;
    if (*rest != '.' || rest[1] == '\0')
        return false;
    while (*++rest != '\0')
        if (*rest < '0' || *rest > '9')
            return false;
    return true;
}

// Removes the regular file at entry when it is a leftover: no live game holds its lock. Anything
// else there (a link, a pipe) is removed only when orAnything, for the process's own name, which
// is never written through. Async-signal-safe.
void removeLeftover(int folder, const char* entry, bool orAnything) noexcept
{
    struct stat seen {};
    if (::fstatat(folder, entry, &seen, AT_SYMLINK_NOFOLLOW) != 0)
        return;
    if (!S_ISREG(seen.st_mode)) {
        if (orAnything)
            (void)::unlinkat(folder, entry, 0);
        return;
    }
    int fd = ::openat(folder, entry, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        fd = ::openat(folder, entry, O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return;
    // Removed only while the name still leads to the file whose lock was taken.
    struct stat held {};
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd, &held) == 0 &&
        ::fstatat(folder, entry, &seen, AT_SYMLINK_NOFOLLOW) == 0 && seen.st_dev == held.st_dev &&
        seen.st_ino == held.st_ino)
        (void)::unlinkat(folder, entry, 0);
    (void)::close(fd);
}

// Leftovers of the other temporary names, in a folder that can be listed (the process's own name
// is cleaned at the replacement).
void removeLeftovers(const PreparedReplace& ready)
{
    const int listed = ::openat(ready.folder.get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (listed < 0)
        return;
    DIR* const entries = ::fdopendir(listed);
    if (entries == nullptr) {
        (void)::close(listed);
        return;
    }
    while (const dirent* entry = ::readdir(entries))
        if (isTemporaryOf(entry->d_name, ready.name) && std::strcmp(entry->d_name, ready.temp) != 0)
            removeLeftover(ready.folder.get(), entry->d_name, false);
    (void)::closedir(entries);
}

// Takes the lock on the temporary file just made; false when a game cleaning leftovers removed it
// before the lock came. Async-signal-safe.
bool lockedStillThere(int folder, const char* temp, int fd) noexcept
{
    while (::flock(fd, LOCK_EX) != 0)
        if (errno != EINTR)
            return true; // a file system without locks: no cleaner can take one either
    struct stat made {}, named {};
    return ::fstat(fd, &made) == 0 && ::fstatat(folder, temp, &named, AT_SYMLINK_NOFOLLOW) == 0 &&
           made.st_dev == named.st_dev && made.st_ino == named.st_ino;
}

// A score file shared through its group (games, on a machine of several players) must stay in
// that group. The superuser may give both; an owner only a group of its own. What cannot be
// given is noted, and the new file stays as it was made.
void takeOwnerAndGroup(int fd, const PreparedReplace& ready, ReplaceOutcome& outcome) noexcept
{
    struct stat made {};
    if (::fstat(fd, &made) != 0 || (made.st_uid == ready.uid && made.st_gid == ready.gid))
        return;
    if (::fchown(fd, ready.uid, ready.gid) == 0)
        return;
    int error = errno;
    if (made.st_gid != ready.gid && ::fchown(fd, static_cast<uid_t>(-1), ready.gid) == 0)
        made.st_gid = ready.gid;
    else if (made.st_gid != ready.gid)
        error = errno;
    outcome.ownerNotGiven = true;
    outcome.madeUid = made.st_uid;
    outcome.madeGid = made.st_gid;
    outcome.chownError = error;
}

// The failed step in words; describeOutcome adds its cause.
const char* stepText(const ReplaceOutcome& outcome) noexcept
{
    switch (outcome.failed) {
    case ReplaceOutcome::none: return "";
    case ReplaceOutcome::changed:
        return outcome.error != 0 ? "it cannot be found where it was checked"
                                  : "another file has taken its place since it was checked";
    case ReplaceOutcome::make: return "the new file cannot be made";
    case ReplaceOutcome::write: return "write failed";
    case ReplaceOutcome::permissions: return "the new file cannot take the old one's permissions";
    case ReplaceOutcome::sync: return "sync failed";
    case ReplaceOutcome::close: return "close failed";
    case ReplaceOutcome::rename: return "the new file cannot replace the old one";
    case ReplaceOutcome::openFolder: return "the folder cannot be opened to be synced";
    case ReplaceOutcome::syncFolder: return "the folder cannot be synced";
    }
    return "";
}
constexpr const char* changedWhileChecked = "it changed while it was checked";
} // namespace

OwnFile ownFileAt(const char* path)
{
    struct stat st {};
    if (::stat(path, &st) != 0 || !S_ISREG(st.st_mode))
        return {};
    return OwnFile{true, st.st_dev, st.st_ino};
}

OwnedDescriptor::OwnedDescriptor(OwnedDescriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

OwnedDescriptor& OwnedDescriptor::operator=(OwnedDescriptor&& other) noexcept
{
    if (this != &other) {
        if (fd_ >= 0)
            (void)::close(fd_);
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

OwnedDescriptor::~OwnedDescriptor()
{
    if (fd_ >= 0)
        (void)::close(fd_);
}

std::string prepareReplace(const std::string& link, std::string_view bytes, const OwnFile& own, PreparedReplace& ready)
{
    ready = PreparedReplace{};
    std::string why;
    std::optional<struct stat> found;
    const std::string path = finalTarget(link, own, why, found);
    if (!why.empty())
        return why;
    const std::filesystem::path target = path;
    const std::string parent = target.parent_path().string(), name = target.filename().string();
    if (name.empty() || name == "." || name == "..")
        return "it names no file";
    // The path is kept for messages only, some written by a signal's handler, which cannot make it
    // safe to show then.
    if (bytes.size() > sizeof ready.bytes || !copyPath(ready.path, talvo::textInLine(path)) ||
        !copyPath(ready.name, name) ||
        !copyPath(ready.temp, name + ".new." + std::to_string(::getpid())))
        return "its path or contents are too long";
    ready.linked = path != link;
    if (std::string error = holdFolder(parent.empty() ? "." : parent, ready); !error.empty())
        return error;
    // From here on the name is looked up in the folder held: it must still be what the path led
    // to above, the file the game read as its own when it was reached through links.
    struct stat old {};
    const bool there = ::fstatat(ready.folder.get(), ready.name, &old, AT_SYMLINK_NOFOLLOW) == 0;
    if (there != found.has_value() || (there && (old.st_dev != found->st_dev || old.st_ino != found->st_ino)))
        return changedWhileChecked;
    std::memcpy(ready.bytes, bytes.data(), bytes.size());
    ready.size = bytes.size();
    ready.hadTarget = there;
    ready.device = old.st_dev;
    ready.inode = old.st_ino;
    // The new file takes the old one's owner, group and permission bits, not the process's
    // defaults.
    ready.hadOld = there && S_ISREG(old.st_mode);
    ready.uid = old.st_uid;
    ready.gid = old.st_gid;
    ready.mode = old.st_mode & 07777;
    removeLeftovers(ready);
    return {};
}

ReplaceOutcome commitReplace(const PreparedReplace& ready) noexcept
{
    ReplaceOutcome outcome;
    const auto fail = [&outcome](ReplaceOutcome::Step step) {
        if (outcome.failed == ReplaceOutcome::none) {
            outcome.failed = step;
            outcome.error = errno;
        }
    };
    const int folder = ready.folder.get();
    if (!stillTheFileChecked(ready)) {
        fail(ReplaceOutcome::changed);
        return outcome;
    }
    // A leftover of a killed run of the same id, or a link someone put there, is never written
    // through.
    removeLeftover(folder, ready.temp, true);
    int fd = -1;
    for (int tries = 0; tries < 3 && fd < 0; ++tries) {
        fd = ::openat(folder, ready.temp, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0)
            break;
        if (!lockedStillThere(folder, ready.temp, fd)) {
            (void)::close(fd);
            fd = -1;
            errno = ENOENT;
        }
    }
    if (fd < 0) {
        fail(ReplaceOutcome::make);
        return outcome;
    }
    // The lock lasts past the close, whose failure is the write's, until the rename or removal.
    const OwnedDescriptor lock(::fcntl(fd, F_DUPFD_CLOEXEC, 0));
    for (std::size_t done = 0; done < ready.size;) {
        const ssize_t n = ::write(fd, ready.bytes + done, ready.size - done);
        // A write that takes nothing would take nothing again.
        if (n == 0)
            errno = 0;
        if (n == 0 || (n < 0 && errno != EINTR)) {
            fail(ReplaceOutcome::write);
            break;
        }
        if (n > 0)
            done += static_cast<std::size_t>(n);
    }
    // The mode after the owner, for a change of owner clears the set-id bits.
    if (outcome.failed == ReplaceOutcome::none && ready.hadOld) {
        takeOwnerAndGroup(fd, ready, outcome);
        if (::fchmod(fd, ready.mode) != 0)
            fail(ReplaceOutcome::permissions);
    }
    if (outcome.failed == ReplaceOutcome::none && ::fsync(fd) != 0)
        fail(ReplaceOutcome::sync);
    if (::close(fd) != 0)
        fail(ReplaceOutcome::close);
    // Again right before the rename: the sync may have taken long.
    if (outcome.failed == ReplaceOutcome::none && !stillTheFileChecked(ready))
        fail(ReplaceOutcome::changed);
    if (outcome.failed == ReplaceOutcome::none && ::renameat(folder, ready.temp, folder, ready.name) != 0)
        fail(ReplaceOutcome::rename);
    if (outcome.failed != ReplaceOutcome::none) {
        (void)::unlinkat(folder, ready.temp, 0);
        return outcome;
    }
    // The rename is done; only its lasting through a power cut is in question now.
    if (ready.folderSyncError != 0) {
        errno = ready.folderSyncError;
        fail(ReplaceOutcome::openFolder);
    } else if (::fsync(folder) != 0) {
        fail(ReplaceOutcome::syncFolder);
    }
    return outcome;
}

ReplaceOutcome makeReplace(PreparedReplace& ready, ReplaceCheck check) noexcept
{
    // Polled: a game stopped in the middle of its save must not hold this one for ever.
    const int folder = ready.folder.get();
    const timespec pause{0, 2'000'000};
    for (int waited = 0; waited < 2500 && ::flock(folder, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK; ++waited)
        (void)::nanosleep(&pause, nullptr);
    ReplaceOutcome outcome;
    if (check != nullptr && !check(ready))
        outcome.notNeeded = true;
    else
        outcome = commitReplace(ready);
    (void)::flock(folder, LOCK_UN);
    return outcome;
}

ssize_t readFileThere(const PreparedReplace& ready, unsigned char* into, std::size_t capacity, struct stat& there) noexcept
{
    const int fd = ::openat(ready.folder.get(), ready.name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return -1;
    std::size_t size = 0;
    bool read = ::fstat(fd, &there) == 0 && S_ISREG(there.st_mode);
    while (read && size < capacity) {
        const ssize_t n = ::read(fd, into + size, capacity - size);
        if (n == 0)
            break;
        if (n < 0 && errno != EINTR)
            read = false;
        else if (n > 0)
            size += static_cast<std::size_t>(n);
    }
    (void)::close(fd);
    return read ? static_cast<ssize_t>(size) : -1;
}

void takeFileThere(PreparedReplace& ready, const struct stat& there) noexcept
{
    ready.hadTarget = ready.hadOld = true;
    ready.device = there.st_dev;
    ready.inode = there.st_ino;
    ready.uid = there.st_uid;
    ready.gid = there.st_gid;
    ready.mode = there.st_mode & 07777;
}

bool replaceMade(const ReplaceOutcome& outcome) noexcept
{
    return outcome.failed == ReplaceOutcome::none || outcome.failed == ReplaceOutcome::openFolder ||
           outcome.failed == ReplaceOutcome::syncFolder;
}

FixedLine& FixedLine::operator<<(const char* text) noexcept
{
    const std::size_t room = sizeof text_ - 1 - size_;
    const std::size_t length = ::strnlen(text, room);
    std::memcpy(text_ + size_, text, length);
    size_ += length;
    text_[size_] = '\0';
    return *this;
}

FixedLine& FixedLine::operator<<(int number) noexcept
{
    char digits[16];
    char* at = digits + sizeof digits;
    *--at = '\0';
    // Through the unsigned value, so that the lowest number has its digits too.
    uintmax_t left = number < 0 ? 0 - static_cast<uintmax_t>(number) : static_cast<uintmax_t>(number);
    do
        *--at = static_cast<char>('0' + left % 10);
    while ((left /= 10) != 0);
    if (number < 0)
        *--at = '-';
    return *this << at;
}

void describeOutcome(const ReplaceOutcome& outcome, const PreparedReplace& ready, FixedLine& line) noexcept
{
    if (outcome.failed == ReplaceOutcome::none)
        return;
    line << stepText(outcome);
    // The C library's own table, as strerror gives it in the game's locale, read without the
    // locking and allocation strerror may do.
    if (const char* cause = outcome.error != 0 ? ::strerrordesc_np(outcome.error) : nullptr; cause != nullptr)
        line << ": " << cause;
    else if (outcome.error != 0)
        line << ": error " << outcome.error;
    else if (outcome.failed == ReplaceOutcome::write)
        line << ": nothing was written";
    if (ready.linked)
        line << " (it is a link to " << ready.path << ")";
}

std::string saveReport(const char* what, const std::string& path, bool made, const std::string& why)
{
    return std::string(what) + (made ? " was saved in " + path + ", but it may not outlast a power cut: "
                                     : " could not be saved in " + path + ": ") +
           why;
}

ReplaceResult replaceFileWith(const std::string& link, std::string_view bytes, const OwnFile& own,
                              ReplaceCheck check)
{
    PreparedReplace ready;
    for (int tries = 1;; ++tries)
        if (std::string why = prepareReplace(link, bytes, own, ready); why.empty())
            break;
        else if (why != changedWhileChecked || tries == 3)
            return {false, why};
    const ReplaceOutcome outcome = makeReplace(ready, check);
    if (outcome.notNeeded)
        return {true, "", true};
    const bool made = replaceMade(outcome);
    // Said only of a file that was replaced (a failure before the rename leaves the old one as it
    // was), and before the caller says how the rest went.
    if (made && outcome.ownerNotGiven)
        gameWarning << ready.path << " is replaced by a file of owner " << outcome.madeUid << " and group "
                    << outcome.madeGid << ", not " << ready.uid << " and " << ready.gid << " as before ("
                    << systemText("chown", outcome.chownError) << ")" << std::endl;
    FixedLine why;
    describeOutcome(outcome, ready, why);
    return {made, std::string(why.data(), why.size())};
}
