// Output stream of raw bytes: output sentry, little-endian integers and the native header.
#pragma once

#include <cstddef>
#include <cstdint>

#include "talvo/stream.h"

namespace talvo::io {

class OStream : public virtual Stream {
public:
    explicit OStream(std::streambuf* buffer = nullptr, Registry* registry = nullptr);
    ~OStream() override;

    void init(std::streambuf* buffer, Registry* registry = nullptr);

    // The output sentry: a stream that is not good writes nothing and changes nothing; one without
    // a buffer gains bad and fail (thrown when masked).
    bool sentry();

    // Writes all count bytes (no sentry); a short write sets eof and fail. True when all went out.
    bool write(const void* bytes, std::size_t count);
    // write behind the sentry.
    OStream& writeBytes(const void* bytes, std::size_t count);
    // A 32-bit integer as 4 little-endian bytes, behind the sentry.
    OStream& writeU32(std::uint32_t value);
    // A 16-bit integer as 2 little-endian bytes, behind the sentry.
    OStream& writeU16(std::uint16_t value);

    // Pushes buffered bytes on to the buffer's destination; a refusal sets bad and fail (thrown
    // when masked), so a caller learns that its data did not arrive.
    OStream& flush();

    // Writes the native header (signature and format flags) and remembers its length.
    void writeHeader();
    [[nodiscard]] std::int64_t headerLength() const noexcept { return headerLength_; }

    // Forgets the registry's tables.
    void close();

private:
    [[nodiscard]] std::int64_t tellp();

    std::int64_t headerLength_ = 0;
};

OStream& operator<<(OStream& out, std::int32_t value);

}  // namespace talvo::io
