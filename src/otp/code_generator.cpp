#include "otp/code_generator.h"

#include <cstring>

#include "otp/otp_code.h"
#include "otp/sha1.h"

namespace velmo {

namespace {

void StartState(uint32_t state[5]) {
    Sha1Context ctx;
    Sha1Start(ctx);
    std::memcpy(state, ctx.state, sizeof ctx.state);
}

void StoreBigEndian(uint8_t* out, uint32_t value) {
    out[0] = static_cast<uint8_t>(value >> 24);
    out[1] = static_cast<uint8_t>(value >> 16);
    out[2] = static_cast<uint8_t>(value >> 8);
    out[3] = static_cast<uint8_t>(value);
}

}  // namespace

CodeGenerator::CodeGenerator(const char* secret) {
    uint8_t key[kMaxSecretBytes];
    const int32_t keyLength = DecodeSecret(secret, key);
    if (keyLength < 1) return;

    // Keys longer than a block are hashed first (RFC 2104).
    uint8_t block[kSha1BlockSize] = {};
    if (static_cast<size_t>(keyLength) > kSha1BlockSize) {
        Sha1Context ctx;
        Sha1Start(ctx);
        Sha1Add(ctx, key, static_cast<uint32_t>(keyLength));
        Sha1Finish(ctx, block);
    } else {
        std::memcpy(block, key, static_cast<size_t>(keyLength));
    }
    std::memset(key, 0, sizeof key);

    uint8_t pad[kSha1BlockSize];
    for (size_t i = 0; i < kSha1BlockSize; ++i) pad[i] = block[i] ^ 0x36;
    StartState(inner_);
    Sha1Compress(inner_, pad, 1);
    for (size_t i = 0; i < kSha1BlockSize; ++i) pad[i] = block[i] ^ 0x5C;
    StartState(outer_);
    Sha1Compress(outer_, pad, 1);
    std::memset(pad, 0, sizeof pad);
    std::memset(block, 0, sizeof block);
    usable_ = true;
}

CodeGenerator::~CodeGenerator() {
    volatile uint32_t* p = inner_;
    for (int i = 0; i < 5; ++i) p[i] = 0;
    p = outer_;
    for (int i = 0; i < 5; ++i) p[i] = 0;
}

int32_t CodeGenerator::CodeAt(uint32_t counter) const {
    if (!usable_) return -1;
    // Inner hash: the 8-byte moving factor after the ipad block, padded to
    // one block (message length 72 bytes = 576 bits).
    uint8_t block[kSha1BlockSize] = {};
    StoreBigEndian(block + 4, counter);
    block[8] = 0x80;
    block[62] = 0x02;
    block[63] = 0x40;
    uint32_t inner[5];
    std::memcpy(inner, inner_, sizeof inner);
    Sha1Compress(inner, block, 1);

    // Outer hash: the 20-byte inner digest after the opad block (84 bytes =
    // 672 bits).
    std::memset(block, 0, sizeof block);
    for (int i = 0; i < 5; ++i) StoreBigEndian(block + 4 * i, inner[i]);
    block[20] = 0x80;
    block[62] = 0x02;
    block[63] = 0xA0;
    uint32_t outer[5];
    std::memcpy(outer, outer_, sizeof outer);
    Sha1Compress(outer, block, 1);

    uint8_t h[kSha1DigestSize];
    for (int i = 0; i < 5; ++i) StoreBigEndian(h + 4 * i, outer[i]);
    return TruncateToCode(h);
}

}  // namespace velmo
