// Codes from precomputed HMAC key states with the portable SHA-1 compression.
#include <cstring>

#include "otp/hotp_kernels.h"
#include "otp/otp_code.h"

namespace velmo {

namespace {

void StoreBigEndian(uint8_t* out, uint32_t value) {
    out[0] = static_cast<uint8_t>(value >> 24);
    out[1] = static_cast<uint8_t>(value >> 16);
    out[2] = static_cast<uint8_t>(value >> 8);
    out[3] = static_cast<uint8_t>(value);
}

constexpr size_t kLengthOffset = kSha1BlockSize - 4;  // low word of the bit count

int32_t CodeOf(const HmacSha1KeyState& key, uint32_t counter) {
    // Inner block: the counter as a 64-bit big-endian value, then padding.
    uint8_t block[kSha1BlockSize] = {};
    StoreBigEndian(block + 4, counter);
    StoreBigEndian(block + 8, kSha1PadWord);
    StoreBigEndian(block + kLengthOffset, kInnerMessageBits);
    uint32_t inner[5];
    std::memcpy(inner, key.inner, sizeof inner);
    Sha1CompressPortable(inner, block, 1);

    // Outer block: the inner digest, then padding.
    std::memset(block, 0, sizeof block);
    for (int i = 0; i < 5; ++i) StoreBigEndian(block + 4 * i, inner[i]);
    StoreBigEndian(block + kSha1DigestSize, kSha1PadWord);
    StoreBigEndian(block + kLengthOffset, kOuterMessageBits);
    uint32_t outer[5];
    std::memcpy(outer, key.outer, sizeof outer);
    Sha1CompressPortable(outer, block, 1);

    uint8_t h[kSha1DigestSize];
    for (int i = 0; i < 5; ++i) StoreBigEndian(h + 4 * i, outer[i]);
    return TruncateToCode(h);
}

}  // namespace

void HotpCodesPortable(const HmacSha1KeyState& key, const uint32_t* counters, int32_t* codes, size_t count) {
    for (size_t i = 0; i < count; ++i) codes[i] = CodeOf(key, counters[i]);
}

}  // namespace velmo
