// Codes from precomputed HMAC key states, sixteen counters at a time: lane j
// of each 512-bit register carries counter j through both SHA-1 blocks and
// the truncation. Everything but the counter (and, in the outer block, the
// inner digest) is the same in every message, so those schedule words are
// constants that the compiler folds away.
#include "otp/hotp_kernels.h"

#if VELMO_SHA1_AVX512

#include <immintrin.h>

#include <algorithm>
#include <array>
#include <utility>

#include "otp/otp_code.h"

// Only this file's functions use AVX-512; the rest of the build stays generic
// x86-64. Everything below inlines into SixteenCodes, whose working set fits
// the 32 vector registers (clang 14 spills no vector, gcc 12 one); on
// Windows, where the stack is only 16-byte aligned, the assembler makes any
// aligned vector move unaligned (src/otp/CMakeLists.txt).
#define VELMO_AVX512_TARGET __attribute__((target("avx512f,avx512bw,avx512vl")))
#define VELMO_AVX512_INLINE VELMO_AVX512_TARGET inline __attribute__((always_inline))

namespace velmo {

namespace {

constexpr size_t kLanes = 16;
constexpr size_t kFewerOnShaNi = 6;

// One 32-bit word of each lane. Plain vector arithmetic (not intrinsics)
// lets both compilers fold the constant words.
using Words = uint32_t __attribute__((vector_size(64)));

// Both compilers fold this on constants and emit one vprold otherwise.
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

// Hides a value from the optimiser, which then keeps the order of the
// additions around it as written.
VELMO_AVX512_INLINE void Pin(Words& x) { __asm__("" : "+v"(x)); }

// Round t with message word `word`: f(b, c, d) is one vpternlogd, whose
// truth table (operands b, c, d) is choose, parity, majority, parity.
template <size_t T>
VELMO_AVX512_INLINE void Round(Working& v, Words word) {
    constexpr int kTruthTable = T < 20 ? 0xCA : (T >= 40 && T < 60) ? 0xE8 : 0x96;
    constexpr uint32_t kConstant = T < 20 ? 0x5A827999 : T < 40 ? 0x6ED9EBA1 : T < 60 ? 0x8F1BBCDC : 0xCA62C1D6;
    const auto f = reinterpret_cast<Words>(_mm512_ternarylogic_epi32(
        reinterpret_cast<__m512i>(v.b), reinterpret_cast<__m512i>(v.c), reinterpret_cast<__m512i>(v.d), kTruthTable));
    // Terms are added oldest first, so that a round waits for the previous
    // one's a through one rotation and one addition only (clang adds it
    // second otherwise: 5% slower).
    Words sum = v.e + (word + kConstant);
    Pin(sum);
    sum += f;
    Pin(sum);
    const Words next = Rotl<5>(v.a) + sum;
    v.e = v.d;
    v.d = v.c;
    v.c = Rotl<30>(v.b);
    v.b = v.a;
    v.a = next;
}

// Which of a block's 80 schedule words differ between the messages, given
// which of its 16 message words do; the others are constants.
constexpr std::array<bool, 80> Varying(std::array<bool, 16> message) {
    std::array<bool, 80> varying{};
    for (size_t t = 0; t < 80; ++t)
        varying[t] = t < 16 ? message[t] : varying[t - 3] || varying[t - 8] || varying[t - 14] || varying[t - 16];
    return varying;
}

// Inner block: only word 1, the counter's low half, varies. Outer block:
// words 0-4, the inner digest.
constexpr std::array<bool, 80> kInnerVarying = Varying({false, true});
constexpr std::array<bool, 80> kOuterVarying = Varying({true, true, true, true, true});

// The schedule is a ring of 16 words: word t (t >= 16) replaces word t - 16.
// The compiler folds the constant words. A varying word is rotated in an
// asm statement tied to the round that uses it: left to itself, clang splits
// the rotation of a word with constant bits into shifts, and computes the
// whole schedule ahead of the rounds and spills it.
template <const std::array<bool, 80>& VaryingWords, size_t T>
VELMO_AVX512_INLINE void Step(Working& v, Words (&w)[16]) {
    if constexpr (T >= 16) {
        const Words x = w[(T - 3) % 16] ^ w[(T - 8) % 16] ^ w[(T - 14) % 16] ^ w[T % 16];
        if constexpr (VaryingWords[T])
            __asm__ volatile("vprold $1, %[x], %[w]" : [w] "=v"(w[T % 16]), "+v"(v.a) : [x] "v"(x));
        else
            w[T % 16] = Rotl<1>(x);
    }
    Round<T>(v, w[T % 16]);
}

template <const std::array<bool, 80>& VaryingWords, size_t... T>
VELMO_AVX512_INLINE void Rounds(Working& v, Words (&w)[16], std::index_sequence<T...>) {
    (Step<VaryingWords, T>(v, w), ...);
}

// The chaining state after one block `w` from `state`.
template <const std::array<bool, 80>& VaryingWords>
VELMO_AVX512_INLINE Working Compress(const Working& state, Words (&w)[16]) {
    Working v = state;
    Rounds<VaryingWords>(v, w, std::make_index_sequence<80>{});
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

// The codes of the counters in the `used` lanes. Not inlined into the loop
// over batches, so that the key's words are broadcast per batch rather than
// held in 10 of the 32 registers throughout.
VELMO_AVX512_TARGET __attribute__((noinline)) void SixteenCodes(const HmacSha1KeyState& key, const uint32_t* counters,
                                                                int32_t* codes, __mmask16 used) {
    // Inner block: the counter as a 64-bit big-endian value, padding, length.
    Words w[16] = {};
    w[1] = reinterpret_cast<Words>(_mm512_maskz_loadu_epi32(used, counters));
    w[2] = Splat(kSha1PadWord);
    w[15] = Splat(kInnerMessageBits);
    const Working digest = Compress<kInnerVarying>(SplatState(key.inner), w);

    // Outer block: the inner digest, padding, length.
    w[0] = digest.a;
    w[1] = digest.b;
    w[2] = digest.c;
    w[3] = digest.d;
    w[4] = digest.e;
    w[5] = Splat(kSha1PadWord);
    for (int i = 6; i < 15; ++i) w[i] = Words{};
    w[15] = Splat(kOuterMessageBits);
    _mm512_mask_storeu_epi32(codes, used, Truncate(Compress<kOuterVarying>(SplatState(key.outer), w)));
}

}  // namespace

void HotpCodesAvx512(const HmacSha1KeyState& key, const uint32_t* counters, int32_t* codes, size_t count) {
    size_t at = 0;
    for (; at + kLanes <= count; at += kLanes) SixteenCodes(key, counters + at, codes + at, 0xFFFF);
    const size_t rest = count - at;
    if (rest == 0) return;
    // Up to 5 counters cost less on the SHA extensions, 4 interleaved (Zen 4:
    // 180 ns for 5, 226 for 6, and 236 for a pass over 16 lanes).
    if (rest < kFewerOnShaNi && Sha1ShaNiSupported()) {
        HotpCodesShaNi(key, counters + at, codes + at, rest);
        return;
    }
    // The last lanes stay unused: masked loads and stores touch only the
    // counters and codes there are.
    SixteenCodes(key, counters + at, codes + at, static_cast<__mmask16>((1u << rest) - 1));
}

}  // namespace velmo

#endif
