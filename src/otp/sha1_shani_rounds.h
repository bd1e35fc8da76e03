// SHA-1 block compression with the SHA extensions, for several independent
// blocks at once. One block's 20 four-round steps form a dependency chain;
// interleaving lanes keeps the SHA unit busy while each chain waits.
// Include only from files whose functions carry VELMO_SHANI_TARGET (the
// rest of the build stays generic x86-64). Pure code.
#pragma once

#include <immintrin.h>

#include <cstdint>

#define VELMO_SHANI_TARGET __attribute__((target("sha,sse4.1,ssse3")))
#define VELMO_SHANI_INLINE VELMO_SHANI_TARGET inline __attribute__((always_inline))
// Lane loops must unroll so that every lane stays in registers.
#define VELMO_UNROLL_LANES _Pragma("GCC unroll 8")

namespace velmo::shani {

// Lane layout of the SHA instructions: word 0 of a block, and A of the
// state, sit in the highest lane.
struct Lane {
    __m128i abcd;  // A B C D of the chaining state
    __m128i e;     // E in the highest lane, zeros below
    __m128i w[4];  // message words 0-15 in; the schedule reuses them
};

VELMO_SHANI_INLINE __m128i LoadState(const uint32_t state[5]) {
    return _mm_set_epi32(static_cast<int>(state[0]), static_cast<int>(state[1]), static_cast<int>(state[2]),
                         static_cast<int>(state[3]));
}

VELMO_SHANI_INLINE __m128i LoadE(uint32_t e) { return _mm_set_epi32(static_cast<int>(e), 0, 0, 0); }

// Reverses the 16 bytes: four big-endian words in memory become lanes with
// word 0 highest, and the other way round.
VELMO_SHANI_INLINE __m128i ReverseBytes(__m128i x) {
    return _mm_shuffle_epi8(x, _mm_set_epi64x(0x0001020304050607LL, 0x08090A0B0C0D0E0FLL));
}

VELMO_SHANI_INLINE void StoreState(__m128i abcd, __m128i e, uint32_t state[5]) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(state), _mm_shuffle_epi32(abcd, 0x1B));
    state[4] = static_cast<uint32_t>(_mm_extract_epi32(e, 3));
}

// Four rounds with message vector `w` of every lane. `prev` holds the A B C D
// before the previous four rounds, from which sha1nexte derives E.
template <int Function, int Lanes>
VELMO_SHANI_INLINE void FourRounds(Lane (&lane)[Lanes], __m128i (&prev)[Lanes], int w) {
    VELMO_UNROLL_LANES
    for (int j = 0; j < Lanes; ++j) {
        const __m128i e = _mm_sha1nexte_epu32(prev[j], lane[j].w[w]);
        prev[j] = lane[j].abcd;
        lane[j].abcd = _mm_sha1rnds4_epu32(lane[j].abcd, e, Function);
    }
}

// The next four message words (W[t] for t >= 16) from the four vectors
// before them; they replace vector `w`, the oldest.
template <int Lanes>
VELMO_SHANI_INLINE void Schedule(Lane (&lane)[Lanes], int w) {
    VELMO_UNROLL_LANES
    for (int j = 0; j < Lanes; ++j) {
        __m128i* v = lane[j].w;
        v[w] = _mm_sha1msg2_epu32(_mm_xor_si128(_mm_sha1msg1_epu32(v[w], v[(w + 1) & 3]), v[(w + 2) & 3]),
                                  v[(w + 3) & 3]);
    }
}

// One compression of every lane: abcd and e become the new chaining state.
template <int Lanes>
VELMO_SHANI_INLINE void Compress(Lane (&lane)[Lanes]) {
    __m128i abcdIn[Lanes], eIn[Lanes], prev[Lanes];
    VELMO_UNROLL_LANES
    for (int j = 0; j < Lanes; ++j) {
        abcdIn[j] = lane[j].abcd;
        eIn[j] = lane[j].e;
        // Rounds 0-3 take E directly; later steps derive it with sha1nexte.
        const __m128i e = _mm_add_epi32(lane[j].e, lane[j].w[0]);
        prev[j] = lane[j].abcd;
        lane[j].abcd = _mm_sha1rnds4_epu32(lane[j].abcd, e, 0);
    }
    FourRounds<0>(lane, prev, 1);
    FourRounds<0>(lane, prev, 2);
    FourRounds<0>(lane, prev, 3);
    Schedule(lane, 0), FourRounds<0>(lane, prev, 0);
    Schedule(lane, 1), FourRounds<1>(lane, prev, 1);
    Schedule(lane, 2), FourRounds<1>(lane, prev, 2);
    Schedule(lane, 3), FourRounds<1>(lane, prev, 3);
    Schedule(lane, 0), FourRounds<1>(lane, prev, 0);
    Schedule(lane, 1), FourRounds<1>(lane, prev, 1);
    Schedule(lane, 2), FourRounds<2>(lane, prev, 2);
    Schedule(lane, 3), FourRounds<2>(lane, prev, 3);
    Schedule(lane, 0), FourRounds<2>(lane, prev, 0);
    Schedule(lane, 1), FourRounds<2>(lane, prev, 1);
    Schedule(lane, 2), FourRounds<2>(lane, prev, 2);
    Schedule(lane, 3), FourRounds<3>(lane, prev, 3);
    Schedule(lane, 0), FourRounds<3>(lane, prev, 0);
    Schedule(lane, 1), FourRounds<3>(lane, prev, 1);
    Schedule(lane, 2), FourRounds<3>(lane, prev, 2);
    Schedule(lane, 3), FourRounds<3>(lane, prev, 3);
    VELMO_UNROLL_LANES
    for (int j = 0; j < Lanes; ++j) {
        lane[j].e = _mm_sha1nexte_epu32(prev[j], eIn[j]);
        lane[j].abcd = _mm_add_epi32(lane[j].abcd, abcdIn[j]);
    }
}

}  // namespace velmo::shani
