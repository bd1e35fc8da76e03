// Six-digit HOTP code (RFC 4226) of a Base32 secret and a 32-bit counter;
// TOTP (RFC 6238) callers pass the time-step counter. Pure code.
#pragma once

#include <cstdint>

namespace velmo {

constexpr int32_t kCodeModulus = 1000000;
constexpr int32_t kMaxSecretBytes = 100;

// 0 to 999,999, or -1 when the secret is empty, longer than 160 characters or
// does not decode to at least one byte.
int32_t ComputeCode(const char* secret, uint32_t counter);

// The dynamic truncation of RFC 4226 applied to an HMAC-SHA1 result.
inline int32_t TruncateToCode(const uint8_t h[20]) {
    const unsigned offset = h[19] & 0x0F;
    const uint32_t bin = ((uint32_t{h[offset]} & 0x7F) << 24) | (uint32_t{h[offset + 1]} << 16) |
                         (uint32_t{h[offset + 2]} << 8) | uint32_t{h[offset + 3]};
    return static_cast<int32_t>(bin % kCodeModulus);
}

// Decodes a secret the way ComputeCode does into `key` (room kMaxSecretBytes);
// returns the byte count, or a value below 1 when the secret is unusable.
int32_t DecodeSecret(const char* secret, uint8_t key[kMaxSecretBytes]);

}  // namespace velmo
