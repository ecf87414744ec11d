// The sprite library's palette: 4-byte entries B, G, R, A and one table converted to a pixel format.
#pragma once

#include <cstdint>

struct ctyMemBuffer;

struct palCTy {
    // The converted table always has room for this many entries, so any 8-bit index reads
    // inside it; entries past the count are zero.
    static constexpr std::uint32_t tableMinimum = 256;

    palCTy() = default;
    palCTy(const palCTy&) = delete;
    palCTy& operator=(const palCTy&) = delete;
    ~palCTy();

    // Takes bytes 0 to 2 of each 4-byte colour; A becomes 255. The table goes stale.
    void Set(const std::uint8_t* colours, std::uint32_t n);
    // Copies the other palette's entries, all four bytes. The table goes stale.
    void Assign(const palCTy& other);
    // Builds the table for a destination kind, or keeps it when it is built for that kind.
    void BuildTbl(int kind);
    // The first of the nearest entries to a colour given as bytes B, G, R; 0 for an empty palette.
    [[nodiscard]] std::uint8_t NearestIndex(const std::uint8_t* bgr) const;
    // Stream form: the count, then R, G, B per entry.
    void Write(ctyMemBuffer& buffer) const;
    // Replaces the entries; a count the buffer cannot hold is refused (empty palette, a ctyCodeMessage post).
    void Read(ctyMemBuffer& buffer);

    std::uint32_t count = 0;
    std::uint8_t* entries = nullptr;
    std::uint8_t* table = nullptr;
    std::uint32_t tableKind = 0;  // 0: stale or absent
};
