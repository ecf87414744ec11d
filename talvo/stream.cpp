// Stream base: state, mask and the one throw path of the stream classes.
#include "talvo/stream.h"

#include <typeinfo>

#include "talvo/exception.h"
#include "talvo/object_registry.h"
#include "talvo/stream_buf.h"
#include "talvo/throw_report.h"
#include "talvo/type_name.h"

namespace talvo::io {

namespace {

// A file error worth showing: one that a failing call left behind.
const ErrorInfo* reportedFileError(const StreamBufEx* buffer) noexcept
{
    if (buffer == nullptr)
        return nullptr;
    const ErrorInfo* error = buffer->lastFileError();
    // A file that has not failed yet reads "no error", which is no part of a failure's message.
    const auto* system = dynamic_cast<const SystemErrorInfo*>(error);
    if (error == nullptr || (system != nullptr && system->code() == 0))
        return nullptr;
    return error;
}

}  // namespace

const char* Stream::Error::text(ArcStreamError code) noexcept
{
    switch (code) {
    case ArcStreamError::none: return "";
    case ArcStreamError::headerRead: return "reading rw1 header failed";
    case ArcStreamError::lormatPacked: return "g1rw streams packed with lormat are not supported";
    case ArcStreamError::encrypted: return "Encrypted g1rw streams are not supported";
    case ArcStreamError::unknownPacker: return "Unknown g1rw stream packer type";
    case ArcStreamError::uncompress: return "z_uncompress() failed while opening g1rw stream";
    }
    return "";
}

std::size_t Stream::Error::describe(char* buffer, std::size_t size) const noexcept
{
    if (buffer == nullptr || size == 0)
        return 0;
    buffer[0] = '\0';
    std::size_t n = 0;
    if (code_ != ArcStreamError::none) {
        n = appendText(buffer, size, n, " ");
        n = appendText(buffer, size, n, text(code_));
    }
    if (const ErrorInfo* fileError = reportedFileError(stream_->extendedBuffer());
        fileError != nullptr && n + 1 < size) {
        n += fileError->describe(buffer + n, size - n);
        if (n >= size)
            n = size - 1;
    }
    return appendBase(buffer, size, n);
}

Stream::~Stream() = default;

void Stream::init(std::streambuf* buffer, Registry* registry) noexcept
{
    rdbuf(buffer);
    registry_ = registry;
    state_ = buffer == nullptr ? badBit : 0;
    mask_ = badBit | failBit;
    flags_ = positionedFlag;
}

std::streambuf* Stream::rdbuf(std::streambuf* buffer) noexcept
{
    std::streambuf* previous = buffer_;
    buffer_ = buffer;
    extended_ = dynamic_cast<StreamBufEx*>(buffer);
    return previous;
}

void Stream::clear(IoState state)
{
    state_ = state | (buffer_ == nullptr ? badBit : 0);
    if ((state_ & mask_) != 0)
        throw_failure_(nullptr);
}

void Stream::setstate(IoState bits, const ErrorInfo* cause)
{
    state_ |= bits | (buffer_ == nullptr ? badBit : 0);
    if ((state_ & mask_) != 0)
        throw_failure_(cause);
}

void Stream::exceptions(IoState mask)
{
    mask_ = mask;
    clear(state_);
}

void Stream::resetRegistry()
{
    if (registry_ != nullptr)
        registry_->reset();
}

void Stream::throw_failure_(const ErrorInfo* cause) const
{
    const TextualErrorInfo fallback("i/o error");
    const ErrorInfo& reason = cause != nullptr ? *cause : fallback;
    ErrorInfo wrapper(nullptr, &reason);
    char typeName[256];
    if (reason.sourceName() == nullptr || reason.sourceName()[0] == '\0') {
        if (extended_ != nullptr) {
            wrapper.setSourceName(extended_->name());
        } else if (buffer_ != nullptr) {
            formatTypeName(typeid(*buffer_), typeName, sizeof typeName);
            wrapper.setSourceName(typeName);
        }
    }
    const Failure failure(wrapper);
    reportAndThrow(TALVO_SOURCE_LOCATION("talvo::io::Stream::throw_failure_"), failure);
}

}  // namespace talvo::io
