// Construction, lazy formatting and copying of the library's exceptions.
#include "talvo/exception.h"

#include <cstring>
#include <typeinfo>

#include "talvo/error_info.h"
#include "talvo/type_name.h"

namespace talvo {

Exception::Exception(const char* text) noexcept : std::exception() {
    message_[0] = '\0';
    appendText(message_, messageSize, 0, text);
}

Exception::Exception(const ErrorInfo& info) noexcept : std::exception() {
    message_[0] = '\0';
    info.describe(message_, messageSize);
    message_[messageSize - 1] = '\0';
}

Exception::Exception(const Exception& other) noexcept : std::exception(other) {
    std::memcpy(message_, other.message_, messageSize);
}

Exception& Exception::operator=(const Exception& other) noexcept {
    std::exception::operator=(other);
    if (this != &other) std::memcpy(message_, other.message_, messageSize);
    return *this;
}

Exception::~Exception() = default;

const char* Exception::what() const noexcept {
    if (message_[0] == '\0') {
        format(message_);
        message_[messageSize - 1] = '\0';
    }
    return message_;
}

void Exception::format(char* buffer) const noexcept {
    formatTypeName(typeid(*this), buffer, messageSize);
}

void throwNotImplemented(const char* text) { throw Exception(text); }

namespace io {

Failure::Failure(const char* text) noexcept
    : Exception(text != nullptr && text[0] != '\0' ? text : "i/o error") {}

}  // namespace io

}  // namespace talvo
