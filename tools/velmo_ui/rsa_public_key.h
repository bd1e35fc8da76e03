// The service's RSA public key in CryptoAPI (the Enhanced RSA and AES
// provider, which also hashes with SHA-256): OAEP encryption and PKCS #1
// v1.5 signature checks over SHA-256. Numbers go in and come out big-endian,
// as the texts carry them; CryptoAPI's little-endian order stays in here.
#pragma once

#include <windows.h>
#include <wincrypt.h>

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "common/win_handles.h"

namespace velmo::ui {

struct CryptKeyTraits {
    using Handle = HCRYPTKEY;
    static Handle Invalid() { return 0; }
    static void Close(Handle h) { CryptDestroyKey(h); }
};
using UniqueCryptKey = UniqueOwner<CryptKeyTraits>;

class RsaPublicKey {
public:
    // nullopt when the provider or the import fails.
    static std::optional<RsaPublicKey> Import(const std::vector<uint8_t>& modulus);

    // The ciphertext (as long as the modulus), or nullopt when `plain` is
    // empty, too long for OAEP or the provider fails.
    std::optional<std::vector<uint8_t>> Encrypt(std::string_view plain) const;
    // Whether `signature` (as long as the modulus) is a valid signature over `value`.
    bool Verifies(std::string_view value, const std::vector<uint8_t>& signature) const;

private:
    UniqueCryptProv provider_;
    UniqueCryptKey key_;
    size_t modulusBytes_ = 0;
};

}  // namespace velmo::ui
