// What a stored registry value means when a number or bytes are asked for:
// a number may be kept as a DWORD, as the first bytes of a binary or as
// decimal text; bytes may be kept as hexadecimal text. Pure code: the
// registry reads hand their query buffer here.
#pragma once

#include <cstddef>
#include <cstdint>

namespace velmo {

// The registry's value kinds (REG_SZ, REG_BINARY, REG_DWORD).
enum RegKind : uint32_t { kRegKindText = 1, kRegKindBinary = 3, kRegKindDword = 4 };

// The number in `size` bytes of value data of kind `kind`: a DWORD or a
// binary gives its first four bytes (little-endian, zero-filled); text up to
// its first NUL that begins with "0" gives 0, else is read as signed decimal
// and gives `defaultValue` when it is empty, reads as 0 or holds a "."; any
// other kind gives `defaultValue`.
uint32_t NumberFromValue(uint32_t kind, const uint8_t* data, size_t size, uint32_t defaultValue);

// Decodes in place the hexadecimal text in the first `size` bytes of
// `buffer` (up to a NUL, at most 1,008 bytes), zeroing the rest of those
// bytes so that no digit stays behind the decoded ones. Returns the count.
uint32_t BytesFromHexValue(uint8_t* buffer, uint32_t size);

}  // namespace velmo
