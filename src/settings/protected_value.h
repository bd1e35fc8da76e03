// Protected registry texts: the plaintext, a NUL and nine random bytes are
// padded (PKCS#5) and encrypted with AES-256 CBC under the module's fixed key
// and a zero vector, and kept as upper-case hexadecimal. Pure code apart from
// the random bytes, which the caller supplies.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace velmo {

// Values whose names contain this text are protected.
inline constexpr char kProtectedNameMark[] = "xxx";

// Longest plaintext that still reads back: its hexadecimal form must stay
// within the 2,024 bytes a text read accepts.
constexpr size_t kMaxProtectedPlaintext = 997;
// Random bytes after the plaintext's NUL.
constexpr size_t kProtectedSaltSize = 9;

bool IsProtectedName(const char* name);

// Hexadecimal ciphertext of `plain`; `salt` provides the nine random bytes.
// Empty when the plaintext is too long.
std::string EncryptProtectedText(std::string_view plain, const uint8_t salt[kProtectedSaltSize]);

// Plaintext of a stored hexadecimal ciphertext, or nothing when it does not
// decrypt (wrong key, damaged, or stored in plain text).
std::optional<std::string> DecryptProtectedText(std::string_view storedHex);

}  // namespace velmo
