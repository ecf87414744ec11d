// Error details: a chain of small objects that each append their part of a failure's message.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iosfwd>

namespace talvo {

// Base detail: names the file or stream where the error arose and links to its cause. Details are
// plain objects their creator owns (usually locals of the throwing function); nothing is owned here.
class ErrorInfo {
public:
    explicit ErrorInfo(const char* sourceName = nullptr, const ErrorInfo* nested = nullptr) noexcept
        : sourceName_(sourceName), nested_(nested) {}
    ErrorInfo(const ErrorInfo&) = default;
    ErrorInfo& operator=(const ErrorInfo&) = default;
    virtual ~ErrorInfo();

    // Writes the description into buffer (always terminated, cut to fit) and returns its length.
    // The base part: the nested detail's description, then " ('<source name>')" when a name is set.
    // A null buffer or a size of 0 writes nothing and returns 0.
    virtual std::size_t describe(char* buffer, std::size_t size) const noexcept;

    [[nodiscard]] const char* sourceName() const noexcept { return sourceName_; }
    void setSourceName(const char* name) noexcept { sourceName_ = name; }
    [[nodiscard]] const ErrorInfo* nested() const noexcept { return nested_; }
    void setNested(const ErrorInfo* nested) noexcept { nested_ = nested; }

protected:
    // For the kinds: writes the base part behind the own text already in buffer[0, used).
    std::size_t appendBase(char* buffer, std::size_t size, std::size_t used) const noexcept;

private:
    const char* sourceName_;
    const ErrorInfo* nested_;
};

// A fixed text (not owned) in front of the base part.
class TextualErrorInfo : public ErrorInfo {
public:
    explicit TextualErrorInfo(const char* text, const char* sourceName = nullptr,
                              const ErrorInfo* nested = nullptr) noexcept
        : ErrorInfo(sourceName, nested), text_(text) {}
    std::size_t describe(char* buffer, std::size_t size) const noexcept override;
    [[nodiscard]] const char* text() const noexcept { return text_; }

private:
    const char* text_;
};

// The system's text for an error number (errno) in front of the base part.
class SystemErrorInfo : public ErrorInfo {
public:
    // Code 0 takes the calling thread's errno now, not when the detail is described.
    explicit SystemErrorInfo(std::uint32_t code = 0) noexcept;
    // The same choice of code on an existing detail.
    void set(std::uint32_t code = 0) noexcept;
    // Back to "no error", whatever errno holds.
    void clear() noexcept { code_ = 0; }
    [[nodiscard]] std::uint32_t code() const noexcept { return code_; }
    // Code 0 reads "no error"; other codes read as strerror_r gives them, without a line break.
    std::size_t describe(char* buffer, std::size_t size) const noexcept override;

private:
    std::uint32_t code_;
};

// Writes the detail's description (at most 4095 characters) to a text stream.
std::ostream& operator<<(std::ostream& out, const ErrorInfo& info);

namespace io {

// ": " and zlib's text for a zlib result code in front of the base part.
class ZipError : public ErrorInfo {
public:
    explicit ZipError(std::int32_t code, const char* sourceName = nullptr,
                      const ErrorInfo* nested = nullptr) noexcept
        : ErrorInfo(sourceName, nested), code_(code) {}
    std::size_t describe(char* buffer, std::size_t size) const noexcept override;
    [[nodiscard]] std::int32_t code() const noexcept { return code_; }
    void setCode(std::int32_t code) noexcept { code_ = code; }

private:
    std::int32_t code_;
};

}  // namespace io

// Copies text behind buffer[0, used), cut so that buffer stays terminated within size; returns the
// new length. Shared by the details and the exceptions so that every cut works the same way.
std::size_t appendText(char* buffer, std::size_t size, std::size_t used, const char* text) noexcept;

}  // namespace talvo
