// Codes from precomputed HMAC key states with the SHA extensions. Both
// blocks are built in registers (the outer message is the inner state
// itself), and several counters run interleaved.
#include "otp/hotp_kernels.h"

#if VELMO_SHA1_SHANI

#include "otp/otp_code.h"
#include "otp/sha1_shani_rounds.h"

namespace velmo {

namespace {

// Counters computed together: four hide most of the SHA unit's latency and
// still fit the 16 vector registers with few spills (measured on Zen 4 with
// clang and mingw-w64 gcc: 47 ns per code with one lane, 30 with four).
constexpr int kLanes = 4;

template <int Lanes>
VELMO_SHANI_TARGET void Codes(const HmacSha1KeyState& key, const uint32_t* counters, int32_t* codes) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i innerLength = _mm_set_epi32(0, 0, 0, static_cast<int>(kInnerMessageBits));
    const __m128i outerPad = _mm_set_epi32(0, static_cast<int>(kSha1PadWord), 0, 0);
    const __m128i outerLength = _mm_set_epi32(0, 0, 0, static_cast<int>(kOuterMessageBits));

    // Inner block: words 0-3 are 0, counter, padding, 0; word 15 the length.
    shani::Lane lane[Lanes];
    VELMO_UNROLL_LANES
    for (int j = 0; j < Lanes; ++j) {
        lane[j].abcd = shani::LoadState(key.inner);
        lane[j].e = shani::LoadE(key.inner[4]);
        lane[j].w[0] = _mm_set_epi32(0, static_cast<int>(counters[j]), static_cast<int>(kSha1PadWord), 0);
        lane[j].w[1] = zero;
        lane[j].w[2] = zero;
        lane[j].w[3] = innerLength;
    }
    shani::Compress(lane);

    // Outer block: words 0-4 are the inner state (E arrives in the highest
    // lane with zeros below), word 5 the padding, word 15 the length.
    VELMO_UNROLL_LANES
    for (int j = 0; j < Lanes; ++j) {
        lane[j].w[0] = lane[j].abcd;
        lane[j].w[1] = _mm_or_si128(lane[j].e, outerPad);
        lane[j].w[2] = zero;
        lane[j].w[3] = outerLength;
        lane[j].abcd = shani::LoadState(key.outer);
        lane[j].e = shani::LoadE(key.outer[4]);
    }
    shani::Compress(lane);

    VELMO_UNROLL_LANES
    for (int j = 0; j < Lanes; ++j) {
        // The digest in memory order: A B C D, then E, each big-endian.
        uint8_t h[kSha1DigestSize];
        _mm_storeu_si128(reinterpret_cast<__m128i*>(h), shani::ReverseBytes(lane[j].abcd));
        const uint32_t e = static_cast<uint32_t>(_mm_extract_epi32(lane[j].e, 3));
        h[16] = static_cast<uint8_t>(e >> 24);
        h[17] = static_cast<uint8_t>(e >> 16);
        h[18] = static_cast<uint8_t>(e >> 8);
        h[19] = static_cast<uint8_t>(e);
        codes[j] = TruncateToCode(h);
    }
}

}  // namespace

VELMO_SHANI_TARGET void HotpCodesShaNi(const HmacSha1KeyState& key, const uint32_t* counters, int32_t* codes,
                                       size_t count) {
    size_t i = 0;
    for (; i + kLanes <= count; i += kLanes) Codes<kLanes>(key, counters + i, codes + i);
    for (; i < count; ++i) Codes<1>(key, counters + i, codes + i);
}

}  // namespace velmo

#endif
