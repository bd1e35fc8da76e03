// Codes from precomputed HMAC key states, sixteen counters at a time: lane j
// of each 512-bit register carries counter j through both SHA-1 blocks and
// the truncation. Everything but the counter (and, in the outer block, the
// inner digest) is the same in every message, so those schedule words are
// constants that the compiler folds away.
#include "otp/hotp_kernels.h"

#if VELMO_SHA1_AVX512

#include <immintrin.h>

#include <algorithm>
#include <utility>

#include "otp/otp_code.h"

// Only this file's functions use AVX-512; the rest of the build stays generic
// x86-64. Everything below inlines into HotpCodesAvx512 and lives in the 32
// vector registers: nothing 64 bytes wide goes to the stack, whose alignment
// mingw-w64 does not guarantee beyond 16 bytes.
#define VELMO_AVX512_TARGET __attribute__((target("avx512f,avx512bw,avx512vl")))
#define VELMO_AVX512_INLINE VELMO_AVX512_TARGET inline __attribute__((always_inline))

namespace velmo {

namespace {

constexpr size_t kLanes = 16;

// One 32-bit word of each lane. Plain vector arithmetic (not intrinsics)
// lets both compilers fold the constant words.
using Words = uint32_t __attribute__((vector_size(64)));

template <int N>
VELMO_AVX512_INLINE Words Rotl(Words x) {
    return (x << N) | (x >> (32 - N));
}

VELMO_AVX512_INLINE Words Splat(uint32_t x) { return Words{} + x; }

struct Working {
    Words a, b, c, d, e;
};

VELMO_AVX512_INLINE Working SplatState(const uint32_t state[5]) {
    return {Splat(state[0]), Splat(state[1]), Splat(state[2]), Splat(state[3]), Splat(state[4])};
}

// Round t with message word `word`: f(b, c, d) is one vpternlogd, whose
// truth table (operands b, c, d) is choose, parity, majority, parity.
template <size_t T>
VELMO_AVX512_INLINE void Round(Working& v, Words word) {
    constexpr int kTruthTable = T < 20 ? 0xCA : (T >= 40 && T < 60) ? 0xE8 : 0x96;
    constexpr uint32_t kConstant = T < 20 ? 0x5A827999 : T < 40 ? 0x6ED9EBA1 : T < 60 ? 0x8F1BBCDC : 0xCA62C1D6;
    const auto f = reinterpret_cast<Words>(_mm512_ternarylogic_epi32(
        reinterpret_cast<__m512i>(v.b), reinterpret_cast<__m512i>(v.c), reinterpret_cast<__m512i>(v.d), kTruthTable));
    const Words next = Rotl<5>(v.a) + f + v.e + (word + kConstant);
    v.e = v.d;
    v.d = v.c;
    v.c = Rotl<30>(v.b);
    v.b = v.a;
    v.a = next;
}

// The schedule is a ring of 16 words: word t (t >= 16) replaces word t - 16.
template <size_t T>
VELMO_AVX512_INLINE void Step(Working& v, Words (&w)[16]) {
    if constexpr (T >= 16) w[T % 16] = Rotl<1>(w[(T - 3) % 16] ^ w[(T - 8) % 16] ^ w[(T - 14) % 16] ^ w[T % 16]);
    Round<T>(v, w[T % 16]);
}

template <size_t... T>
VELMO_AVX512_INLINE void Rounds(Working& v, Words (&w)[16], std::index_sequence<T...>) {
    (Step<T>(v, w), ...);
}

// The chaining state after one block `w` from `state`.
VELMO_AVX512_INLINE Working Compress(const Working& state, Words (&w)[16]) {
    Working v = state;
    Rounds(v, w, std::make_index_sequence<80>{});
    return {state.a + v.a, state.b + v.b, state.c + v.c, state.d + v.d, state.e + v.e};
}

VELMO_AVX512_INLINE __m512i AsInt(Words x) { return reinterpret_cast<__m512i>(x); }

// TruncateToCode in every lane. The digest's last 4 bits give a byte offset
// of 0-15: the 31-bit value there spans digest words offset / 4 and the one
// after it.
VELMO_AVX512_INLINE __m512i Truncate(const Working& h) {
    const Words offset = h.e & 15;
    const Words word = offset >> 2;
    const __m512i shift = AsInt((offset & 3) * 8);
    const Words digest[5] = {h.a, h.b, h.c, h.d, h.e};
    __m512i first = AsInt(h.a), second = AsInt(h.b);
    for (uint32_t k = 1; k < 4; ++k) {
        const __mmask16 later = _mm512_cmpge_epu32_mask(AsInt(word), AsInt(Splat(k)));
        first = _mm512_mask_blend_epi32(later, first, AsInt(digest[k]));
        second = _mm512_mask_blend_epi32(later, second, AsInt(digest[k + 1]));
    }
    // Variable shifts of 32 give 0, so an offset at a word boundary needs no
    // special case.
    const __m512i high = _mm512_sllv_epi32(first, shift);
    const __m512i low = _mm512_srlv_epi32(second, _mm512_sub_epi32(_mm512_set1_epi32(32), shift));
    const __m512i bin = _mm512_and_si512(_mm512_or_si512(high, low), _mm512_set1_epi32(0x7FFFFFFF));

    // bin / 1,000,000 = (bin * 1125899907) >> 50 for every bin below 2^31
    // (checked exhaustively), in the 64-bit products of even and odd lanes.
    const __m512i magic = _mm512_set1_epi32(1125899907);
    const __m512i evenQuotient = _mm512_srli_epi64(_mm512_mul_epu32(bin, magic), 50);
    const __m512i oddQuotient = _mm512_srli_epi64(_mm512_mul_epu32(_mm512_srli_epi64(bin, 32), magic), 18);
    const __m512i quotient = _mm512_mask_blend_epi32(0xAAAA, evenQuotient, oddQuotient);
    return _mm512_sub_epi32(bin, _mm512_mullo_epi32(quotient, _mm512_set1_epi32(kCodeModulus)));
}

}  // namespace

VELMO_AVX512_TARGET void HotpCodesAvx512(const HmacSha1KeyState& key, const uint32_t* counters, int32_t* codes,
                                         size_t count) {
    const Working inner = SplatState(key.inner);
    const Working outer = SplatState(key.outer);
    for (size_t at = 0; at < count; at += kLanes) {
        // A short batch leaves the last lanes unused: masked loads and
        // stores touch only the counters and codes it has.
        const size_t n = std::min(kLanes, count - at);
        const auto used = static_cast<__mmask16>((1u << n) - 1);

        // Inner block: the counter as a 64-bit big-endian value, padding, length.
        Words w[16] = {};
        w[1] = reinterpret_cast<Words>(_mm512_maskz_loadu_epi32(used, counters + at));
        w[2] = Splat(kSha1PadWord);
        w[15] = Splat(kInnerMessageBits);
        const Working digest = Compress(inner, w);

        // Outer block: the inner digest, padding, length.
        w[0] = digest.a;
        w[1] = digest.b;
        w[2] = digest.c;
        w[3] = digest.d;
        w[4] = digest.e;
        w[5] = Splat(kSha1PadWord);
        for (int i = 6; i < 15; ++i) w[i] = Words{};
        w[15] = Splat(kOuterMessageBits);
        _mm512_mask_storeu_epi32(codes + at, used, Truncate(Compress(outer, w)));
    }
}

}  // namespace velmo

#endif
