// The support library's interface of an open file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ios>

#include "talvo/error_info.h"

namespace talvo {

// Seek directions as the library numbers them.
enum class SeekDir : std::int32_t { begin = 1, current = 2, end = 4 };

using OpenMode = std::ios_base::openmode;

// Open modes are the standard library's bits; the library relies on their values.
static_assert(static_cast<int>(std::ios_base::app) == 1 && static_cast<int>(std::ios_base::ate) == 2 &&
              static_cast<int>(std::ios_base::binary) == 4 && static_cast<int>(std::ios_base::in) == 8 &&
              static_cast<int>(std::ios_base::out) == 16 && static_cast<int>(std::ios_base::trunc) == 32);

class AbstractFile {
public:
    AbstractFile() noexcept;
    AbstractFile(const AbstractFile&) = delete;
    AbstractFile& operator=(const AbstractFile&) = delete;
    virtual ~AbstractFile();

    // Opens through the implementation and stores the mode on success.
    bool open(const char* name, OpenMode mode);
    // Closes only an open file; the stored mode is cleared on success.
    bool close();

    [[nodiscard]] OpenMode mode() const noexcept { return mode_; }
    void setMode(OpenMode mode) noexcept { mode_ = mode; }
    [[nodiscard]] bool isOpen() const noexcept { return mode_ != OpenMode{}; }

    // Size in bytes (low 32 bits); 0 when it cannot be told.
    [[nodiscard]] virtual std::uint32_t size() = 0;
    // Writes the file's data through to the device.
    virtual bool flush() = 0;
    // Returns the bytes read (0 at the end and on failure).
    virtual std::size_t read(void* buffer, std::size_t count) = 0;
    // Returns the bytes written; fewer than count only on failure.
    virtual std::size_t write(const void* buffer, std::size_t count) = 0;
    // Returns the new position or -1.
    virtual std::int64_t seek(std::int32_t offset, SeekDir direction) = 0;
    // The last system error of this file ("no error" until a call fails).
    [[nodiscard]] virtual const SystemErrorInfo& lastError() const noexcept = 0;

    // The system's page size, read once; 4096 when the system reports none.
    [[nodiscard]] static std::uint32_t pageSize() noexcept;

protected:
    virtual bool doOpen(const char* name, OpenMode mode) = 0;
    virtual bool doClose() = 0;

private:
    OpenMode mode_{};
};

}  // namespace talvo
