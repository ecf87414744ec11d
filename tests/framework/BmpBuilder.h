// Builds BMP files in memory for the loader tests and the fuzz corpus.
#pragma once

#include <cstdint>
#include <vector>

struct BmpBuilder {
    int32_t width = 0;
    int32_t height = 0; // negative: top-down
    uint16_t bitCount = 8;
    uint32_t compression = 0;
    uint32_t headerSize = 40;
    std::vector<uint8_t> colourTable{}; // 4 bytes per entry: B, G, R, 0
    std::vector<uint8_t> masks{};       // bit-field masks written after a 40-byte header
    uint32_t gap = 0;                   // bytes between the tables and the pixels
    std::vector<uint8_t> pixels{};

    static void put16(std::vector<uint8_t>& v, uint32_t x)
    {
        v.push_back(static_cast<uint8_t>(x));
        v.push_back(static_cast<uint8_t>(x >> 8));
    }
    static void put32(std::vector<uint8_t>& v, uint32_t x)
    {
        put16(v, x);
        put16(v, x >> 16);
    }

    void addColour(uint8_t r, uint8_t g, uint8_t b)
    {
        colourTable.insert(colourTable.end(), {b, g, r, 0});
    }
    void setMasks(uint32_t r, uint32_t g, uint32_t b)
    {
        masks.clear();
        put32(masks, r);
        put32(masks, g);
        put32(masks, b);
    }

    [[nodiscard]] std::vector<uint8_t> build() const
    {
        std::vector<uint8_t> f{'B', 'M'};
        const uint32_t offset = 14 + headerSize + static_cast<uint32_t>(masks.size() + colourTable.size()) + gap;
        put32(f, offset + static_cast<uint32_t>(pixels.size()));
        put32(f, 0);
        put32(f, offset);
        put32(f, headerSize);
        put32(f, static_cast<uint32_t>(width));
        put32(f, static_cast<uint32_t>(height));
        put16(f, 1);
        put16(f, bitCount);
        put32(f, compression);
        put32(f, static_cast<uint32_t>(pixels.size()));
        put32(f, 2835);
        put32(f, 2835);
        put32(f, static_cast<uint32_t>(colourTable.size() / 4));
        put32(f, 0);
        f.resize(14 + headerSize, 0);
        f.insert(f.end(), masks.begin(), masks.end());
        f.insert(f.end(), colourTable.begin(), colourTable.end());
        f.resize(offset, 0);
        f.insert(f.end(), pixels.begin(), pixels.end());
        return f;
    }
};
