#include "settings/protected_value.h"

#include <cstring>
#include <vector>

#include "common/secure_wipe.h"
#include "settings/aes256.h"
#include "settings/hex.h"
#include "settings/password.h"

namespace velmo {

namespace {

// The fixed key of protected values. It never changes: every build must read
// the values that earlier builds wrote.
constexpr char kProtectedKeyHex[] = "22E9732DAA4134C8D440F729BEE1FAFD7DE69FFC019C0048B4E3369AB7B1E44A";

struct FixedKey {
    uint8_t bytes[kPasswordKeySize];
    FixedKey() { HexDecode(kProtectedKeyHex, bytes, sizeof bytes); }
    ~FixedKey() { SecureWipe(bytes, sizeof bytes); }
};

constexpr uint8_t kZeroVector[kPasswordVectorSize] = {};

}  // namespace

bool IsProtectedName(const char* name) { return name && std::strstr(name, kProtectedNameMark) != nullptr; }

std::string EncryptProtectedText(std::string_view plain, const uint8_t salt[kProtectedSaltSize]) {
    if (plain.size() > kMaxProtectedPlaintext) return {};
    // Plaintext, NUL, nine random bytes, then room for up to 16 padding bytes.
    const uint32_t length = static_cast<uint32_t>(plain.size() + 1 + kProtectedSaltSize);
    std::vector<uint8_t> work(length + kAesBlockSize, 0);
    const WipeOnExit wipeWork(work);
    std::memcpy(work.data(), plain.data(), plain.size());
    std::memcpy(work.data() + plain.size() + 1, salt, kProtectedSaltSize);

    FixedKey key;
    uint32_t cipherLength = length;
    CPassword password;
    if (!password.EncryptBuffer(work.data(), &cipherLength, static_cast<uint32_t>(work.size()), key.bytes, kZeroVector))
        return {};
    return HexEncode(work.data(), static_cast<int32_t>(cipherLength));
}

std::optional<std::string> DecryptProtectedText(std::string_view storedHex) {
    std::vector<uint8_t> work(storedHex.size() / 2 + 1, 0);
    const WipeOnExit wipeWork(work);  // decrypted, also when the padding is wrong
    const std::string text(storedHex);
    uint32_t length = static_cast<uint32_t>(HexDecode(text.c_str(), work.data(), work.size()));

    FixedKey key;
    CPassword password;
    if (!password.DecryptBuffer(work.data(), &length, key.bytes, kZeroVector)) return std::nullopt;
    const size_t plainLength = strnlen(reinterpret_cast<const char*>(work.data()), length);
    return std::string(reinterpret_cast<const char*>(work.data()), plainLength);
}

}  // namespace velmo
