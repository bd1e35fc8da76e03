// Base64 (RFC 4648 standard alphabet, '=' padding): the gateway's HTTP Basic
// credentials, and the key and message texts of the public-key companion.
// Pure code.
#pragma once

#include <cstddef>
#include <cstdint>

namespace velmo {

// Encodes `length` bytes followed by CR LF and a NUL. On return `length` holds
// the characters written (CR LF counted, NUL not). Returns false, writing
// nothing, when `outSize` cannot hold the result or the length is negative.
bool Base64Encode(const uint8_t* bytes, char* out, size_t outSize, int32_t& length);

// Room Base64Encode needs for `length` input bytes (terminator included).
constexpr size_t Base64EncodedSize(size_t length) { return 4 * ((length + 2) / 3) + 3; }

}  // namespace velmo
