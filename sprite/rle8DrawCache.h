// A sprite's copy draws kept ready: each coded row's drawn pixels in one destination kind's form.
#pragma once

#include <cstdint>

#include "sprite/rle8Job.h"
#include "sprite/imgRect.h"

class Rle8DrawCache {
public:
    Rle8DrawCache() = default;
    Rle8DrawCache(const Rle8DrawCache&) = delete;
    Rle8DrawCache& operator=(const Rle8DrawCache&) = delete;
    ~Rle8DrawCache();

    // Draws a copy job (keyed or not) from the cache. An empty cache is built first; one built
    // for another kind, key or converted table is rebuilt only when the same request comes twice
    // running. False, with nothing drawn, when the cache does not serve the job.
    bool draw(const Rle8Job& job, const imgRect& bounds, int kind, bool keyed, bool mirror);

private:
    bool build(const Rle8Job& job, const imgRect& bounds, int kind, bool keyed);
    bool holds(const Rle8Job& job, const imgRect& bounds, int kind, bool keyed) const;
    // True when the last draw made the same request; records it otherwise.
    bool repeats(const Rle8Job& job, int kind, bool keyed);
    void release() noexcept;

    // One block: the table copy, rowSpans_ (rows + 1 first-span indices), rowPels_ (byte offset
    // of each row's pixels), the spans, the pixels.
    std::uint8_t* block_ = nullptr;
    const std::uint32_t* rowSpans_ = nullptr;
    const std::uint32_t* rowPels_ = nullptr;
    const std::uint32_t* spans_ = nullptr;  // byte offset, byte count pairs
    const std::uint8_t* pels_ = nullptr;
    const std::uint8_t* const* rows_ = nullptr;
    imgRect bounds_;
    int kind_ = 0;
    bool keyed_ = false;
    std::uint32_t key_ = 0;
    // The last draw's request when the cache did not serve it; kind 0: the cache served it.
    int pendingKind_ = 0;
    bool pendingKeyed_ = false;
    std::uint32_t pendingKey_ = 0;
    std::uint8_t pendingTable_[256 * 4] = {};
};
