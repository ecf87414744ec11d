// The pixel-format record of every sprite-library image: kind, palette, and colour conversions.
#pragma once

#include <cstdint>

#include "sprite/pelKinds.h"

struct ctyMemBuffer;
struct palCTy;

// The kind number that stands for a colour 0xAARRGGBB in PackColor and UnpackColor.
inline constexpr int imgColourKind = pelKindNumber(PelKind::Rgbx8888);

struct imgPelFmt {
    imgPelFmt() = default;
    // Describes a format with a caller's palette, which the record uses and never destroys.
    imgPelFmt(int kind, palCTy* palette) : kind(kind), palette(palette) {}
    // Copies own their palette.
    imgPelFmt(const imgPelFmt& other);
    imgPelFmt& operator=(const imgPelFmt& other);
    ~imgPelFmt();

    // Copies the palette's entries into the record's own palette, which it owns afterwards.
    void SetPalette(const palCTy& source);
    // A colour 0xAARRGGBB as a native pixel of the record's kind; a fromKind other than
    // imgColourKind passes.
    [[nodiscard]] std::uint32_t PackColor(std::uint32_t colour, int fromKind) const;
    // A native pixel converted to toKind (imgColourKind: a colour 0xAARRGGBB). An index past
    // the palette's count is opaque black.
    [[nodiscard]] std::uint32_t UnpackColor(std::uint32_t pel, int toKind) const;
    // Has the palette build its converted table; without a palette posts a message and does nothing.
    void BuildTbl(int toKind);
    // Stream form: kind, palette tag (0 none, 1 owned and stored, 2 used but not stored), and for
    // tag 1 the palette.
    void Write(ctyMemBuffer& buffer) const;
    // Reads the stream form. A kind outside 0 to 10, a palette the stream cannot hold, or a
    // stream that ends early (or has failed already) is refused: the record stays as it was,
    // a message is posted and the buffer's failed flag is set. An unknown tag is posted and
    // the record keeps its palette.
    void Read(ctyMemBuffer& buffer);

    std::int32_t kind = 0;
    palCTy* palette = nullptr;
    std::uint32_t ownsPalette = 0;
    // Read with tag 2: the format names a palette that nobody stored; written again as tag 2
    // until SetPalette gives it one.
    std::uint32_t paletteNotStored = 0;

private:
    void dropPalette() noexcept;
    void copyPalette(const palCTy* source);
};
