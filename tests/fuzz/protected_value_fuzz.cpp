// Decryption of stored protected values: arbitrary (hostile) registry text
// must give a plaintext or a refusal, never a fault. Round trips of arbitrary
// plaintexts must come back unchanged.
#include <cstdint>
#include <string>

#include "settings/protected_value.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string stored(reinterpret_cast<const char*>(data), size);
    (void)velmo::DecryptProtectedText(stored);

    if (size >= velmo::kProtectedSaltSize) {
        const std::string plain(reinterpret_cast<const char*>(data) + velmo::kProtectedSaltSize,
                                size - velmo::kProtectedSaltSize);
        const std::string cut = plain.substr(0, plain.find('\0'));
        const std::string hex = velmo::EncryptProtectedText(cut, data);
        if (cut.size() <= velmo::kMaxProtectedPlaintext) {
            auto back = velmo::DecryptProtectedText(hex);
            if (!back || *back != cut) __builtin_trap();
        } else if (!hex.empty()) {
            __builtin_trap();
        }
    }
    return 0;
}
