// Hexadecimal text for bytes kept as text (protected values, binary values
// stored as strings, directory copies). Pure code.
#pragma once

#include <cstddef>
#include <cstdint>

namespace velmo {

// Room of the shared HexEncode result, terminator included.
constexpr size_t kHexEncodeBufferSize = 2500;

// Decodes pairs of digits (either case; any other character counts as 0),
// stopping at a NUL in either position of a pair, so a final unpaired digit
// is ignored. Writes at most `outSize` bytes; returns the count written.
size_t HexDecode(const char* text, uint8_t* out, size_t outSize);

// Upper-case "%.2X" digits of `count` bytes in one process-wide buffer that
// the next call overwrites. Up to 1,249 bytes are written whole; a longer
// input is cut after 1,248 bytes and ends with "..". Empty for count <= 0.
const char* HexEncode(const uint8_t* bytes, int32_t count);

// The same digits of `count` bytes into a caller's buffer of `size` bytes (at
// least 2 x count + 1), for bytes that must not stay in the shared one; false,
// writing nothing, when they do not fit.
bool HexEncodeTo(const uint8_t* bytes, size_t count, char* out, size_t size);

}  // namespace velmo
