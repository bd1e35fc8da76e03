#include "directory/directory_texts.h"

#include <algorithm>
#include <cstdio>

#include "common/secure_wipe.h"
#include "otp/base32.h"
#include "settings/aes256.h"
#include "settings/hex.h"

namespace velmo {

namespace {

constexpr size_t kGuidTextLength = 36;
constexpr uint32_t kHistoryShare = 4;  // a quarter of the local history goes up
constexpr size_t kSecretBytes = 20;
constexpr uint8_t kLetterCount = 26;
constexpr uint8_t kUnbiasedLimit = 256 - 256 % kLetterCount;  // 234

}  // namespace

std::string GuidText(const std::array<uint8_t, 16>& g) {
    char text[37];
    std::snprintf(text, sizeof text, "%02x%02x%02x%02x-%02x%02x-%02x%02x-%02x%02x-%02x%02x%02x%02x%02x%02x", g[3], g[2],
                  g[1], g[0], g[5], g[4], g[7], g[6], g[8], g[9], g[10], g[11], g[12], g[13], g[14], g[15]);
    return text;
}

bool IsGuidText(std::u16string_view text) {
    if (text.size() != kGuidTextLength) return false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        const bool hyphen = i == 8 || i == 13 || i == 18 || i == 23;
        const bool digit = (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f');
        if (hyphen ? c != u'-' : !digit) return false;
    }
    return true;
}

std::string HistoryForDirectory(const uint8_t* bytes, uint32_t count) {
    if (!bytes || count == 0) return {};
    return HexEncode(bytes, static_cast<int32_t>(count / kHistoryShare));
}

std::optional<std::vector<uint8_t>> HistoryFromDirectory(std::string_view hex) {
    if (hex.size() <= 1) return std::nullopt;
    const size_t n = hex.size() / 2;
    if (n <= 1) return std::nullopt;
    std::vector<uint8_t> area(kDirectoryHistoryArea, 0);
    if (n < kDirectoryHistoryLimit) HexDecode(std::string(hex).c_str(), area.data(), area.size());
    area.resize(std::min(n, kDirectoryHistoryArea));
    return area;
}

bool MakeSessionKey(const uint8_t* randomBytes, size_t count, SessionKey& key) {
    key.fill(' ');
    size_t letters = 0;
    for (size_t i = 0; i < count && letters < kSessionWordLetters; ++i)
        if (randomBytes[i] < kUnbiasedLimit) key[letters++] = static_cast<uint8_t>('a' + randomBytes[i] % kLetterCount);
    return letters == kSessionWordLetters;
}

void ClearAtSessionPosition(SessionKey& key, int8_t position) {
    for (int i = position; i < position + static_cast<int>(kSecretBytes); ++i)
        if (i >= 0 && i < static_cast<int>(key.size())) key[static_cast<size_t>(i)] = 0;
}

SecretBlock DecryptSecretBlock(std::string_view hex, const SessionKey& key) {
    uint8_t block[kSessionKeySize] = {};
    HexDecode(std::string(hex.substr(0, 2 * kSessionKeySize)).c_str(), block, sizeof block);
    const Aes256 aes(key.data());
    aes.DecryptBlock(block, block);
    aes.DecryptBlock(block + kAesBlockSize, block + kAesBlockSize);
    char secret[2 * kSecretBytes] = {};
    Base32Encode(block, kSecretBytes, secret, sizeof secret);
    SecretBlock result{secret, static_cast<int8_t>(block[31]), static_cast<int8_t>(block[21]),
                       static_cast<int8_t>(block[22])};
    SecureWipe(block, sizeof block);
    SecureWipe(secret, sizeof secret);
    return result;
}

}  // namespace velmo
