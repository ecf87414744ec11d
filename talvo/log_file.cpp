// Log file names and the places the log file is tried in.
#include "talvo/log_file.h"

#include <unistd.h>

#include <cstdlib>
#include <mutex>

#include "talvo/log.h"
#include "talvo/log_category.h"

namespace talvo {

namespace {

std::string& executablePathOverride() {
    static auto* path = new std::string();
    return *path;
}

std::string directoryOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace

std::string executablePath() {
    std::lock_guard lock(logCriticalSection());
    if (!executablePathOverride().empty()) return executablePathOverride();
    char buffer[4096];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0) return {};
    return std::string(buffer, static_cast<std::size_t>(n));
}

void setExecutablePath(std::string path) {
    std::lock_guard lock(logCriticalSection());
    executablePathOverride() = std::move(path);
}

std::string makeLogFileName(const char* suffix) {
    const std::string path = executablePath();
    std::string stem = path.substr(directoryOf(path).size());
    const auto dot = stem.find_last_of('.');
    if (dot != std::string::npos) stem.resize(dot);
    if (path.empty()) stem = "_talvo";
    return stem + (suffix != nullptr ? suffix : "");
}

const std::string& logFileName() {
    static const auto* name = new std::string(makeLogFileName(".log"));
    return *name;
}

const std::string& logSettingsFileName() {
    static const auto* name = new std::string(makeLogFileName(".log.ini"));
    return *name;
}

std::string base36(unsigned n) {
    static constexpr char digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    std::string text;
    do {
        text.insert(text.begin(), digits[n % 36]);
        n /= 36;
    } while (n != 0);
    return text;
}

std::string openLogFileSomewhere(File& file, const std::string& name, OpenMode mode) {
    if (file.isOpen() || name.empty()) return {};
    const std::string directory = directoryOf(name);
    const std::string rest = name.substr(directory.size());
    const auto dot = rest.find_last_of('.');
    const std::string stem = dot == std::string::npos ? rest : rest.substr(0, dot);
    const std::string extension = dot == std::string::npos ? std::string() : rest.substr(dot);
    const bool reading = (mode & std::ios_base::in) != OpenMode{};

    std::string places[4];
    int count = 0;
    if (!directory.empty()) places[count++] = directory;
    const std::string exeDir = directoryOf(executablePath());
    if (!exeDir.empty()) places[count++] = exeDir;
    const char* tmp = std::getenv("TMPDIR");
    places[count++] = (tmp != nullptr && tmp[0] != '\0') ? tmp : "/tmp";
    places[count++] = "./";

    // Only regular files, opened without blocking: a pipe or device there must not stall the
    // program. The log may land in /tmp, where another user's file must stay untouched.
    auto flags = static_cast<std::uint32_t>(FileFlags::noFollow) | static_cast<std::uint32_t>(FileFlags::regularOnly);
    if (!reading) flags |= static_cast<std::uint32_t>(FileFlags::ownedOnly);

    for (int p = 0; p < count; ++p) {
        std::string place = places[p];
        if (place.back() != '/') place += '/';
        std::string path = place + stem + extension;
        if (file.open(path.c_str(), mode, static_cast<FileFlags>(flags))) return path;
        if (!reading) {
            for (unsigned n = 1; n <= 101; ++n) {
                if (n > 1) logInfo << "can't create unique file, trying again" << std::endl;
                path = place + stem + "_" + base36(n) + extension;
                if (file.open(path.c_str(), mode, static_cast<FileFlags>(flags))) return path;
            }
        }
        if (reading) break;
    }
    return {};
}

}  // namespace talvo
