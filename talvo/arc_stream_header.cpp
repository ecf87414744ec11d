// The archive branch of stream recognition: the "rw1"/"rw2" header and zlib-packed bodies.
#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <new>
#include <ostream>
#include <vector>

#include "talvo/istream.h"
#include "talvo/log.h"
#include "talvo/mem_buf.h"
#include "talvo/registry.h"
#include "talvo/stream_header.h"

namespace talvo::io {

namespace {

// Deflate expands at most 1032-fold, so a body never unpacks to more than this; a header that
// claims more gets only this much memory (zlib still reports a body that does not fit).
std::size_t unpackBound(std::size_t packedSize) noexcept
{
    return packedSize * 1032 + 64;
}

}  // namespace

void IStream::readArchiveHeader(int version)
{
    if (version == 1)
        setRegistry(new G1RwRegistry1);
    else
        setRegistry(new G1RwRegistry2);
    flags(flags() & ~positionedFlag);
    const StreamFormatFlags keptFlags = flags();

    Error error(*this);
    ZipError zipError(Z_OK);
    IoState collected = 0;

    RwStreamHeader header{};
    bool complete = true;
    for (std::uint32_t* word : {&header.flags, &header.packer, &header.reserved, &header.packedSize,
                                &header.unpackedSize}) {
        *this >> *word;
        if (fail()) {
            complete = false;
            break;
        }
    }

    if (!complete) {
        error.setCode(ArcStreamError::headerRead);
        logError << "reading rw1 header failed" << std::endl;
    } else if ((header.flags & rwEncrypted) != 0) {
        error.setCode(ArcStreamError::encrypted);
        logError << "Encrypted g1rw streams are not supported" << std::endl;
        collected = failBit;
    } else if ((header.flags & rwPacked) != 0) {
        collected = readPackedBody(header, error, zipError);
    } else {
        dataStart_ = tellg();
    }

    flags(keptFlags);
    setstate(collected, &error);
}

IoState IStream::readPackedBody(const RwStreamHeader& header, Error& error, ZipError& zipError)
{
    // The packed size is untrusted: the block grows only as bytes arrive, so a header that claims
    // more than the file holds costs no more memory than the file.
    std::vector<Bytef> packed;
    try {
        constexpr std::size_t chunk = 64 * 1024;
        while (packed.size() < header.packedSize) {
            const std::size_t old = packed.size();
            const std::size_t want = std::min<std::size_t>(chunk, header.packedSize - old);
            packed.resize(old + want);
            const std::size_t got = pull(packed.data() + old, want);
            packed.resize(old + got);
            if (got < want)
                break;
        }
    } catch (const std::bad_alloc&) {
        zipError.setCode(Z_MEM_ERROR);
        error.setCode(ArcStreamError::uncompress, &zipError);
        logError << "z_uncompress() failed while opening g1rw stream: " << zError(Z_MEM_ERROR) << "."
                 << std::endl;
        return failBit;
    }
    if (packed.size() < header.packedSize) {
        // A short body is a short read, not an archive error: eof, and fail only when nothing came.
        setstate(packed.empty() ? eofBit | failBit : eofBit);
        return 0;
    }

    if (header.packer == rwPackerLormat) {
        error.setCode(ArcStreamError::lormatPacked);
        logError << "g1rw streams packed with lormat are not supported" << std::endl;
        return failBit;
    }
    if (header.packer != rwPackerZlib) {
        error.setCode(ArcStreamError::unknownPacker);
        logError << "Unknown g1rw stream packer type" << std::endl;
        return failBit;
    }

    const auto failUnpack = [&](int result) {
        zipError.setCode(result);
        error.setCode(ArcStreamError::uncompress, &zipError);
        logError << "z_uncompress() failed while opening g1rw stream: " << zError(result) << "."
                 << std::endl;
        return failBit;
    };
    if (header.unpackedSize > rwMaxUnpackedSize)
        return failUnpack(Z_MEM_ERROR);
    const std::size_t capacity =
        std::min<std::size_t>(header.unpackedSize, unpackBound(packed.size()));
    auto* block = static_cast<char*>(std::malloc(std::max<std::size_t>(capacity, 1)));
    if (block == nullptr)
        return failUnpack(Z_MEM_ERROR);

    uLongf length = capacity;
    const int result = uncompress(reinterpret_cast<Bytef*>(block), &length, packed.data(),
                                  static_cast<uLong>(packed.size()));
    if (result != Z_OK) {
        std::free(block);
        return failUnpack(result);
    }
    installUnpacked(block, length);
    return 0;
}

void IStream::installUnpacked(char* block, std::size_t size)
{
    if (unpacked_ == nullptr) {
        try {
            unpacked_ = std::make_unique<MemBuf>();
        } catch (...) {
            std::free(block);
            throw;
        }
    }
    unpacked_->set(block, size, size);
    std::streambuf* previous = rdbuf(unpacked_.get());
    // Reading an archive that sits inside an unpacked body keeps the file buffer to return to.
    if (previous != unpacked_.get())
        kept_ = previous;
    clearExtendedBuffer();
    dataStart_ = 0;
}

}  // namespace talvo::io
