// The text forms of velmo_ui.dll: the service's RSA public key, ciphertexts
// and signatures, all standard Base64 of big-endian numbers. Their sizes are
// fixed by the module's buffers: it reads the key into 190 bytes (a registry
// read keeps at most 186 characters of it), gives 200 bytes for a ciphertext
// and reads at most 190 characters of a signature. A 1,104-bit modulus (138
// bytes, 184 Base64 characters) is the largest that fits all three. Pure code.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmo::ui {

constexpr size_t kMaxKeyText = 186;        // "serverPublicKey" as a 190-byte read keeps it
constexpr size_t kOutputSize = 200;        // the caller's zeroed ciphertext buffer
constexpr size_t kMaxSignatureText = 190;  // the reply token as the module reads it
constexpr size_t kMaxValueText = 1024;     // a signed value: a code text of up to 10 digits
constexpr size_t kMinModulusBytes = 128;   // 1,024 bits: nothing weaker is accepted
constexpr size_t kMaxModulusBytes = 138;   // 1,104 bits: 184 Base64 characters
constexpr uint32_t kPublicExponent = 65537;
constexpr size_t kOaepOverhead = 42;  // OAEP with SHA-1: 2 digests and 2 bytes

// A caller's NUL-terminated text read no further than `max` characters;
// nullopt for a null pointer or a longer text.
std::optional<std::string_view> BoundedText(const char* text, size_t max);

// Standard Base64 with "=" padding, nothing else allowed (no blanks, no line
// breaks, no bits set in the padding). nullopt when the text is not such.
std::optional<std::vector<uint8_t>> DecodeBase64(std::string_view text);
std::string EncodeBase64(const std::vector<uint8_t>& bytes);

// The modulus of a public key text (exponent 65537): 1,024 to 1,104 bits,
// odd, without leading zero bytes. nullopt for anything else.
std::optional<std::vector<uint8_t>> ParseModulus(const char* keyText);

}  // namespace velmo::ui
