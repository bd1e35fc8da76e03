#include "otp/sha1.h"

#include <cstring>

namespace velmo {

namespace {

inline uint32_t Rotl(uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

inline uint32_t LoadBigEndian(const uint8_t* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | uint32_t{p[3]};
}

}  // namespace

void Sha1Compress(uint32_t state[5], const uint8_t* blocks, size_t blockCount) {
    for (size_t b = 0; b < blockCount; ++b, blocks += kSha1BlockSize) {
        uint32_t w[80];
        for (int t = 0; t < 16; ++t) w[t] = LoadBigEndian(blocks + 4 * t);
        for (int t = 16; t < 80; ++t) w[t] = Rotl(w[t - 3] ^ w[t - 8] ^ w[t - 14] ^ w[t - 16], 1);

        uint32_t a = state[0], bb = state[1], c = state[2], d = state[3], e = state[4];
        for (int t = 0; t < 80; ++t) {
            uint32_t f, k;
            if (t < 20) {
                f = (bb & c) | (~bb & d);
                k = 0x5A827999;
            } else if (t < 40) {
                f = bb ^ c ^ d;
                k = 0x6ED9EBA1;
            } else if (t < 60) {
                f = (bb & c) | (bb & d) | (c & d);
                k = 0x8F1BBCDC;
            } else {
                f = bb ^ c ^ d;
                k = 0xCA62C1D6;
            }
            const uint32_t temp = Rotl(a, 5) + f + e + k + w[t];
            e = d;
            d = c;
            c = Rotl(bb, 30);
            bb = a;
            a = temp;
        }
        state[0] += a;
        state[1] += bb;
        state[2] += c;
        state[3] += d;
        state[4] += e;
    }
}

void Sha1Start(Sha1Context& ctx) {
    ctx.state[0] = 0x67452301;
    ctx.state[1] = 0xEFCDAB89;
    ctx.state[2] = 0x98BADCFE;
    ctx.state[3] = 0x10325476;
    ctx.state[4] = 0xC3D2E1F0;
    ctx.bitCountLow = ctx.bitCountHigh = 0;
    ctx.pending = 0;
    std::memset(ctx.block, 0, sizeof ctx.block);
}

void Sha1Add(Sha1Context& ctx, const uint8_t* data, uint32_t length) {
    if (!data || length == 0) return;
    const uint32_t bitsLow = length << 3;
    ctx.bitCountLow += bitsLow;
    ctx.bitCountHigh += (length >> 29) + (ctx.bitCountLow < bitsLow ? 1 : 0);

    if (ctx.pending) {
        const uint32_t take = kSha1BlockSize - ctx.pending < length ? kSha1BlockSize - ctx.pending : length;
        std::memcpy(ctx.block + ctx.pending, data, take);
        ctx.pending += take;
        data += take;
        length -= take;
        if (ctx.pending < kSha1BlockSize) return;
        Sha1Compress(ctx.state, ctx.block, 1);
        ctx.pending = 0;
    }
    const size_t whole = length / kSha1BlockSize;
    if (whole) {
        Sha1Compress(ctx.state, data, whole);
        data += whole * kSha1BlockSize;
        length -= static_cast<uint32_t>(whole * kSha1BlockSize);
    }
    if (length) {
        std::memcpy(ctx.block, data, length);
        ctx.pending = length;
    }
}

void Sha1Finish(Sha1Context& ctx, uint8_t digest[kSha1DigestSize]) {
    const uint32_t high = ctx.bitCountHigh, low = ctx.bitCountLow;
    ctx.block[ctx.pending++] = 0x80;
    if (ctx.pending > kSha1BlockSize - 8) {
        std::memset(ctx.block + ctx.pending, 0, kSha1BlockSize - ctx.pending);
        Sha1Compress(ctx.state, ctx.block, 1);
        ctx.pending = 0;
    }
    std::memset(ctx.block + ctx.pending, 0, kSha1BlockSize - 8 - ctx.pending);
    const uint32_t words[2] = {high, low};
    for (int w = 0; w < 2; ++w)
        for (int i = 0; i < 4; ++i) ctx.block[56 + 4 * w + i] = static_cast<uint8_t>(words[w] >> (24 - 8 * i));
    Sha1Compress(ctx.state, ctx.block, 1);
    for (int w = 0; w < 5; ++w)
        for (int i = 0; i < 4; ++i) digest[4 * w + i] = static_cast<uint8_t>(ctx.state[w] >> (24 - 8 * i));
    std::memset(ctx.block, 0, sizeof ctx.block);
    ctx.pending = 0;
}

}  // namespace velmo
