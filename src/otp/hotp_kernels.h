// The per-counter work behind CodeGenerator: HMAC-SHA1 of the 8-byte counter
// from precomputed key states, then the dynamic truncation. One kernel per
// SHA-1 engine; all give ComputeCode's result for every counter. Pure code.
#pragma once

#include <cstddef>
#include <cstdint>

#include "otp/sha1.h"
#include "otp/sha1_engine.h"

namespace velmo {

// SHA-1 states after the key XOR ipad block and after the key XOR opad block.
struct HmacSha1KeyState {
    uint32_t inner[5];
    uint32_t outer[5];
};

// Each hash ends in one padded block: the inner one after the ipad block and
// the 8-byte counter, the outer one after the opad block and the inner digest.
constexpr uint32_t kInnerMessageBits = (kSha1BlockSize + 8) * 8;
constexpr uint32_t kOuterMessageBits = (kSha1BlockSize + kSha1DigestSize) * 8;
constexpr uint32_t kSha1PadWord = 0x80000000;  // the 1 bit after the message

// codes[i] = the code of counters[i], for i < count.
void HotpCodesPortable(const HmacSha1KeyState& key, const uint32_t* counters, int32_t* codes, size_t count);
#if VELMO_SHA1_SHANI
void HotpCodesShaNi(const HmacSha1KeyState& key, const uint32_t* counters, int32_t* codes, size_t count);
#endif
#if VELMO_SHA1_AVX512
void HotpCodesAvx512(const HmacSha1KeyState& key, const uint32_t* counters, int32_t* codes, size_t count);
#endif

}  // namespace velmo
