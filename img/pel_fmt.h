// The pixel-format record: a format number and an optional palette, with value-level conversions.
#pragma once

#include <cstdint>

#include "img/pel_fmt_id.h"
#include "img/pixel.h"

namespace talvo::g {

class Palette;

class PelFmt {
public:
    PelFmt() noexcept = default;
    explicit PelFmt(PelFmtId id) noexcept : id_(id) {}
    // Borrows the palette: the caller keeps it alive and frees it.
    PelFmt(PelFmtId id, Palette* palette) noexcept : id_(id), palette_(palette) {}
    // Copies own a private copy of the other's palette, whether or not the other owned it.
    PelFmt(const PelFmt& other);
    PelFmt& operator=(const PelFmt& other);
    virtual ~PelFmt();

    void swap(PelFmt& other) noexcept;

    [[nodiscard]] PelFmtId id() const noexcept { return id_; }
    // Set for paletted formats, whatever the id; the palette is not const so users may fetch its tables.
    [[nodiscard]] Palette* palette() const noexcept { return palette_; }
    [[nodiscard]] bool ownsPalette() const noexcept { return owns_ != 0; }

    // A pixel value of this format as a pixel value of `target` (a paletted value is an entry index).
    [[nodiscard]] std::uint32_t toFormat(std::uint32_t value, PelFmtId target) const noexcept;
    // The pixel value of this format for a colour: the nearest entry when paletted.
    [[nodiscard]] std::uint32_t fromRgb(const Rgba8888& colour) const noexcept;

private:
    PelFmtId id_ = 0;
    Palette* palette_ = nullptr;
    std::uint32_t owns_ = 0;
};

}  // namespace talvo::g
