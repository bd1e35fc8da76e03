#include "settings/password.h"

#include <cstring>

#include "common/trace.h"
#include "settings/aes256.h"

namespace velmo {

bool CPassword::EncryptBuffer(uint8_t* buffer, uint32_t* length, uint32_t capacity, const uint8_t* key,
                              const uint8_t* vector) {
    if (!length || !key || !vector) {
        TraceLog("CPassword::EncryptBuffer, null input");
        return false;
    }
    const uint64_t needed = uint64_t{*length} / kAesBlockSize * kAesBlockSize + kAesBlockSize;
    if (!buffer || capacity < needed) {
        *length = 0;
        TraceLog("CPassword::EncryptBuffer, not enought buffer len");
        return false;
    }
    const uint32_t pad = kAesBlockSize - (*length % kAesBlockSize);
    std::memset(buffer + *length, static_cast<int>(pad), pad);
    *length += pad;

    Aes256 aes(key);
    uint8_t chain[kAesBlockSize];
    std::memcpy(chain, vector, kAesBlockSize);
    aes.EncryptCbc(buffer, *length, chain);
    return true;
}

bool CPassword::DecryptBuffer(uint8_t* buffer, uint32_t* length, const uint8_t* key, const uint8_t* vector) {
    if (!buffer || !length || *length == 0 || *length % kAesBlockSize != 0 || !key || !vector) {
        TraceLog("CPassword::DecryptBuffer, null input");
        return false;
    }
    Aes256 aes(key);
    uint8_t chain[kAesBlockSize];
    std::memcpy(chain, vector, kAesBlockSize);
    aes.DecryptCbc(buffer, *length, chain);

    const uint8_t pad = buffer[*length - 1];
    bool valid = pad >= 1 && pad <= kAesBlockSize;
    for (uint32_t i = 0; valid && i < pad; ++i) valid = buffer[*length - 1 - i] == pad;
    if (!valid) {
        TraceLog("CPassword::DecryptBuffer, wrong PKCS5 (wrong password).");
        return false;
    }
    *length -= pad;
    return true;
}

}  // namespace velmo
