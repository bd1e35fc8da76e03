// Base32 (RFC 4648 alphabet, no padding written or accepted) for OTP secrets.
// Pure code.
#pragma once

#include <cstdint>

namespace velmo {

// Lenient decoding: blanks, tabs, CR, LF and '-' are skipped; '0', '1', '8'
// read as 'O', 'L', 'B'; letters of either case. Any other character ends the
// decoding with -1 (bytes already written stay). Writes at most `outSize`
// bytes and a NUL after them when room remains. Returns the byte count.
int32_t Base32Decode(const char* text, uint8_t* out, int32_t outSize);

// Encodes `length` bytes (0 to 2^28) as ceil(8 * length / 5) characters, cut
// at `outSize`, NUL-terminated when room remains. Returns the character count
// or -1 for a bad length.
int32_t Base32Encode(const uint8_t* bytes, int32_t length, char* out, int32_t outSize);

}  // namespace velmo
