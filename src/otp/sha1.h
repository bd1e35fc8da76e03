// SHA-1 (FIPS 180-4) with incremental use. Pure code.
#pragma once

#include <cstddef>
#include <cstdint>

namespace velmo {

constexpr size_t kSha1DigestSize = 20;
constexpr size_t kSha1BlockSize = 64;

struct Sha1Context {
    uint32_t state[5];
    uint32_t bitCountLow;   // message length in bits, low word
    uint32_t bitCountHigh;  // and high word
    uint8_t block[kSha1BlockSize];
    uint32_t pending;       // bytes waiting in `block`
};

void Sha1Start(Sha1Context& ctx);
void Sha1Add(Sha1Context& ctx, const uint8_t* data, uint32_t length);
void Sha1Finish(Sha1Context& ctx, uint8_t digest[kSha1DigestSize]);

// Runs the compression function over whole 64-byte blocks, with the CPU's
// SHA extensions where present (otp/sha1_engine.h).
void Sha1Compress(uint32_t state[5], const uint8_t* blocks, size_t blockCount);

}  // namespace velmo
