// Atomic replacement over POSIX: write, fsync, rename, fsync of the folder.
#include "game/FileReplace.h"

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
} // namespace

std::string replaceFile(const std::string& path, const std::function<std::string(const std::string&)>& writeTemp)
{
    const std::string temp = path + ".new";
    // A leftover of a killed run, or a link someone put there, is never written through.
    (void)::unlink(temp.c_str());
    // The new file takes the old one's permission bits, not the process's defaults.
    struct stat old {};
    const bool hadOld = ::stat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode);
    std::string error = writeTemp(temp);
    if (error.empty() && hadOld && ::chmod(temp.c_str(), old.st_mode & 07777) != 0)
        error = systemText("the new file cannot take the old one's permissions", errno);
    if (error.empty() && ::rename(temp.c_str(), path.c_str()) != 0)
        error = systemText("the new file cannot replace the old one", errno);
    if (!error.empty()) {
        (void)::unlink(temp.c_str());
        return error;
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
