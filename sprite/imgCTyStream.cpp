// Object streams: the header every image writes and reads, and the pixel-format record's form.
#include <cstring>
#include <new>

#include "sprite/ctyMemBuffer.h"
#include "sprite/ctyRuntime.h"
#include "sprite/imgCTy.h"
#include "sprite/imgStreamHeader.h"
#include "sprite/palCTy.h"

namespace {

enum PaletteTag : std::uint32_t { tagNone = 0, tagOwned = 1, tagNotStored = 2 };

void refuse(ctyMemBuffer& buffer) { buffer.failed = true; }

}  // namespace

void imgPelFmt::Write(ctyMemBuffer& buffer) const
{
    buffer.Write32(static_cast<std::uint32_t>(kind));
    const bool owned = palette != nullptr && ownsPalette != 0;
    const std::uint32_t tag = owned ? tagOwned : palette != nullptr || paletteNotStored != 0 ? tagNotStored : tagNone;
    buffer.Write32(tag);
    if (owned) palette->Write(buffer);
}

void imgPelFmt::Read(ctyMemBuffer& buffer)
{
    if (buffer.failed) {
        ctyErrorf(4, "imgPelFmt::Read: the stream has failed already");
        return;
    }
    const auto newKind = static_cast<std::int32_t>(buffer.Read32());
    const std::uint32_t tag = buffer.Read32();
    // palCTy::Read refuses a count the stream cannot hold; the count itself must be there.
    if (buffer.failed || (tag == tagOwned && buffer.Remaining() < 4)) {
        buffer.failed = true;
        ctyErrorf(4, "imgPelFmt::Read: the stream ends inside the pixel format");
        return;
    }
    if (imgPelBytes(newKind) == 0) {
        refuse(buffer);
        ctyErrorf(4, "imgPelFmt::Read: pixel format %d is unknown", newKind);
        return;
    }
    palCTy* read = nullptr;
    if (tag == tagOwned) {
        read = new (std::nothrow) palCTy;
        if (read == nullptr) {
            refuse(buffer);
            ctySetError(ctyCodeOutOfMemory);
            return;
        }
        const std::uint8_t* at = buffer.data + buffer.position;
        const std::uint32_t count = at[0] | at[1] << 8 | at[2] << 16 | static_cast<std::uint32_t>(at[3]) << 24;
        read->Read(buffer);
        // palCTy::Read has posted why it read fewer entries than the stream holds.
        if (buffer.failed || read->count != count) {
            buffer.failed = true;
            delete read;
            return;
        }
    }
    kind = newKind;
    if (tag == tagOwned || tag == tagNone || tag == tagNotStored) {
        dropPalette();
        palette = read;
        ownsPalette = read != nullptr ? 1 : 0;
        paletteNotStored = tag == tagNotStored ? 1 : 0;
        return;
    }
    // An unknown tag: the record keeps the palette it had and reading goes on.
    ctyErrorf(4, "Unknow palette kind: %d", static_cast<int>(tag));
}

imgStreamHeader::imgStreamHeader(const imgCTy& image)
    : width(image.width),
      height(image.height),
      hasColorKey(image.hasColorKey),
      colorKeyPel(image.colorKeyPel),
      pelFmt(image.pelFmt)
{
    std::memcpy(colorKeyRgba, image.colorKeyRgba, sizeof colorKeyRgba);
}

bool imgStreamHeader::Read(ctyMemBuffer& buffer, const char* who)
{
    if (buffer.failed) {
        ctyErrorf(4, "%s: the stream has failed already", who);
        return false;
    }
    width = static_cast<std::int32_t>(buffer.Read32());
    height = static_cast<std::int32_t>(buffer.Read32());
    hasColorKey = buffer.Read32();
    if (hasColorKey != 0) {
        buffer.Read(colorKeyRgba, 4);
        colorKeyPel = buffer.Read32();
    }
    if (buffer.failed) {
        ctyErrorf(4, "%s: the stream ends inside the image header", who);
        return false;
    }
    pelFmt.Read(buffer);
    if (buffer.failed) return false;  // imgPelFmt::Read has posted why
    if (imgCTy::PelBlockBytes(width, height, pelFmt.kind) < 0) {
        refuse(buffer);
        ctyErrorf(4, "%s: %d x %d pixels of kind %d is no valid image", who, width, height, pelFmt.kind);
        return false;
    }
    return true;
}

void imgStreamHeader::CommitTo(imgCTy& image) const
{
    image.width = width;
    image.height = height;
    image.hasColorKey = hasColorKey;
    std::memcpy(image.colorKeyRgba, colorKeyRgba, sizeof colorKeyRgba);
    image.colorKeyPel = colorKeyPel;
    image.pelFmt = pelFmt;
}

void imgCTy::Write(ctyMemBuffer& buffer)
{
    WriteHeader(buffer);
    WriteData(buffer);
}

void imgCTy::Read(ctyMemBuffer& buffer)
{
    ReadHeader(buffer);
    // A refused header has posted why; that message stays the last one.
    if (!buffer.failed) ReadData(buffer);
}

void imgCTy::WriteHeader(ctyMemBuffer& buffer)
{
    buffer.Write32(static_cast<std::uint32_t>(width));
    buffer.Write32(static_cast<std::uint32_t>(height));
    buffer.Write32(hasColorKey);
    if (hasColorKey != 0) {
        buffer.Write(colorKeyRgba, 4);
        buffer.Write32(colorKeyPel);
    }
    pelFmt.Write(buffer);
}

void imgCTy::ReadHeader(ctyMemBuffer& buffer)
{
    imgStreamHeader header(*this);
    if (header.Read(buffer, "imgCTy::ReadHeader")) header.CommitTo(*this);
}

int imgCTy::LoadInPlace(ctyMemBuffer&) { return 0; }
void imgCTy::WriteData(ctyMemBuffer&) {}
void imgCTy::ReadData(ctyMemBuffer&) {}
void imgCTy::ReadDataInPlace(ctyMemBuffer&) {}
