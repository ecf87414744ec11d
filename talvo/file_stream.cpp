// File streams: open by name, name the file in open failures, flush on request.
#include "talvo/file_stream.h"

namespace talvo::io {

namespace {

// Opens the buffer or fails the stream with the system's reason and the file's name.
bool openBuffer(Stream& stream, FileBuf& buffer, const char* name, std::ios_base::openmode mode)
{
    if (buffer.open(name != nullptr ? name : "", mode) != nullptr)
        return true;
    const ErrorInfo cause(name, buffer.lastFileError());
    stream.setstate(failBit, &cause);
    return false;
}

}  // namespace

IFileStream::IFileStream(const char* name, std::ios_base::openmode mode, IoState mask)
{
    IStream::init(&file_);
    open(name, mode, mask);
}

IFileStream::~IFileStream() = default;

void IFileStream::open(const char* name, std::ios_base::openmode mode, IoState mask)
{
    if (file_.is_open()) {
        file_.close();
        IStream::close();
    }
    clear(0);
    exceptions(mask);
    if (!openBuffer(*this, file_, name, mode | std::ios_base::in | std::ios_base::binary))
        return;
    if ((flags() & rawFlag) == 0)
        readStreamHeader();
}

OFileStream::OFileStream(const char* name, std::ios_base::openmode mode, IoState mask)
{
    OStream::init(&file_);
    open(name, mode, mask);
}

OFileStream::~OFileStream() = default;

void OFileStream::open(const char* name, std::ios_base::openmode mode, IoState mask)
{
    if (file_.is_open()) {
        file_.close();
        OStream::close();
    }
    clear(0);
    exceptions(mask);
    if (!openBuffer(*this, file_, name, mode | std::ios_base::out | std::ios_base::binary))
        return;
    if ((flags() & rawFlag) == 0)
        writeHeader();
}

OFileStream& OFileStream::flush()
{
    OStream::flush();
    if (!fail() && file_.is_open() && !file_.file().flush())
        setstate(badBit | failBit);
    return *this;
}

}  // namespace talvo::io
