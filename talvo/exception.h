// The support library's exceptions: the message lives inside the object, so throwing never allocates.
#pragma once

#include <cstddef>
#include <exception>

namespace talvo {

class ErrorInfo;

class Exception : public std::exception {
public:
    static constexpr std::size_t messageSize = 2048;

    // A null or empty text leaves the message to be made by format() on the first what().
    // Longer texts are cut to messageSize - 1 characters.
    explicit Exception(const char* text = nullptr) noexcept;
    // The message is the detail's description, made at once.
    explicit Exception(const ErrorInfo& info) noexcept;
    Exception(const Exception& other) noexcept;
    Exception& operator=(const Exception& other) noexcept;
    ~Exception() override;

    // Never empty: an exception made without a message reports its readable type name.
    [[nodiscard]] const char* what() const noexcept override;

    // Fills an empty message (buffer of messageSize bytes); default: the readable type name.
    virtual void format(char* buffer) const noexcept;

private:
    mutable char message_[messageSize];
};

// Throws Exception(text) at once, without a throw report or log entry.
[[noreturn]] void throwNotImplemented(const char* text = "NOT IMPLEMENTED");

namespace io {

// The failure of the stream classes and the registries.
class Failure : public Exception {
public:
    // A null or empty text becomes "i/o error".
    explicit Failure(const char* text = nullptr) noexcept;
    explicit Failure(const ErrorInfo& info) noexcept : Exception(info) {}
};

}  // namespace io

}  // namespace talvo
