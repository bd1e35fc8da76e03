// Each SHA-1 engine against the portable compression, and the engine choice.
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
using velmo::test::Sha1Hex;

TEST(Sha1EngineChoice, DefaultsToTheFirstOfAvx512ShaNiPortableTheCpuRuns) {
    // Every other test puts the default back when it ends.
    const Sha1Engine best = Sha1Avx512Supported() ? Sha1Engine::Avx512
                            : Sha1ShaNiSupported() ? Sha1Engine::ShaNi
                                                   : Sha1Engine::Portable;
    EXPECT_EQ(Sha1ActiveEngine(), best);
    const ScopedSha1Engine restore(best);
    for (auto [engine, supported] : {std::pair{Sha1Engine::Portable, true}, {Sha1Engine::ShaNi, Sha1ShaNiSupported()},
                                     {Sha1Engine::Avx512, Sha1Avx512Supported()}}) {
        ASSERT_TRUE(Sha1SelectEngine(Sha1Engine::Portable));
        EXPECT_EQ(Sha1SelectEngine(engine), supported) << ::testing::PrintToString(engine);
        EXPECT_EQ(Sha1ActiveEngine(), supported ? engine : Sha1Engine::Portable);
    }
#ifdef __linux__
    // The kernel lists the CPU flags, without those whose registers the OS
    // does not save.
    std::ifstream cpuinfo("/proc/cpuinfo");
    std::string line;
    while (std::getline(cpuinfo, line) && line.rfind("flags", 0) != 0) continue;
    line += ' ';
    auto has = [&line](std::initializer_list<const char*> flags) {
        for (const char* flag : flags)
            if (line.find(std::string(" ") + flag + " ") == std::string::npos) return false;
        return true;
    };
    EXPECT_EQ(Sha1ShaNiSupported(), has({"sha_ni", "ssse3", "sse4_1"}));
    EXPECT_EQ(Sha1Avx512Supported(), has({"avx512f", "avx512bw", "avx512vl"}));
#endif
}

class Sha1WithEngine : public EachSha1Engine {};

// Random states and blocks (some with long runs of 0x00 or 0xFF), and whole
// digests of every length from 0 to 300 bytes, equal the portable code's.
TEST_P(Sha1WithEngine, EqualsPortable) {
    std::mt19937 rng(1937);
    uint8_t blocks[4 * kSha1BlockSize];
    for (int round = 0; round < 5000; ++round) {
        for (auto& b : blocks) b = static_cast<uint8_t>(rng());
        if (round % 7 == 0) std::memset(blocks + rng() % 64, round % 2 ? 0xFF : 0x00, 64 + rng() % 64);
        uint32_t portable[5], engine[5];
        for (int i = 0; i < 5; ++i) portable[i] = engine[i] = static_cast<uint32_t>(rng());
        const size_t count = round % 5;  // 0 leaves the state as it is
        Sha1CompressPortable(portable, blocks, count);
        Sha1Compress(engine, blocks, count);
        ASSERT_EQ(std::vector<uint32_t>(engine, engine + 5), std::vector<uint32_t>(portable, portable + 5)) << round;
    }
    std::vector<uint8_t> data(300);
    for (auto& b : data) b = static_cast<uint8_t>(rng());
    for (size_t length = 0; length <= data.size(); ++length) {
        const std::string engine = Sha1Hex(data.data(), length);
        const ScopedSha1Engine portable(Sha1Engine::Portable);
        ASSERT_EQ(engine, Sha1Hex(data.data(), length)) << length;
    }
}

VELMO_FOR_EACH_SHA1_ENGINE(Sha1WithEngine);
