// Stream buffers over the library's files, buffering like the standard file buffer.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "talvo/file.h"
#include "talvo/stream_buf.h"

namespace talvo::io {

// Reads and writes an AbstractFile it does not own. Without the binary bit, writing turns LF into
// CR LF and reading relies on the file's CR LF translation.
class BasicFileBuf : public StreamBufEx {
public:
    explicit BasicFileBuf(AbstractFile* file = nullptr, std::string name = {});
    BasicFileBuf(const BasicFileBuf&) = delete;
    BasicFileBuf& operator=(const BasicFileBuf&) = delete;
    // Writes pending output; the file stays as it is.
    ~BasicFileBuf() override;

    [[nodiscard]] const ErrorInfo* lastFileError() const noexcept override;
    [[nodiscard]] const char* name() const noexcept override { return name_.c_str(); }
    void setName(std::string name) { name_ = std::move(name); }

    [[nodiscard]] AbstractFile* file() const noexcept { return file_; }
    [[nodiscard]] bool is_open() const noexcept { return file_ != nullptr && file_->isOpen(); }
    // Size of the internal buffer: the smallest whole number of pages of at least 4096 bytes.
    [[nodiscard]] static std::size_t defaultBufferSize() noexcept;

protected:
    void setFile(AbstractFile* file) noexcept { file_ = file; }
    // Writes pending output and returns to the closed state; false when the write failed.
    bool resetBuffer();

    int_type underflow() override;
    int_type overflow(int_type c) override;
    int_type pbackfail(int_type c) override;
    int sync() override;
    std::streamsize showmanyc() override;
    pos_type seekoff(off_type off, std::ios_base::seekdir dir, std::ios_base::openmode which) override;
    pos_type seekpos(pos_type pos, std::ios_base::openmode which) override;
    std::streambuf* setbuf(char* buffer, std::streamsize size) override;

private:
    enum class State { idle, reading, writing, error };
    static constexpr std::size_t putbackSize = 8;

    bool makeBuffer();
    bool writePending();
    bool writeOut(const char* data, std::size_t count);
    [[nodiscard]] bool binary() const noexcept;
    [[nodiscard]] bool modeHas(std::ios_base::openmode bit) const noexcept;
    // The file position of the next character to be read.
    [[nodiscard]] std::int64_t readPosition();

    AbstractFile* file_;
    std::string name_;
    State state_ = State::idle;
    std::unique_ptr<char[]> own_;
    char* data_ = nullptr;       // start of the data area (behind the putback area when owned)
    std::size_t capacity_ = 0;   // size of the data area
    char* callerBuffer_ = nullptr;
    std::size_t callerSize_ = 0;
    bool unbuffered_ = false;
};

// A BasicFileBuf that owns its File.
class FileBuf : public BasicFileBuf {
public:
    FileBuf();
    // Attaches a descriptor without ownership.
    FileBuf(int fd, OpenMode mode);
    // Opens the file; the name is kept as the buffer's name whether the open succeeded or not.
    FileBuf(const char* name, OpenMode mode);
    ~FileBuf() override;

    // Opens the member file; the buffer's name is not changed. Null on failure.
    FileBuf* open(const char* name, OpenMode mode);
    // Writes pending output and closes the file; null when nothing was open or a step failed.
    FileBuf* close();
    [[nodiscard]] File& file() noexcept { return file_; }

private:
    File file_;
};

}  // namespace talvo::io
