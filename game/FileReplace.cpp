// Atomic replacement over POSIX: write, fsync, rename, fsync of the folder.
#include "game/FileReplace.h"

#include "game/GameLog.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace {
std::string systemText(const char* what, int error)
{
    char text[256] = "";
    return std::string(what) + ": " + ::strerror_r(error, text, sizeof text);
}

std::string syncFolderOf(const std::string& path)
{
    // Made whole, never overwritten: GCC 12 sees an overlapping copy (-Wrestrict) in assigning a
    // short literal over a string it cannot size.
    const std::string parent = std::filesystem::path(path).parent_path().string();
    const std::string folder = parent.empty() ? std::string(".") : parent;
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return systemText("the folder cannot be opened", errno);
    const bool synced = ::fsync(fd) == 0;
    const int error = errno;
    ::close(fd);
    return synced ? std::string() : systemText("the folder cannot be synced", error);
}

// A score file shared through its group (games, on a machine of several players) must stay in
// that group. The superuser may give both; an owner only a group of its own. What cannot be
// given is logged, and the new file stays as it was made.
void takeOwnerAndGroup(const std::string& path, const std::string& temp, const struct stat& old)
{
    struct stat made {};
    if (::stat(temp.c_str(), &made) != 0 || (made.st_uid == old.st_uid && made.st_gid == old.st_gid))
        return;
    if (::chown(temp.c_str(), old.st_uid, old.st_gid) == 0)
        return;
    int error = errno;
    if (made.st_gid != old.st_gid && ::chown(temp.c_str(), static_cast<uid_t>(-1), old.st_gid) == 0)
        made.st_gid = old.st_gid;
    else if (made.st_gid != old.st_gid)
        error = errno;
    gameWarning << path << " is replaced by a file of owner " << made.st_uid << " and group " << made.st_gid
                << ", not " << old.st_uid << " and " << old.st_gid << " as before (" << systemText("chown", error)
                << ")" << std::endl;
}

// Where a write to path lands: path itself, or the file at the end of its chain of links (a best
// score shared from another folder), so that the link stays and its target takes the new file.
// "" in why when path is no link or the chain ends at a file; else why nothing may be written.
std::string finalTarget(const std::string& path, std::string& why)
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
        if (!S_ISLNK(st.st_mode))
            return at.string();
        if (followed == maxLinks) {
            why = "its links lead round in a loop";
            return at.string();
        }
        std::error_code error;
        const std::filesystem::path next = std::filesystem::read_symlink(at, error);
        if (error) {
            why = systemText("its link cannot be read", error.value());
            return at.string();
        }
        // A relative link names its target from the link's own folder.
        at = next.is_absolute() ? next : at.parent_path() / next;
    }
}
} // namespace

std::string replaceFile(const std::string& link, const std::function<std::string(const std::string&)>& writeTemp)
{
    std::string why;
    const std::string path = finalTarget(link, why);
    if (!why.empty())
        return why;
    const std::string temp = path + ".new";
    // A leftover of a killed run, or a link someone put there, is never written through.
    (void)::unlink(temp.c_str());
    // The new file takes the old one's owner, group and permission bits, not the process's
    // defaults; the bits after the owner, for a change of owner clears the set-id bits.
    struct stat old {};
    const bool hadOld = ::stat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode);
    std::string error = writeTemp(temp);
    if (error.empty() && hadOld)
        takeOwnerAndGroup(path, temp, old);
    if (error.empty() && hadOld && ::chmod(temp.c_str(), old.st_mode & 07777) != 0)
        error = systemText("the new file cannot take the old one's permissions", errno);
    if (error.empty() && ::rename(temp.c_str(), path.c_str()) != 0)
        error = systemText("the new file cannot replace the old one", errno);
    if (!error.empty()) {
        (void)::unlink(temp.c_str());
        return path == link ? error : error + " (it is a link to " + path + ")";
    }
    // The rename is done; only its lasting through a power cut is in question now.
    return syncFolderOf(path);
}

std::string replaceFileWith(const std::string& path, std::string_view bytes)
{
    return replaceFile(path, [bytes](const std::string& temp) -> std::string {
        const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0)
            return systemText("the new file cannot be made", errno);
        std::string error;
        for (std::size_t done = 0; done < bytes.size() && error.empty();) {
            const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno != EINTR)
                error = systemText("write failed", errno);
            else if (n > 0)
                done += static_cast<std::size_t>(n);
        }
        if (error.empty() && ::fsync(fd) != 0)
            error = systemText("sync failed", errno);
        if (::close(fd) != 0 && error.empty())
            error = systemText("close failed", errno);
        return error;
    });
}
