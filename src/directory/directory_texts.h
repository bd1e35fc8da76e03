// Texts the OTP records and the self-enrolment exchange keep in the
// directory: identifiers, the replay history in hexadecimal, the session key
// and the secret block the domain's OTP service sends back. Pure code.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmo {

// A GUID's standard text: 36 lower-case hexadecimal characters with hyphens,
// no braces, from its 16 bytes in the platform's GUID layout.
std::string GuidText(const std::array<uint8_t, 16>& guid);

// Whether a directory value has exactly that form. Only such a value names an
// object: any other text could name another record, or another partition.
bool IsGuidText(std::u16string_view text);

// The directory's "kvOathHistory" for a local history of `count` bytes: the
// first quarter of them (the newest entries) in upper-case hexadecimal.
std::string HistoryForDirectory(const uint8_t* bytes, uint32_t count);

// The local history a directory text gives: half its length in bytes,
// decoded (zeros for a text that encodes 1,620 bytes or more, at most
// 3,000 bytes); nothing to write for a text of fewer than 4 characters.
constexpr size_t kDirectoryHistoryArea = 3000;
constexpr size_t kDirectoryHistoryLimit = 1620;  // 400 entries x 4 + 20
std::optional<std::vector<uint8_t>> HistoryFromDirectory(std::string_view hex);

// The session key of one request: ten letters followed by 22 blanks.
constexpr size_t kSessionKeySize = 32;
constexpr size_t kSessionWordLetters = 10;
using SessionKey = std::array<uint8_t, kSessionKeySize>;
// The letters come from `randomBytes` (at least 10 of them are used; a
// byte that would favour some letters is skipped); false when they ran out.
bool MakeSessionKey(const uint8_t* randomBytes, size_t count, SessionKey& key);

// What the service's reply block holds once decrypted with the session key.
struct SecretBlock {
    std::string secret;  // bytes 0-19 as Base32 (32 characters)
    int8_t skew;         // byte 31
    int8_t byte21, byte22;
    bool Usable() const { return byte21 == 0 && byte22 == 0; }
};

// Clears the 20 key bytes from `position` on (those inside the key), as the
// session-key position asks.
void ClearAtSessionPosition(SessionKey& key, int8_t position);

// Decodes the 64 hexadecimal characters of the reply and decrypts its two
// blocks (AES-256, each block on its own) with `key`.
SecretBlock DecryptSecretBlock(std::string_view hex, const SessionKey& key);

}  // namespace velmo
