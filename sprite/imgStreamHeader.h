// The fields every image writes first in an object stream, read and checked before an image takes them.
#pragma once

#include <cstdint>

#include "sprite/imgPelFmt.h"

class imgCTy;
struct ctyMemBuffer;

struct imgStreamHeader {
    // Starts from the image's own key and format, which the stream may leave as they are.
    explicit imgStreamHeader(const imgCTy& image);

    // Reads the fields of imgCTy::WriteHeader. False when refused: a message naming `who` is
    // posted and the buffer's failed flag is set.
    [[nodiscard]] bool Read(ctyMemBuffer& buffer, const char* who);
    // Gives the image this size, key and format.
    void CommitTo(imgCTy& image) const;

    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint32_t hasColorKey = 0;
    std::uint8_t colorKeyRgba[4] = {0, 0, 0, 0};
    std::uint32_t colorKeyPel = 0;
    imgPelFmt pelFmt;
};
