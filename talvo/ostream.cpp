// Output stream: sentry, raw writes and the native header.
#include "talvo/ostream.h"

#include <limits>

#include "talvo/stream_header.h"

namespace talvo::io {

OStream::OStream(std::streambuf* buffer, Registry* registry)
{
    init(buffer, registry);
}

OStream::~OStream() = default;

void OStream::init(std::streambuf* buffer, Registry* registry)
{
    Stream::init(buffer, registry);
    headerLength_ = 0;
}

bool OStream::sentry()
{
    if ((rdstate() & ~reservedBit) != 0)
        return false;
    if (rdbuf() == nullptr) {
        setstate(badBit | failBit);
        return false;
    }
    return true;
}

bool OStream::write(const void* bytes, std::size_t count)
{
    if (count == 0)
        return true;
    if (rdbuf() == nullptr) {
        setstate(badBit | failBit);
        return false;
    }
    const auto* in = static_cast<const char*>(bytes);
    std::size_t put = 0;
    try {
        while (put < count) {
            const auto chunk = static_cast<std::streamsize>(
                std::min<std::size_t>(count - put, std::numeric_limits<std::streamsize>::max()));
            const std::streamsize n = rdbuf()->sputn(in + put, chunk);
            if (n <= 0)
                break;
            put += static_cast<std::size_t>(n);
            if (n < chunk)
                break;
        }
    } catch (...) {
        assignState(rdstate() | badBit | failBit);
        throw;
    }
    if (put < count) {
        setstate(eofBit | failBit);
        return false;
    }
    return true;
}

OStream& OStream::writeBytes(const void* bytes, std::size_t count)
{
    if (sentry())
        write(bytes, count);
    return *this;
}

OStream& OStream::writeU32(std::uint32_t value)
{
    const unsigned char bytes[4] = {
        static_cast<unsigned char>(value), static_cast<unsigned char>(value >> 8),
        static_cast<unsigned char>(value >> 16), static_cast<unsigned char>(value >> 24)};
    return writeBytes(bytes, sizeof bytes);
}

OStream& OStream::writeU16(std::uint16_t value)
{
    const unsigned char bytes[2] = {static_cast<unsigned char>(value),
                                    static_cast<unsigned char>(value >> 8)};
    return writeBytes(bytes, sizeof bytes);
}

OStream& operator<<(OStream& out, std::int32_t value)
{
    return out.writeU32(static_cast<std::uint32_t>(value));
}

OStream& OStream::flush()
{
    if (rdbuf() == nullptr) {
        setstate(badBit | failBit);
        return *this;
    }
    int result = 0;
    try {
        result = rdbuf()->pubsync();
    } catch (...) {
        assignState(rdstate() | badBit | failBit);
        throw;
    }
    if (result == -1)
        setstate(badBit | failBit);
    return *this;
}

std::int64_t OStream::tellp()
{
    if (rdbuf() == nullptr || fail())
        return -1;
    return rdbuf()->pubseekoff(0, std::ios_base::cur, std::ios_base::out);
}

void OStream::writeHeader()
{
    const std::int64_t start = tellp();
    if (start == -1)
        flags(flags() & ~positionedFlag);
    writeBytes(NativeStreamHeader::signature, NativeStreamHeader::signatureLength);
    writeU32(flags());
    headerLength_ = tellp() - start;
}

void OStream::close()
{
    resetRegistry();
    headerLength_ = 0;
}

}  // namespace talvo::io
