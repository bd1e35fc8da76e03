#include "common/platform_random.h"

#include "common/win_handles.h"

namespace velmo {

uint32_t FillFromPlatformRandom(uint8_t* buffer, uint32_t length) {
    UniqueCryptProv provider;
    if (!CryptAcquireContextA(provider.put(), nullptr, "Microsoft Base Cryptographic Provider v1.0", PROV_RSA_FULL,
                              CRYPT_VERIFYCONTEXT))
        return GetLastError() ? GetLastError() : ERROR_GEN_FAILURE;
    if (!CryptGenRandom(provider.get(), length, buffer)) return GetLastError() ? GetLastError() : ERROR_GEN_FAILURE;
    return 0;
}

}  // namespace velmo
