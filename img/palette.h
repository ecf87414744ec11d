// Colour table of a paletted pixel format: entries, one cached converted table, nearest-colour search.
#pragma once

#include <cstdint>
#include <memory>

#include "img/pel_fmt_id.h"
#include "img/pixel.h"

namespace talvo::g {

class Palette {
public:
    // The converted table always has at least this many entries, so any index byte stays inside it.
    static constexpr std::uint32_t minTableEntries = 256;

    Palette() = default;
    Palette(const Palette&) = delete;
    Palette& operator=(const Palette&) = delete;
    ~Palette() = default;  // frees like free()

    // Releases the entries and the converted table.
    void free() noexcept;
    // count entries of 4 bytes B, G, R, A, kept as Rgba8888; the converted table is dropped.
    void set(const std::uint8_t* entries, std::uint32_t count);
    // Takes the other's entries and entry format; copying from itself does nothing.
    void copy(const Palette& other);
    // Entry `index` as a pixel value of `target`; 0 for an index at or above the count, or a target
    // or entry format outside 1 to 8.
    [[nodiscard]] std::uint32_t entryAs(std::uint32_t index, PelFmtId target) const noexcept;
    // All entries converted to `target`, packed at its size, then zeros up to at least 256 entries.
    // The same target returns the same table; it lives until another target, set, copy or free.
    // Raises talvo::Exception for a target beyond 11.
    const std::uint8_t* convertedTable(PelFmtId target);
    // The entry nearest to the colour's B, G, R (alpha ignored); ties give the lower index; 0 when empty.
    [[nodiscard]] std::uint32_t nearest(const Rgba8888& colour) const noexcept;

    [[nodiscard]] PelFmtId entryFormat() const noexcept { return entryFormat_; }
    [[nodiscard]] std::uint32_t count() const noexcept { return count_; }
    [[nodiscard]] const std::uint8_t* entries() const noexcept { return entries_.get(); }
    [[nodiscard]] PelFmtId cacheFormat() const noexcept { return cacheFormat_; }

private:
    PelFmtId entryFormat_ = 0;
    std::uint32_t count_ = 0;
    std::unique_ptr<std::uint8_t[]> entries_;
    std::unique_ptr<std::uint8_t[]> cache_;
    PelFmtId cacheFormat_ = 0;
};

}  // namespace talvo::g
