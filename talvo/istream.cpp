// Input stream: sentry, guarded reads, seeks, and the native and legacy stream kinds.
#include "talvo/istream.h"

#include <cstring>
#include <limits>

#include "talvo/mem_buf.h"
#include "talvo/object_registry.h"
#include "talvo/stream_header.h"

namespace talvo::io {

IStream::IStream(std::streambuf* buffer, Registry* registry)
{
    init(buffer, registry);
}

IStream::~IStream() = default;

void IStream::init(std::streambuf* buffer, Registry* registry)
{
    Stream::init(buffer, registry);
    unpacked_.reset();
    kept_ = nullptr;
    ownRegistry_.reset();
    dataStart_ = 0;
}

bool IStream::sentry()
{
    if ((rdstate() & ~reservedBit) != 0) {
        setstate(failBit);
        return false;
    }
    if (rdbuf() == nullptr) {
        setstate(badBit | failBit);
        return false;
    }
    return true;
}

std::size_t IStream::pull(void* bytes, std::size_t count)
{
    auto* out = static_cast<char*>(bytes);
    std::size_t got = 0;
    try {
        while (got < count) {
            const auto chunk = static_cast<std::streamsize>(
                std::min<std::size_t>(count - got, std::numeric_limits<std::streamsize>::max()));
            const std::streamsize n = rdbuf()->sgetn(out + got, chunk);
            if (n <= 0)
                break;
            got += static_cast<std::size_t>(n);
            if (n < chunk)
                break;
        }
    } catch (...) {
        assignState(rdstate() | badBit | failBit);
        throw;
    }
    return got;
}

IStream& IStream::read(void* bytes, std::size_t count)
{
    if (!sentry())
        return *this;
    if (pull(bytes, count) < count)
        setstate(eofBit | failBit);
    return *this;
}

std::size_t IStream::readPartial(void* bytes, std::size_t count)
{
    if (!sentry())
        return 0;
    const std::size_t got = pull(bytes, count);
    if (got < count)
        setstate(got == 0 ? eofBit | failBit : eofBit);
    return got;
}

std::size_t IStream::readUpTo(void* bytes, std::size_t count)
{
    if (!sentry())
        return 0;
    const std::size_t got = pull(bytes, count);
    if (got == 0 && count != 0)
        setstate(eofBit | failBit);
    return got;
}

std::int64_t IStream::tellg()
{
    if (rdbuf() == nullptr || fail())
        return -1;
    return rdbuf()->pubseekoff(0, std::ios_base::cur, std::ios_base::in);
}

std::int64_t IStream::seekg(std::int64_t position)
{
    if (rdbuf() == nullptr || fail() || position == -1)
        return -1;
    const std::int64_t reached = rdbuf()->pubseekpos(position, std::ios_base::in);
    if (reached != -1)
        assignState(rdstate() & ~eofBit);
    return reached;
}

void IStream::setRegistry(Registry* registry)
{
    if (registry != ownRegistry_.get()) {
        Stream::setRegistry(nullptr);
        ownRegistry_.reset(registry);
    }
    Stream::setRegistry(registry);
}

void IStream::close()
{
    resetRegistry();
    if (unpacked_ != nullptr) {
        rdbuf(kept_);
        clearExtendedBuffer();
        kept_ = nullptr;
        unpacked_.reset();
    }
    dataStart_ = 0;
}

bool IStream::probe(void* bytes, std::size_t count)
{
    const IoState before = rdstate();
    const IoState mask = exceptions();
    assignMask(badBit);
    bool complete = false;
    try {
        read(bytes, count);
        complete = !fail();
    } catch (...) {
        assignMask(mask);
        throw;
    }
    assignMask(mask);
    clear(before);
    return complete;
}

void IStream::readStreamHeader()
{
    const std::int64_t start = tellg();
    if (start == -1)
        flags(flags() & ~positionedFlag);
    setRegistry(nullptr);

    char magic[4];
    if (!probe(magic, sizeof magic)) {
        openLegacy(start);
        return;
    }
    if (std::memcmp(magic, rw1Magic, sizeof magic) == 0) {
        readArchiveHeader(1);
        return;
    }
    if (std::memcmp(magic, rw2Magic, sizeof magic) == 0) {
        readArchiveHeader(2);
        return;
    }
    if (std::memcmp(magic, NativeStreamHeader::signature, sizeof magic) != 0) {
        openLegacy(start);
        return;
    }

    // NOTE: a file that merely begins like the signature is a legacy stream, however short it is;
    // only a complete signature commits the stream to a flags word.
    char rest[NativeStreamHeader::signatureLength - sizeof magic];
    if (!probe(rest, sizeof rest) ||
        std::memcmp(rest, NativeStreamHeader::signature + sizeof magic, sizeof rest) != 0) {
        openLegacy(start);
        return;
    }
    std::uint32_t fileFlags = 0;
    *this >> fileFlags;
    if (fail()) {
        openLegacy(start);
        return;
    }
    flags((fileFlags & ~StreamFormatFlags{1}) | flags());
    dataStart_ = tellg() - start;
}

void IStream::openLegacy(std::int64_t start)
{
    clear(0);
    setRegistry(makeRegistry1().release());
    flags(flags() & ~positionedFlag);
    if (seekg(start) == -1) {
        const TextualErrorInfo cause("Failed to open legacy stream.");
        setstate(failBit, &cause);
    }
}

namespace {

template <class T>
IStream& readLittleEndian(IStream& in, T& value)
{
    unsigned char bytes[sizeof(T)] = {};
    in.read(bytes, sizeof bytes);
    if (in.fail())
        return in;
    T result = 0;
    for (std::size_t i = 0; i < sizeof bytes; ++i)
        result = static_cast<T>(result | static_cast<T>(bytes[i]) << (8 * i));
    value = result;
    return in;
}

}  // namespace

IStream& operator>>(IStream& in, std::uint32_t& value)
{
    return readLittleEndian(in, value);
}

IStream& operator>>(IStream& in, std::uint16_t& value)
{
    return readLittleEndian(in, value);
}

IStream& operator>>(IStream& in, std::int32_t& value)
{
    std::uint32_t raw = 0;
    in >> raw;
    if (!in.fail())
        value = static_cast<std::int32_t>(raw);
    return in;
}

}  // namespace talvo::io
