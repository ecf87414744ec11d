// Palette entries, their converted table and the nearest-entry search.
#include "img/palette.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "talvo/throw_report.h"

namespace talvo::g {

void Palette::free() noexcept {
    entries_.reset();
    cache_.reset();
    count_ = 0;
    cacheFormat_ = 0;
}

void Palette::set(const std::uint8_t* entries, std::uint32_t count) {
    std::unique_ptr<std::uint8_t[]> block;
    if (count != 0) {
        block = std::make_unique_for_overwrite<std::uint8_t[]>(std::size_t{count} * 4);
        std::memcpy(block.get(), entries, std::size_t{count} * 4);
    }
    entries_ = std::move(block);
    count_ = count;
    entryFormat_ = 3;
    cache_.reset();
    cacheFormat_ = 0;
}

void Palette::copy(const Palette& other) {
    if (&other == this) return;
    const std::size_t size = std::size_t{other.count_} * pelBytes(other.entryFormat_);
    std::unique_ptr<std::uint8_t[]> block;
    if (other.count_ != 0) {
        block = std::make_unique_for_overwrite<std::uint8_t[]>(size);
        std::memcpy(block.get(), other.entries_.get(), size);
    }
    entries_ = std::move(block);
    count_ = other.count_;
    entryFormat_ = other.entryFormat_;
    cache_.reset();
    cacheFormat_ = 0;
}

std::uint32_t Palette::entryAs(std::uint32_t index, PelFmtId target) const noexcept {
    if (index >= count_) return 0;
    return withPixelFormat(entryFormat_, std::uint32_t{0}, [&]<PelFmtId F>() {
        const auto& entry = reinterpret_cast<const Pixel<F>*>(entries_.get())[index];
        return convertPixelFrom(entry, target);
    });
}

const std::uint8_t* Palette::convertedTable(PelFmtId target) {
    if (cache_ && cacheFormat_ == target) return cache_.get();
    if (target >= pelFmtCount) {
        reportAndThrow(TALVO_SOURCE_LOCATION("talvo::g::Palette::convertedTable"),
                       Exception("talvo::g::Palette::convertedTable: unknown pixel format"));
    }
    const std::uint32_t bytes = pelFmtBytes[target];
    const std::uint32_t entries = std::max(count_, minTableEntries);
    // Zeroed, so indices from the count on read 0; built before the old table goes.
    auto table = std::make_unique<std::uint8_t[]>(std::size_t{entries} * bytes);
    for (std::uint32_t i = 0; i < count_; ++i) {
        const std::uint32_t value = entryAs(i, target);
        for (std::uint32_t k = 0; k < bytes; ++k)
            table[std::size_t{i} * bytes + k] = static_cast<std::uint8_t>(value >> (8 * k));
    }
    cache_ = std::move(table);
    cacheFormat_ = target;
    return cache_.get();
}

std::uint32_t Palette::nearest(const Rgba8888& colour) const noexcept {
    std::uint32_t best = 0;
    std::uint32_t bestDistance = std::numeric_limits<std::uint32_t>::max();
    const auto b = static_cast<std::int32_t>(colour.get<Channel::b>());
    const auto g = static_cast<std::int32_t>(colour.get<Channel::g>());
    const auto r = static_cast<std::int32_t>(colour.get<Channel::r>());
    for (std::uint32_t i = 0; i < count_; ++i) {
        const auto e = Rgbx8888::fromValue(entryAs(i, fmtId::rgbx8888));
        const std::int32_t db = static_cast<std::int32_t>(e.get<Channel::b>()) - b;
        const std::int32_t dg = static_cast<std::int32_t>(e.get<Channel::g>()) - g;
        const std::int32_t dr = static_cast<std::int32_t>(e.get<Channel::r>()) - r;
        const auto distance = static_cast<std::uint32_t>(db * db + dg * dg + dr * dr);
        if (distance == 0) return i;
        if (distance < bestDistance) {
            best = i;
            bestDistance = distance;
        }
    }
    return best;
}

}  // namespace talvo::g
