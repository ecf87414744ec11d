// The common virtual base of the library's raw-byte streams: buffer, registry, state and mask.
#pragma once

#include <cstdint>
#include <streambuf>

#include "talvo/error_info.h"

namespace talvo::io {

class Registry;
class StreamBufEx;

// State bits. The reserved bit is ignored by the sentries and set by nothing.
using IoState = std::uint32_t;
inline constexpr IoState badBit = 1;
inline constexpr IoState eofBit = 2;
inline constexpr IoState failBit = 4;
inline constexpr IoState reservedBit = 8;

// Format flags of a stream (stored in the native header).
using StreamFormatFlags = std::uint32_t;
inline constexpr StreamFormatFlags positionedFlag = 2;  // the buffer can report its position
inline constexpr StreamFormatFlags rawFlag = 4;         // no header is written or read

// Archive-stream error codes; 0 carries no text.
enum class ArcStreamError : std::uint32_t {
    none = 0,
    headerRead = 1,
    lormatPacked = 2,
    encrypted = 3,
    unknownPacker = 4,
    uncompress = 5,
};

class Stream {
public:
    // A stream failure's cause: the code's text, the file's last error, then the base part.
    class Error : public ErrorInfo {
    public:
        explicit Error(const Stream& stream, const ErrorInfo* nested = nullptr) noexcept
            : ErrorInfo(nullptr, nested), stream_(&stream) {}
        void setCode(ArcStreamError code) noexcept { code_ = code; }
        void setCode(ArcStreamError code, const ErrorInfo* nested) noexcept
        {
            code_ = code;
            setNested(nested);
        }
        [[nodiscard]] ArcStreamError code() const noexcept { return code_; }
        std::size_t describe(char* buffer, std::size_t size) const noexcept override;

        // The fixed text of a code ("" for 0 and for codes outside 1 to 5).
        [[nodiscard]] static const char* text(ArcStreamError code) noexcept;

    private:
        ArcStreamError code_ = ArcStreamError::none;
        const Stream* stream_;
    };

    Stream(const Stream&) = delete;
    Stream& operator=(const Stream&) = delete;
    virtual ~Stream();

    // A text naming the stream; empty for every stream of the library.
    [[nodiscard]] virtual const char* text() const noexcept { return ""; }

    // Starts over on a buffer (or none: state bad), mask bad and fail, flags positioned.
    void init(std::streambuf* buffer, Registry* registry = nullptr) noexcept;

    [[nodiscard]] std::streambuf* rdbuf() const noexcept { return buffer_; }
    // Installs a buffer (also as the extended buffer when it is one); returns the previous buffer.
    std::streambuf* rdbuf(std::streambuf* buffer) noexcept;
    [[nodiscard]] StreamBufEx* extendedBuffer() const noexcept { return extended_; }

    [[nodiscard]] IoState rdstate() const noexcept { return state_; }
    [[nodiscard]] bool good() const noexcept { return state_ == 0; }
    [[nodiscard]] bool eof() const noexcept { return (state_ & eofBit) != 0; }
    [[nodiscard]] bool fail() const noexcept { return (state_ & (failBit | badBit)) != 0; }
    [[nodiscard]] bool bad() const noexcept { return (state_ & badBit) != 0; }

    // Sets the state (bad is added without a buffer); throws when it meets the mask.
    void clear(IoState state = 0);
    // Adds bits (bad too without a buffer); throws with the cause when the state meets the mask.
    void setstate(IoState bits, const ErrorInfo* cause = nullptr);

    [[nodiscard]] IoState exceptions() const noexcept { return mask_; }
    // Stores the mask; throws when the current state meets it.
    void exceptions(IoState mask);

    [[nodiscard]] StreamFormatFlags flags() const noexcept { return flags_; }
    void flags(StreamFormatFlags flags) noexcept { flags_ = flags; }

    [[nodiscard]] Registry* registry() const noexcept { return registry_; }
    // Uses the registry for object references (not owned by the stream).
    void setRegistry(Registry* registry) noexcept { registry_ = registry; }
    // Forgets every object and factory the registry remembers for this stream.
    void resetRegistry();

    // Reports and throws a Failure whose message is the cause ("i/o error" without one) followed by
    // the buffer's name.
    [[noreturn]] void throw_failure_(const ErrorInfo* cause) const;

protected:
    Stream() noexcept = default;
    // Reading from a buffer that is no file (the unpacked body of an archive) keeps no file error.
    void clearExtendedBuffer() noexcept { extended_ = nullptr; }
    // Raw setters for the few steps that must change state or mask without the throw check.
    void assignState(IoState state) noexcept { state_ = state; }
    void assignMask(IoState mask) noexcept { mask_ = mask; }

private:
    std::streambuf* buffer_ = nullptr;
    StreamBufEx* extended_ = nullptr;
    Registry* registry_ = nullptr;
    IoState state_ = badBit;
    IoState mask_ = badBit | failBit;
    StreamFormatFlags flags_ = positionedFlag;
};

}  // namespace talvo::io
