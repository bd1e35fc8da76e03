// SHA-1 block compression in portable C++: the fallback where the CPU has no
// SHA extensions, and the reference the fast engine is tested against.
#include "otp/sha1.h"
#include "otp/sha1_engine.h"

namespace velmo {

namespace {

inline uint32_t Rotl(uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

inline uint32_t LoadBigEndian(const uint8_t* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | uint32_t{p[3]};
}

struct Working {
    uint32_t a, b, c, d, e;
};

// Round function f(b, c, d) and constant of rounds 0-19, 20-39, 40-59, 60-79.
struct Choose {
    static constexpr uint32_t kConstant = 0x5A827999;
    static uint32_t F(uint32_t b, uint32_t c, uint32_t d) { return d ^ (b & (c ^ d)); }
};
struct Parity1 {
    static constexpr uint32_t kConstant = 0x6ED9EBA1;
    static uint32_t F(uint32_t b, uint32_t c, uint32_t d) { return b ^ c ^ d; }
};
struct Majority {
    static constexpr uint32_t kConstant = 0x8F1BBCDC;
    static uint32_t F(uint32_t b, uint32_t c, uint32_t d) { return (b & c) | (d & (b | c)); }
};
struct Parity2 {
    static constexpr uint32_t kConstant = 0xCA62C1D6;
    static uint32_t F(uint32_t b, uint32_t c, uint32_t d) { return b ^ c ^ d; }
};

// Twenty rounds from round `first`. The schedule is a ring of 16 words:
// word t (t >= 16) replaces word t - 16.
template <typename Round>
inline void TwentyRounds(Working& v, uint32_t w[16], int first) {
#pragma GCC unroll 20
    for (int t = first; t < first + 20; ++t) {
        uint32_t word = w[t & 15];
        if (t >= 16) {
            word = Rotl(w[(t - 3) & 15] ^ w[(t - 8) & 15] ^ w[(t - 14) & 15] ^ word, 1);
            w[t & 15] = word;
        }
        const uint32_t next = Rotl(v.a, 5) + Round::F(v.b, v.c, v.d) + v.e + Round::kConstant + word;
        v.e = v.d;
        v.d = v.c;
        v.c = Rotl(v.b, 30);
        v.b = v.a;
        v.a = next;
    }
}

}  // namespace

void Sha1CompressPortable(uint32_t state[5], const uint8_t* blocks, size_t blockCount) {
    for (size_t b = 0; b < blockCount; ++b, blocks += kSha1BlockSize) {
        uint32_t w[16];
        for (int t = 0; t < 16; ++t) w[t] = LoadBigEndian(blocks + 4 * t);
        Working v{state[0], state[1], state[2], state[3], state[4]};
        TwentyRounds<Choose>(v, w, 0);
        TwentyRounds<Parity1>(v, w, 20);
        TwentyRounds<Majority>(v, w, 40);
        TwentyRounds<Parity2>(v, w, 60);
        state[0] += v.a;
        state[1] += v.b;
        state[2] += v.c;
        state[3] += v.d;
        state[4] += v.e;
    }
}

}  // namespace velmo
