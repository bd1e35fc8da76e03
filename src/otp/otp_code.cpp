#include "otp/otp_code.h"

#include <cstring>

#include "common/secure_wipe.h"
#include "otp/base32.h"
#include "otp/hmac_sha1.h"

namespace velmo {

int32_t DecodeSecret(const char* secret, uint8_t key[kMaxSecretBytes]) {
    std::memset(key, 0, kMaxSecretBytes);
    if (!secret) return -1;
    // The decoded size allowed follows from the text length; 161 characters or
    // more would exceed the 100-byte key buffer.
    const size_t n = strnlen(secret, 200);
    const size_t allowed = (n + 7) / 8 * 5;
    if (allowed == 0 || allowed > kMaxSecretBytes) return -1;
    return Base32Decode(secret, key, static_cast<int32_t>(allowed));
}

int32_t ComputeCode(const char* secret, uint32_t counter) {
    uint8_t key[kMaxSecretBytes];
    const WipeOnExit wipeKey(key, sizeof key);
    const int32_t keyLength = DecodeSecret(secret, key);
    if (keyLength < 1) return -1;

    const uint8_t message[8] = {0, 0, 0, 0, static_cast<uint8_t>(counter >> 24), static_cast<uint8_t>(counter >> 16),
                                static_cast<uint8_t>(counter >> 8), static_cast<uint8_t>(counter)};
    uint8_t h[20];
    const WipeOnExit wipeHash(h, sizeof h);
    HmacSha1(key, keyLength, message, sizeof message, h, sizeof h);
    return TruncateToCode(h);
}

}  // namespace velmo
