// CPassword: AES-256 CBC with PKCS#5 padding over caller-owned buffers, used
// for protected registry values. Each call builds its own cipher context.
#pragma once

#include <cstddef>
#include <cstdint>

namespace velmo {

constexpr uint32_t kPasswordKeySize = 32;
constexpr uint32_t kPasswordVectorSize = 16;

class CPassword {
public:
    // Pads `*length` bytes to the next multiple of 16 (1 to 16 bytes of
    // padding) and encrypts them in place. `capacity` must hold the result.
    bool EncryptBuffer(uint8_t* buffer, uint32_t* length, uint32_t capacity, const uint8_t* key,
                       const uint8_t* vector);

    // Decrypts in place and strips the padding; false (with a trace line) for
    // a bad length or wrong padding, the buffer then stays decrypted.
    bool DecryptBuffer(uint8_t* buffer, uint32_t* length, const uint8_t* key, const uint8_t* vector);

    // Fills the buffer from the platform's random generator; on failure the
    // buffer is left as it was.
    void FillRandom(uint8_t* buffer, uint32_t length);
};

}  // namespace velmo
