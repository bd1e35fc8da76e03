// AES-256 block cipher (FIPS 197) and CBC chaining (NIST SP 800-38A).
// Pure code; no padding here (CPassword adds PKCS#5).
#pragma once

#include <cstddef>
#include <cstdint>

namespace velmo {

constexpr size_t kAesBlockSize = 16;
constexpr size_t kAes256KeySize = 32;

class Aes256 {
public:
    explicit Aes256(const uint8_t key[kAes256KeySize]);
    ~Aes256();
    Aes256(const Aes256&) = delete;
    Aes256& operator=(const Aes256&) = delete;

    void EncryptBlock(const uint8_t in[kAesBlockSize], uint8_t out[kAesBlockSize]) const;
    void DecryptBlock(const uint8_t in[kAesBlockSize], uint8_t out[kAesBlockSize]) const;

    // In-place CBC over whole blocks; `length` must be a multiple of 16.
    // `chain` holds the initialisation vector and receives the last block.
    void EncryptCbc(uint8_t* data, size_t length, uint8_t chain[kAesBlockSize]) const;
    void DecryptCbc(uint8_t* data, size_t length, uint8_t chain[kAesBlockSize]) const;

private:
    static constexpr int kRounds = 14;
    uint8_t roundKeys_[(kRounds + 1) * kAesBlockSize];
};

}  // namespace velmo
