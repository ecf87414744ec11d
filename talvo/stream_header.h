// On-disk starts of the stream kinds: the native header and the archive ("rw1", "rw2") header.
#pragma once

#include <cstddef>
#include <cstdint>

namespace talvo::io {

// Native streams start with this text (no terminator) and a 32-bit little-endian flags word.
struct NativeStreamHeader {
    static constexpr char signature[] = "talvo::io::Stream";
    static constexpr std::size_t signatureLength = sizeof signature - 1;
    static constexpr std::size_t length = signatureLength + 4;
};
static_assert(NativeStreamHeader::length == 21);

// Archive streams start with one of these magics, then five 32-bit little-endian words.
inline constexpr char rw1Magic[4] = {'r', 'w', '1', '\0'};
inline constexpr char rw2Magic[4] = {'r', 'w', '2', '\0'};

// The five words behind the magic, in file order.
struct RwStreamHeader {
    std::uint32_t flags;
    std::uint32_t packer;
    std::uint32_t reserved;  // read and not interpreted
    std::uint32_t packedSize;
    std::uint32_t unpackedSize;
};
inline constexpr std::size_t rwHeaderLength = 4 + 5 * 4;
static_assert(rwHeaderLength == 24);

inline constexpr std::uint32_t rwPacked = 1;
inline constexpr std::uint32_t rwEncrypted = 2;
inline constexpr std::uint32_t rwPackerLormat = 0;
inline constexpr std::uint32_t rwPackerZlib = 1;

// Unpacked bodies above this size are refused rather than allocated.
inline constexpr std::uint32_t rwMaxUnpackedSize = 256u << 20;

}  // namespace talvo::io
