#include "otp/secret_forms.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "otp/base32.h"

namespace velmo {

namespace {

constexpr std::string_view kNonHexLetters = "GHIJKLMNOPQRSTUVWXYZ";

uint8_t HexDigit(char c) {
    if (c >= '0' && c <= '9') return static_cast<uint8_t>(c - '0');
    if (c >= 'a' && c <= 'f') return static_cast<uint8_t>(c - 'a' + 10);
    if (c >= 'A' && c <= 'F') return static_cast<uint8_t>(c - 'A' + 10);
    return 0;
}

}  // namespace

std::string NormalizeTokenSecret(std::string_view text) {
    if (text.size() == 16 || text.size() == 32) return std::string(text);
    if (text.find_first_of(kNonHexLetters) != std::string_view::npos) return std::string(text);

    const size_t count = std::min(text.size() / 2, kMaxHexSecretBytes);
    std::vector<uint8_t> bytes(count);
    for (size_t i = 0; i < count; ++i)
        bytes[i] = static_cast<uint8_t>(HexDigit(text[2 * i]) * 16 + HexDigit(text[2 * i + 1]));
    std::string encoded(count * 8 / 5 + 2, '\0');
    const int32_t n = Base32Encode(bytes.data(), static_cast<int32_t>(count), encoded.data(),
                                   static_cast<int32_t>(encoded.size()));
    encoded.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return encoded;
}

bool AcceptedSecretLength(size_t length) { return length == 16 || length == 32 || length == 52 || length == 56; }

}  // namespace velmo
