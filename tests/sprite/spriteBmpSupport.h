// BMP helpers of the sprite tests: reading bytes through a memory stream, files under a temp folder.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <unistd.h>

#include "sprite/imgCTy.h"
#include "talvo/istream.h"
#include "talvo/mem_buf.h"

// Reads a BMP held in memory into the image through a talvo stream with the given mask.
inline void readBmpBytes(imgCTy& image, const std::vector<std::uint8_t>& bytes, talvo::io::IoState mask = 0)
{
    talvo::io::MemBuf buffer;
    char* block = static_cast<char*>(std::malloc(bytes.size() + 1));
    if (!bytes.empty()) std::memcpy(block, bytes.data(), bytes.size());
    buffer.set(block, bytes.size(), bytes.size());
    talvo::io::IStream in(&buffer);
    in.exceptions(mask);
    image.ReadBmp(in);
}

inline std::vector<std::uint8_t> fileBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A fresh folder for one test's files, removed with the object.
class TempFolder {
public:
    explicit TempFolder(const std::string& name)
        : path_(std::filesystem::temp_directory_path() / (name + "_" + std::to_string(::getpid())))
    {
        std::filesystem::create_directories(path_);
    }
    ~TempFolder() { std::filesystem::remove_all(path_); }
    [[nodiscard]] std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};
