// Colour keys handed by value to the keyed blit loops: pixel copies and alpha-key records.
#pragma once

#include <cstdint>
#include <cstring>

// A 3-byte pixel in memory order.
struct pelRgb888 {
    std::uint8_t b, g, r;
};

// Opacity and key of the keyed constant-alpha and premultiplied loops, one per source width.
struct pelAlphaKey24 {
    std::int32_t alpha;
    pelRgb888 key;
};

struct pelAlphaKey32 {
    std::int32_t alpha;
    std::uint32_t key;
};

struct pelAlphaKey16 {
    std::int32_t alpha;
    std::uint16_t key;
};

// The copies take the pixel's bytes in memory order from wherever it lies.
inline pelRgb888& pel_copy_rgb888(pelRgb888& target, const void* src)
{
    const auto* p = static_cast<const std::uint8_t*>(src);
    target = {p[0], p[1], p[2]};
    return target;
}

inline std::uint16_t& pel_copy_16(std::uint16_t& target, const void* src)
{
    std::memcpy(&target, src, sizeof target);
    return target;
}

inline std::uint32_t& pel_copy_32(std::uint32_t& target, const void* src)
{
    std::memcpy(&target, src, sizeof target);
    return target;
}

// key: the image's key colour read as one 32-bit value; its three low bytes are B, G, R.
inline pelAlphaKey24& pel_alphakey_rgb888(pelAlphaKey24& record, std::int32_t alpha, std::uint32_t key)
{
    record = {alpha, {static_cast<std::uint8_t>(key), static_cast<std::uint8_t>(key >> 8), static_cast<std::uint8_t>(key >> 16)}};
    return record;
}

inline pelAlphaKey32& pel_alphakey_32(pelAlphaKey32& record, std::int32_t alpha, std::uint32_t key)
{
    record = {alpha, key};
    return record;
}

inline pelAlphaKey16& pel_alphakey_16(pelAlphaKey16& record, std::int32_t alpha, std::uint16_t key)
{
    record = {alpha, key};
    return record;
}
