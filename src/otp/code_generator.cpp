#include "otp/code_generator.h"

#include <algorithm>
#include <cstring>

#include "common/secure_wipe.h"
#include "otp/otp_code.h"
#include "otp/sha1.h"

namespace velmo {

namespace {

// FindCode computes this many codes before it compares them.
constexpr size_t kFindChunk = 16;

void KeyedState(const uint8_t key[kSha1BlockSize], uint8_t padByte, uint32_t state[5]) {
    uint8_t pad[kSha1BlockSize];
    for (size_t i = 0; i < kSha1BlockSize; ++i) pad[i] = key[i] ^ padByte;
    Sha1Context ctx;
    Sha1Start(ctx);
    std::memcpy(state, ctx.state, sizeof ctx.state);
    Sha1Compress(state, pad, 1);
    SecureWipe(pad, sizeof pad);
}

}  // namespace

CodeGenerator::CodeGenerator(const char* secret) {
    uint8_t key[kMaxSecretBytes];
    const WipeOnExit wipeKey(key, sizeof key);
    const int32_t keyLength = DecodeSecret(secret, key);
    if (keyLength < 1) return;

    // Keys longer than a block are hashed first (RFC 2104).
    uint8_t block[kSha1BlockSize] = {};
    const WipeOnExit wipeBlock(block, sizeof block);
    if (static_cast<size_t>(keyLength) > kSha1BlockSize) {
        Sha1Context ctx;
        Sha1Start(ctx);
        Sha1Add(ctx, key, static_cast<uint32_t>(keyLength));
        Sha1Finish(ctx, block);
        SecureWipe(&ctx, sizeof ctx);
    } else {
        std::memcpy(block, key, static_cast<size_t>(keyLength));
    }
    KeyedState(block, 0x36, key_.inner);
    KeyedState(block, 0x5C, key_.outer);
    usable_ = true;
}

CodeGenerator::~CodeGenerator() { SecureWipe(&key_, sizeof key_); }

int32_t CodeGenerator::CodeAt(uint32_t counter) const {
    int32_t code;
    CodesAt(&counter, &code, 1);
    return code;
}

void CodeGenerator::CodesAt(const uint32_t* counters, int32_t* codes, size_t count) const {
    if (!usable_) {
        std::fill(codes, codes + count, -1);
        return;
    }
    [[maybe_unused]] const Sha1Engine engine = Sha1ActiveEngine();
#if VELMO_SHA1_AVX512
    if (engine == Sha1Engine::Avx512) {
        HotpCodesAvx512(key_, counters, codes, count);
        return;
    }
#endif
#if VELMO_SHA1_SHANI
    if (engine == Sha1Engine::ShaNi) {
        HotpCodesShaNi(key_, counters, codes, count);
        return;
    }
#endif
    HotpCodesPortable(key_, counters, codes, count);
}

size_t CodeGenerator::FindCode(const uint32_t* counters, size_t count, int32_t code) const {
    if (!usable_) return count;
    int32_t codes[kFindChunk];
    for (size_t at = 0; at < count; at += kFindChunk) {
        const size_t n = std::min(kFindChunk, count - at);
        CodesAt(counters + at, codes, n);
        for (size_t i = 0; i < n; ++i)
            if (codes[i] == code) return at + i;
    }
    return count;
}

}  // namespace velmo
