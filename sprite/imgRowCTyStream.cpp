// The plain-array image in object streams: reserved bytes and rows, copied out or used in place.
#include <cstring>

#include "sprite/ctyMemBuffer.h"
#include "sprite/ctyRuntime.h"
#include "sprite/imgRowCTy.h"
#include "sprite/imgStreamHeader.h"

namespace {

// Bytes of the pixels of a width x height image of the kind, or -1 (posted, buffer failed)
// when the buffer does not hold that many after its position.
std::int64_t pixelsHeld(ctyMemBuffer& buffer, int width, int height, int kind, const char* who)
{
    if (buffer.failed) {
        ctyErrorf(4, "%s: the stream has failed already", who);
        return -1;
    }
    const std::int64_t bytes = imgCTy::PelBlockBytes(width, height, kind);
    if (bytes < 0 || bytes > buffer.Remaining()) {
        buffer.failed = true;
        ctyErrorf(4, "%s: the stream holds %d bytes, fewer than %d x %d pixels of kind %d", who,
                  buffer.Remaining(), width, height, kind);
        return -1;
    }
    return bytes;
}

}  // namespace

void imgRowCTy::WriteHeader(ctyMemBuffer& buffer)
{
    imgCTy::WriteHeader(buffer);
    buffer.Write(reserved, sizeof reserved);
}

void imgRowCTy::WriteData(ctyMemBuffer& buffer)
{
    const std::int64_t bytes = PelBlockBytes(width, height, pelFmt.kind);
    if (bytes < 0 || (bytes > 0 && pels == nullptr)) {
        buffer.failed = true;
        ctyErrorf(4, "imgRowCTy::WriteData: the image has no pixels to write");
        return;
    }
    // Row by row: an image over the caller's pixels may have a pitch above its width.
    const std::int64_t rowBytes = std::int64_t{width} * imgPelBytes(pelFmt.kind);
    for (std::int64_t y = 0; y < height && rowBytes > 0; ++y)
        buffer.Write(pels + y * pitch * imgPelBytes(pelFmt.kind), static_cast<std::int32_t>(rowBytes));
}

void imgRowCTy::ReadHeader(ctyMemBuffer& buffer)
{
    static const char who[] = "imgRowCTy::ReadHeader";
    imgStreamHeader header(*this);
    if (!header.Read(buffer, who)) return;
    std::uint8_t newReserved[sizeof reserved];
    buffer.Read(newReserved, sizeof newReserved);
    if (buffer.failed) {
        ctyErrorf(4, "%s: the stream ends inside the image header", who);
        return;
    }
    if (pixelsHeld(buffer, header.width, header.height, header.pelFmt.kind, who) < 0) return;
    // Pixels of another size would be read past their end; the pixels that follow replace them.
    if (header.width != width || header.height != height ||
        imgPelBytes(header.pelFmt.kind) != imgPelBytes(pelFmt.kind))
        release();
    header.CommitTo(*this);
    std::memcpy(reserved, newReserved, sizeof reserved);
    pitch = width;
}

void imgRowCTy::ReadData(ctyMemBuffer& buffer)
{
    const std::int64_t bytes = pixelsHeld(buffer, width, height, pelFmt.kind, "imgRowCTy::ReadData");
    if (bytes < 0) return;
    auto* block = static_cast<std::uint8_t*>(ctyAlloc(static_cast<std::size_t>(bytes)));
    if (block == nullptr) {  // ctyAlloc has posted -2; the pixels stay unread
        buffer.failed = true;
        return;
    }
    buffer.Read(block, static_cast<std::int32_t>(bytes));
    release();
    dataInPlace = 0;
    pels = block;
    ownsPels = 1;
    pitch = width;
}

void imgRowCTy::ReadDataInPlace(ctyMemBuffer& buffer)
{
    if (pixelsHeld(buffer, width, height, pelFmt.kind, "imgRowCTy::ReadDataInPlace") < 0) return;
    release();
    dataInPlace = 1;
    pels = buffer.data != nullptr ? buffer.data + buffer.position : nullptr;
    ownsPels = 1;
    pitch = width;
}

int imgRowCTy::LoadInPlace(ctyMemBuffer& buffer)
{
    imgRowCTy::ReadHeader(buffer);
    if (buffer.failed) return 0;
    imgRowCTy::ReadDataInPlace(buffer);
    return buffer.failed ? 0 : 1;
}
