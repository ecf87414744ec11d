// Run-length coding of 8-bit sprite rows: encoder, decoder, pixel skipper, opaque bounds.
#pragma once

#include <cstdint>

#include "sprite/imgRect.h"

// A coded row is control bytes with their data: 0x00-0x7F pass over c pixels, 0x80 | n is
// followed by n literal indices, 0xC0 | n by one index repeated n times (n = c & 63).

// Codes n pixels; key is compared with each byte as 0..255. Returns a block of exactly the coded
// length (ctyAlloc) and stores the length; null without storing when n is 0 or every pixel is
// the key; null with length -1 when the allocation fails.
[[nodiscard]] std::uint8_t* rle8_encode_row(const std::uint8_t* pixels, int n, std::int32_t key,
                                            std::int32_t* outLength);
// Writes pixels skip .. skip + count - 1 of the row into dst[skip] ..; pass-over pixels are not
// written. The row must code at least skip + count pixels.
void rle8_decode_row(const std::uint8_t* row, int skip, int count, std::uint8_t* dst);
// Passes over n > 0 pixels. position is the byte after the pending control byte; on return the
// pair describes the rest of the row from pixel n on, as the row's first two bytes describe it.
[[nodiscard]] const std::uint8_t* rle8_skip(const std::uint8_t* position, int n, std::uint8_t& pending);
// The smallest rectangle holding every byte other than key; {0, 0, 0, 0} when there is none.
void find_opaque_bounds(const std::uint8_t* pixels, int pitch, int width, int height, std::uint8_t key,
                        imgRect* out);
// Bytes from the row's start through the run that brings the pixel count to `pixels` or beyond,
// reading no more than `available` bytes; -1 when the row runs out first. 0 for pixels < 1.
[[nodiscard]] std::int64_t rle8_row_extent(const std::uint8_t* row, std::int64_t available, std::int64_t pixels);
