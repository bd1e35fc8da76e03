// SHA-1 block compression with the SHA extensions, one block after another.
#include "otp/sha1_engine.h"

#if VELMO_SHA1_SHANI

#include "otp/sha1.h"
#include "otp/sha1_shani_rounds.h"

namespace velmo {

VELMO_SHANI_TARGET void Sha1CompressShaNi(uint32_t state[5], const uint8_t* blocks, size_t blockCount) {
    shani::Lane lane[1];
    lane[0].abcd = shani::LoadState(state);
    lane[0].e = shani::LoadE(state[4]);
    for (size_t b = 0; b < blockCount; ++b, blocks += kSha1BlockSize) {
        for (int i = 0; i < 4; ++i)
            lane[0].w[i] = shani::ReverseBytes(_mm_loadu_si128(reinterpret_cast<const __m128i*>(blocks + 16 * i)));
        shani::Compress(lane);
    }
    shani::StoreState(lane[0].abcd, lane[0].e, state);
}

}  // namespace velmo

#endif
