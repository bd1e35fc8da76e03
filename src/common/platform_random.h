// The platform's cryptographic random generator (CryptoAPI, base RSA
// provider, verification-only context).
#pragma once

#include <cstdint>

namespace velmo {

// Fills `length` bytes of `buffer`; the generator also takes the buffer's
// prior content as extra seed material. Returns 0 on success, else the
// platform's error code (the buffer is then left as it was).
uint32_t FillFromPlatformRandom(uint8_t* buffer, uint32_t length);

}  // namespace velmo
