// Shared helpers of the talvo tests: a scratch working directory, whole files, bytes, new log text.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "talvo/exception.h"
#include "talvo/log_stream.h"
#include "talvo/mem_buf.h"

namespace talvotest {

// A fresh directory (with a "Data" folder) that is the working directory while the object lives.
class ScratchDir {
public:
    ScratchDir() : previous_(std::filesystem::current_path()) {
        std::string pattern = (std::filesystem::temp_directory_path() / "talvo-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) std::abort();
        path_ = pattern;
        std::filesystem::current_path(path_);
        std::filesystem::create_directory("Data");
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    ~ScratchDir() {
        std::error_code ignored;
        std::filesystem::current_path(previous_, ignored);
        std::filesystem::remove_all(path_, ignored);
    }
    [[nodiscard]] const std::filesystem::path& path() const { return path_; }
    [[nodiscard]] std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path previous_;
    std::filesystem::path path_;
};

inline std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void writeFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string u32(std::uint32_t value) {
    std::string bytes;
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<char>(value >> (8 * i)));
    return bytes;
}

inline std::string u16(std::uint16_t value) { return {static_cast<char>(value), static_cast<char>(value >> 8)}; }

// A malloc'd copy of the bytes, as MemBuf takes them.
inline char* heapCopy(const std::string& bytes) {
    auto* block = static_cast<char*>(std::malloc(bytes.empty() ? 1 : bytes.size()));
    std::memcpy(block, bytes.data(), bytes.size());
    return block;
}

// A MemBuf holding a copy of the bytes, as a stream reads them.
inline std::unique_ptr<talvo::io::MemBuf> memoryOf(const std::string& bytes) {
    auto buffer = std::make_unique<talvo::io::MemBuf>();
    buffer->set(heapCopy(bytes), bytes.size(), bytes.size());
    return buffer;
}

// The bytes a stream buffer yields from its current position on.
inline std::string drain(std::streambuf& buffer) {
    std::string out;
    for (auto c = buffer.sbumpc(); c != std::char_traits<char>::eof(); c = buffer.sbumpc())
        out.push_back(static_cast<char>(c));
    return out;
}

// The text the process log gained since construction (pending entries are flushed first).
class LogWatch {
public:
    LogWatch() : start_(readLog().size()) {}
    [[nodiscard]] std::string text() const {
        const std::string all = readLog();
        return start_ <= all.size() ? all.substr(start_) : all;
    }
    [[nodiscard]] bool has(const std::string& part) const { return text().find(part) != std::string::npos; }

private:
    static std::string readLog() {
        talvo::LogStream::instance().flush();
        const std::string& path = talvo::LogStream::instance().buffer().openedPath();
        return path.empty() ? std::string() : readFile(path);
    }
    std::size_t start_;
};

// The message of the talvo exception the action throws, or "<nothing thrown>".
template <class Action>
std::string failureText(Action&& action) {
    try {
        action();
    } catch (const talvo::Exception& failure) {
        return failure.what();
    }
    return "<nothing thrown>";
}

}  // namespace talvotest
