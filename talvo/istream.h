// Input stream of raw bytes: guarded reads, positions, and recognition of the stream kind.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "talvo/stream.h"

namespace talvo::io {

class MemBuf;
struct RwStreamHeader;

class IStream : public virtual Stream {
public:
    explicit IStream(std::streambuf* buffer = nullptr, Registry* registry = nullptr);
    ~IStream() override;

    // Starts over on a buffer: drops an unpacked body and an own registry.
    void init(std::streambuf* buffer, Registry* registry = nullptr);

    // The input sentry: true when a read may run. A stream that is not good gains fail, one
    // without a buffer bad and fail; either throws when the state meets the mask.
    bool sentry();

    // Reads exactly count bytes behind the sentry. A short read sets eof and fail.
    IStream& read(void* bytes, std::size_t count);
    // Reads up to count bytes behind the sentry; a short read sets eof, and fail only when nothing
    // arrived. Returns the bytes read.
    std::size_t readPartial(void* bytes, std::size_t count);
    // As readPartial, but a short read that brings bytes sets nothing, so with eof in the mask none
    // of them is lost to a throw: eof and fail come only when nothing arrives.
    std::size_t readUpTo(void* bytes, std::size_t count);

    // The input position; -1 without a buffer or with fail set.
    [[nodiscard]] std::int64_t tellg();
    // Absolute input seek; -1 (without seeking) without a buffer, with fail set or for -1.
    // A successful seek clears eof, so the stream reads again.
    std::int64_t seekg(std::int64_t position);

    // Makes the registry the stream's own (deleted with it, or when another takes its place) and
    // uses it. Stream::setRegistry installs one without handing it over.
    void setRegistry(Registry* registry);
    // Forgets the registry's tables, puts the file buffer back after an unpacked body (without its
    // file error detail: the extended buffer stays cleared).
    void close();

    // Identifies the stream kind from its first bytes: native, archive ("rw1", "rw2") or legacy.
    void readStreamHeader();

    // Where the data behind the header begins.
    [[nodiscard]] std::int64_t dataStart() const noexcept { return dataStart_; }
    // The unpacked body of a packed archive stream, or null.
    [[nodiscard]] const MemBuf* unpackedBuffer() const noexcept { return unpacked_.get(); }

private:
    // Reads count bytes straight from the buffer; a throwing buffer leaves bad and fail.
    std::size_t pull(void* bytes, std::size_t count);
    // Reads count bytes with only bad throwing, then restores state and mask; true when all arrived.
    bool probe(void* bytes, std::size_t count);
    void readArchiveHeader(int version);
    // Unpacks a packed archive body into the memory buffer; returns the state bit to add.
    IoState readPackedBody(const RwStreamHeader& header, Error& error, ZipError& zipError);
    void installUnpacked(char* block, std::size_t size);
    void openLegacy(std::int64_t start);

    std::unique_ptr<MemBuf> unpacked_;
    std::streambuf* kept_ = nullptr;
    std::unique_ptr<Registry> ownRegistry_;
    std::int64_t dataStart_ = 0;
};

// A signed 32-bit integer as 4 little-endian bytes.
IStream& operator>>(IStream& in, std::int32_t& value);
// An unsigned 32-bit integer as 4 little-endian bytes.
IStream& operator>>(IStream& in, std::uint32_t& value);
// An unsigned 16-bit integer as 2 little-endian bytes.
IStream& operator>>(IStream& in, std::uint16_t& value);

}  // namespace talvo::io
