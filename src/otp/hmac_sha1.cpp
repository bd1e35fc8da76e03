#include "otp/hmac_sha1.h"

#include <algorithm>
#include <cstring>

#include "common/secure_wipe.h"
#include "otp/sha1.h"

namespace velmo {

void HmacSha1(const uint8_t* key, int32_t keyLength, const uint8_t* data, int32_t dataLength, uint8_t* result,
              int32_t resultLength) {
    uint8_t hashedKey[kSha1DigestSize];
    uint32_t k = (key && keyLength > 0) ? static_cast<uint32_t>(keyLength) : 0;
    if (k > kSha1BlockSize) {
        Sha1Context ctx;
        Sha1Start(ctx);
        Sha1Add(ctx, key, k);
        Sha1Finish(ctx, hashedKey);
        key = hashedKey;
        k = kSha1DigestSize;
    }

    uint8_t pad[kSha1BlockSize];
    for (uint32_t i = 0; i < kSha1BlockSize; ++i) pad[i] = static_cast<uint8_t>((i < k ? key[i] : 0) ^ 0x36);
    uint8_t inner[kSha1DigestSize];
    Sha1Context ctx;
    Sha1Start(ctx);
    Sha1Add(ctx, pad, kSha1BlockSize);
    Sha1Add(ctx, data, (data && dataLength > 0) ? static_cast<uint32_t>(dataLength) : 0);
    Sha1Finish(ctx, inner);

    for (uint32_t i = 0; i < kSha1BlockSize; ++i) pad[i] = static_cast<uint8_t>((i < k ? key[i] : 0) ^ 0x5C);
    uint8_t outer[kSha1DigestSize];
    Sha1Start(ctx);
    Sha1Add(ctx, pad, kSha1BlockSize);
    Sha1Add(ctx, inner, kSha1DigestSize);
    Sha1Finish(ctx, outer);

    if (result && resultLength > 0) {
        std::memset(result, 0, static_cast<size_t>(resultLength));
        std::memcpy(result, outer, std::min<size_t>(static_cast<size_t>(resultLength), kSha1DigestSize));
    }
    SecureWipe(pad, sizeof pad);
    SecureWipe(hashedKey, sizeof hashedKey);
    SecureWipe(inner, sizeof inner);
    SecureWipe(&ctx, sizeof ctx);
}

}  // namespace velmo
