// The forms in which an administrator may give a token's secret: Base32 text
// of 16 or 32 characters as it stands, or hexadecimal digits that become
// Base32. Pure code.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace velmo {

constexpr size_t kMaxHexSecretBytes = 80;

// The secret as it will be stored: 16 or 32 characters are Base32 as given;
// other text without any of the letters G-Z (upper case) is read as
// hexadecimal pairs (any other character counts as 0, a final unpaired digit
// is dropped) and Base32-encoded; anything else is kept as it stands.
std::string NormalizeTokenSecret(std::string_view text);

// Lengths the setting command stores: 16, 32, 52 or 56 characters (10, 20,
// 32 or 35 bytes).
bool AcceptedSecretLength(size_t length);

}  // namespace velmo
