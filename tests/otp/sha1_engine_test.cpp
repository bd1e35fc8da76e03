// The SHA-NI compression against the portable one, and the engine choice.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "otp/sha1.h"
#include "otp/sha1_engine.h"
#include "support/bytes.h"
#include "support/sha1_engines.h"

using namespace velmo;
using velmo::test::EachSha1Engine;
using velmo::test::ScopedSha1Engine;

namespace {

std::string Sha1Hex(const std::vector<uint8_t>& data) {
    Sha1Context ctx;
    Sha1Start(ctx);
    Sha1Add(ctx, data.data(), static_cast<uint32_t>(data.size()));
    uint8_t digest[kSha1DigestSize];
    Sha1Finish(ctx, digest);
    return test::ToHex(digest, sizeof digest);
}

bool EngineSupported(Sha1Engine engine) {
    return engine == Sha1Engine::Avx512 ? Sha1Avx512Supported()
           : engine == Sha1Engine::ShaNi ? Sha1ShaNiSupported()
                                         : true;
}

}  // namespace

TEST(Sha1EngineChoice, DefaultsToTheFirstOfAvx512ShaNiPortableTheCpuRuns) {
    // Every other test puts the default back when it ends.
    const Sha1Engine best = Sha1Avx512Supported() ? Sha1Engine::Avx512
                            : Sha1ShaNiSupported() ? Sha1Engine::ShaNi
                                                   : Sha1Engine::Portable;
    EXPECT_EQ(Sha1ActiveEngine(), best);
    const ScopedSha1Engine restore(best);
    for (Sha1Engine engine : test::kSha1Engines) {
        ASSERT_TRUE(Sha1SelectEngine(Sha1Engine::Portable));
        EXPECT_EQ(Sha1SelectEngine(engine), EngineSupported(engine)) << ::testing::PrintToString(engine);
        EXPECT_EQ(Sha1ActiveEngine(), EngineSupported(engine) ? engine : Sha1Engine::Portable);
    }
}

#ifdef __linux__
TEST(Sha1EngineChoice, CpuCheckAgreesWithTheKernel) {
    // The kernel lists the CPU flags, without those whose registers the OS
    // does not save.
    std::ifstream cpuinfo("/proc/cpuinfo");
    std::string line;
    while (std::getline(cpuinfo, line) && line.rfind("flags", 0) != 0) {
    }
    line += ' ';
    auto has = [&line](std::initializer_list<const char*> flags) {
        for (const char* flag : flags)
            if (line.find(std::string(" ") + flag + " ") == std::string::npos) return false;
        return true;
    };
    EXPECT_EQ(Sha1ShaNiSupported(), has({"sha_ni", "ssse3", "sse4_1"}));
    EXPECT_EQ(Sha1Avx512Supported(), has({"avx512f", "avx512bw", "avx512vl"}));
}
#endif

#if VELMO_SHA1_SHANI
TEST(Sha1CompressShaNi, EqualsPortableOnRandomBlocksAndStates) {
    if (!Sha1ShaNiSupported()) GTEST_SKIP() << "this CPU has no SHA extensions";
    std::mt19937 rng(1937);
    uint8_t blocks[4 * kSha1BlockSize];
    for (int round = 0; round < 20000; ++round) {
        for (auto& b : blocks) b = static_cast<uint8_t>(rng());
        // Mostly random bytes, some with long runs of 0x00 or 0xFF.
        if (round % 7 == 0) std::memset(blocks + rng() % 64, round % 2 ? 0xFF : 0x00, 64 + rng() % 64);
        uint32_t portable[5], shaNi[5];
        for (int i = 0; i < 5; ++i) portable[i] = shaNi[i] = static_cast<uint32_t>(rng());
        const size_t count = round % 5;  // 0 leaves the state as it is
        Sha1CompressPortable(portable, blocks, count);
        Sha1CompressShaNi(shaNi, blocks, count);
        ASSERT_EQ(std::vector<uint32_t>(shaNi, shaNi + 5), std::vector<uint32_t>(portable, portable + 5))
            << "round " << round << ", " << count << " blocks";
    }
}
#endif

class Sha1WithEngine : public EachSha1Engine {};

TEST_P(Sha1WithEngine, Fips180Vectors) {
    EXPECT_EQ(Sha1Hex(test::Bytes("abc")), "a9993e364706816aba3e25717850c26c9cd0d89d");
    EXPECT_EQ(Sha1Hex(test::Bytes("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq")),
              "84983e441c3bd26ebaae4aa1f95129e5e54670f1");
    EXPECT_EQ(Sha1Hex(std::vector<uint8_t>(1000000, 'a')), "34aa973cd4c4daa4f61eeb2bdbad27316534016f");
}

VELMO_FOR_EACH_SHA1_ENGINE(Sha1WithEngine);

TEST(Sha1ShaNiEngine, DigestsEqualPortableForEveryLength) {
    if (!Sha1ShaNiSupported()) GTEST_SKIP() << "this CPU has no SHA extensions";
    // Through Sha1Add/Sha1Finish, over the lengths where the padding spills
    // into a second block and where several blocks go in one call.
    std::mt19937 rng(4226);
    std::vector<uint8_t> data(300);
    for (auto& b : data) b = static_cast<uint8_t>(rng());
    for (size_t length = 0; length <= data.size(); ++length) {
        const std::vector<uint8_t> message(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(length));
        std::string portable, shaNi;
        {
            const ScopedSha1Engine engine(Sha1Engine::Portable);
            portable = Sha1Hex(message);
        }
        {
            const ScopedSha1Engine engine(Sha1Engine::ShaNi);
            shaNi = Sha1Hex(message);
        }
        ASSERT_EQ(shaNi, portable) << "length " << length;
    }
}
