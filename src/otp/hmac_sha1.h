// HMAC-SHA1 (RFC 2104) with a 64-byte block. Pure code.
#pragma once

#include <cstdint>

namespace velmo {

// Fills `result` (length `resultLength`): zeroes it, then copies up to 20
// digest bytes. Negative lengths count as 0; a key longer than 64 bytes is
// hashed first.
void HmacSha1(const uint8_t* key, int32_t keyLength, const uint8_t* data, int32_t dataLength, uint8_t* result,
              int32_t resultLength);

}  // namespace velmo
