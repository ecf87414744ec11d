// Files for harnesses that must reach the code reading from disk: one temporary folder per
// process, removed at exit, and the input written into it. The folder sits in memory when it can:
// on a disk, writing and syncing each input costs more than the code under test.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace fuzz {

// The process's folder, made at the first call (in /dev/shm when there is one, else $TMPDIR or
// /tmp).
inline const std::string& tempFolder()
{
    static const std::string* folder = [] {
        std::string base = "/tmp";
        if (const char* tmp = std::getenv("TMPDIR"); tmp != nullptr && *tmp != '\0') base = tmp;
        if (::access("/dev/shm", W_OK | X_OK) == 0) base = "/dev/shm";
        auto* path = new std::string(base + "/velmoor-fuzz-XXXXXX");
        if (::mkdtemp(path->data()) == nullptr)
            std::abort();
        std::atexit([] { std::filesystem::remove_all(tempFolder()); });
        return path;
    }();
    return *folder;
}

// Writes the bytes as the whole file at path; aborts when it cannot (the run would test nothing).
inline void writeFile(const std::string& path, const uint8_t* data, std::size_t size)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr || (size != 0 && std::fwrite(data, 1, size, file) != size) || std::fclose(file) != 0)
        std::abort();
}

} // namespace fuzz
