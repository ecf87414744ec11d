// A file over a POSIX descriptor with the library's open modes, sharing rules and log entries.
#pragma once

#include <string>

#include "talvo/abstract_file.h"

namespace talvo {

// Extra open options beyond the mode.
enum class FileFlags : std::uint32_t {
    none = 0,
    noFollow = 1,  // refuse a symbolic link as the last path element (files in shared directories)
    regularOnly = 2,  // open without blocking and refuse anything but a regular file (the log, its settings)
    // In a folder others can write (sticky, or writable by group or others) refuse a file that
    // another user owns or that has another name, before it is opened or truncated (the log in /tmp).
    ownedOnly = 4,
};

// True when the folder of path is sticky or writable by group or others: users besides its owner
// may put names there (also when the folder cannot be looked at).
[[nodiscard]] bool inSharedFolder(const std::string& path);

class File final : public AbstractFile {
public:
    File() noexcept;
    ~File() override;

    using AbstractFile::open;
    // As open(name, mode) with extra flags.
    bool open(const char* name, OpenMode mode, FileFlags flags);
    // Takes a descriptor without ownership; fails when already open or fd < 0.
    bool attach(int fd, OpenMode mode) noexcept;

    [[nodiscard]] int descriptor() const noexcept { return fd_; }
    // A quiet file keeps failures of reading, writing and flushing out of the log: the log's own
    // file, whose failure logged through the log would fail again without end.
    void setQuiet(bool quiet) noexcept { quiet_ = quiet; }

    std::uint32_t size() override;
    bool flush() override;
    std::size_t read(void* buffer, std::size_t count) override;
    std::size_t write(const void* buffer, std::size_t count) override;
    std::int64_t seek(std::int32_t offset, SeekDir direction) override;
    [[nodiscard]] const SystemErrorInfo& lastError() const noexcept override { return lastError_; }

protected:
    bool doOpen(const char* name, OpenMode mode) override;
    bool doClose() override;

private:
    bool openWith(const char* name, OpenMode mode, FileFlags flags);
    std::size_t readRaw(void* buffer, std::size_t count, bool& failed);
    // Translates a text-mode block in place; ended is set at a Ctrl-Z. Returns the bytes kept.
    std::size_t dropCarriageReturns(unsigned char* bytes, std::size_t got, bool& ended);
    void fail(int error) noexcept;

    int fd_ = -1;
    bool ownsFd_ = false;
    bool quiet_ = false;
    FileFlags pendingFlags_ = FileFlags::none;
    SystemErrorInfo lastError_;
};

}  // namespace talvo
