// Native input and output streams over a named file, as the game keeps its data in.
#pragma once

#include <ios>

#include "talvo/file_buf.h"
#include "talvo/istream.h"
#include "talvo/ostream.h"

namespace talvo::io {

// Opens at construction; a failed open leaves fail set (and throws when the mask holds fail).
class IFileStream : public IStream {
public:
    IFileStream(const char* name, std::ios_base::openmode mode = std::ios_base::in,
                IoState mask = badBit | failBit);
    ~IFileStream() override;

    // Closes a previous file, opens this one with in and binary added, reads the stream header
    // unless the raw flag is set.
    void open(const char* name, std::ios_base::openmode mode, IoState mask);

    [[nodiscard]] FileBuf& fileBuffer() noexcept { return file_; }

private:
    FileBuf file_;
};

class OFileStream : public OStream {
public:
    OFileStream(const char* name, std::ios_base::openmode mode = std::ios_base::out | std::ios_base::trunc,
                IoState mask = badBit | failBit);
    ~OFileStream() override;

    // Closes a previous file, opens this one with out and binary added, writes the native header
    // unless the raw flag is set.
    void open(const char* name, std::ios_base::openmode mode, IoState mask);

    // Writes buffered bytes to the file and the file through to the disk; a failure sets bad and
    // fail (thrown when masked). Destruction cannot report a failure; this can.
    OFileStream& flush();

    [[nodiscard]] FileBuf& fileBuffer() noexcept { return file_; }

private:
    FileBuf file_;
};

}  // namespace talvo::io
