#include "otp/sha1.h"

#include <cstring>

namespace velmo {

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
