// Secrets and codes as a test needs them: random Base32 secrets, and codes
// written with their six digits as an authenticator shows them.
#pragma once

#include <cstdint>
#include <random>
#include <string>

#include "otp/base32.h"
#include "otp/otp_code.h"

namespace velmo::test {

// Base32 text of `length` random bytes (1 to 100).
inline std::string RandomSecret(std::mt19937& rng, int32_t length) {
    uint8_t bytes[kMaxSecretBytes];
    for (int32_t i = 0; i < length; ++i) bytes[i] = static_cast<uint8_t>(rng());
    char secret[2 * kMaxSecretBytes];
    Base32Encode(bytes, length, secret, sizeof secret);
    return secret;
}

inline std::string SixDigits(int32_t code) {
    const std::string digits = std::to_string(code);
    return digits.size() >= 6 ? digits : std::string(6 - digits.size(), '0') + digits;
}

// The code of `counter` as a token shows it (leading zeros included).
inline std::string CodeText(const char* secret, uint32_t counter) { return SixDigits(ComputeCode(secret, counter)); }

}  // namespace velmo::test
