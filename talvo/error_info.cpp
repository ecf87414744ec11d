// The describe chain of the error details.
#include "talvo/error_info.h"

#include <zlib.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ostream>

namespace talvo {

std::size_t appendText(char* buffer, std::size_t size, std::size_t used, const char* text) noexcept {
    if (buffer == nullptr || size == 0 || used >= size) return used;
    buffer[used] = '\0';
    if (text == nullptr) return used;
    std::size_t n = std::strlen(text);
    const std::size_t room = size - 1 - used;
    if (n > room) n = room;
    std::memcpy(buffer + used, text, n);
    buffer[used + n] = '\0';
    return used + n;
}

ErrorInfo::~ErrorInfo() = default;

std::size_t ErrorInfo::describe(char* buffer, std::size_t size) const noexcept {
    if (buffer == nullptr || size == 0) return 0;
    buffer[0] = '\0';
    std::size_t n = 0;
    if (nested_ != nullptr) {
        n = nested_->describe(buffer, size);
        if (n >= size) n = size - 1;  // a misbehaving kind must not push us past the end
    }
    if (sourceName_ != nullptr && sourceName_[0] != '\0') {
        // snprintf cuts to the room left and reports the length it wanted; only what fit counts.
        const int wanted = std::snprintf(buffer + n, size - n, " ('%s')", sourceName_);
        if (wanted > 0) {
            const std::size_t room = size - n - 1;
            n += static_cast<std::size_t>(wanted) < room ? static_cast<std::size_t>(wanted) : room;
        }
    }
    return n;
}

std::size_t ErrorInfo::appendBase(char* buffer, std::size_t size, std::size_t used) const noexcept {
    if (used >= size) return used;
    return used + ErrorInfo::describe(buffer + used, size - used);
}

std::size_t TextualErrorInfo::describe(char* buffer, std::size_t size) const noexcept {
    if (buffer == nullptr || size == 0) return 0;
    const std::size_t n = appendText(buffer, size, 0, text_);
    return appendBase(buffer, size, n);
}

SystemErrorInfo::SystemErrorInfo(std::uint32_t code) noexcept : code_(0) { set(code); }

void SystemErrorInfo::set(std::uint32_t code) noexcept {
    code_ = code != 0 ? code : static_cast<std::uint32_t>(errno);
}

std::size_t SystemErrorInfo::describe(char* buffer, std::size_t size) const noexcept {
    if (buffer == nullptr || size == 0) return 0;
    std::size_t n = 0;
    if (code_ == 0) {
        n = appendText(buffer, size, 0, "no error");
    } else {
        char text[256];
        // GNU strerror_r may answer with a static text instead of filling ours.
        const char* message = strerror_r(static_cast<int>(code_), text, sizeof text);
        n = appendText(buffer, size, 0, message);
    }
    while (n > 0 && (buffer[n - 1] == '\n' || buffer[n - 1] == '\r')) buffer[--n] = '\0';
    return appendBase(buffer, size, n);
}

std::ostream& operator<<(std::ostream& out, const ErrorInfo& info) {
    char buffer[4096];
    const std::size_t n = info.describe(buffer, sizeof buffer);
    return out.write(buffer, static_cast<std::streamsize>(n));
}

namespace io {

std::size_t ZipError::describe(char* buffer, std::size_t size) const noexcept {
    if (buffer == nullptr || size == 0) return 0;
    std::size_t n = appendText(buffer, size, 0, ": ");
    // zError indexes a table without checking; codes outside zlib's range would read past it.
    const bool known = code_ >= Z_VERSION_ERROR && code_ <= Z_NEED_DICT;
    n = appendText(buffer, size, n, known ? zError(code_) : "unknown zlib error");
    return appendBase(buffer, size, n);
}

}  // namespace io

}  // namespace talvo
