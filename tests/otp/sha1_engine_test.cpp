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

namespace {

std::string Sha1Hex(const uint8_t* data, size_t size) {
    Sha1Context ctx;
    Sha1Start(ctx);
    Sha1Add(ctx, data, static_cast<uint32_t>(size));
    uint8_t digest[kSha1DigestSize];
    Sha1Finish(ctx, digest);
    return test::ToHex(digest, sizeof digest);
}

}  // namespace

TEST(Sha1EngineChoice, DefaultsToShaNiExactlyWhenTheCpuHasIt) {
    const ScopedSha1Engine restore(Sha1ActiveEngine());
    EXPECT_TRUE(Sha1SelectEngine(Sha1Engine::Portable));
    EXPECT_EQ(Sha1ActiveEngine(), Sha1Engine::Portable);
    EXPECT_EQ(Sha1SelectEngine(Sha1Engine::ShaNi), Sha1ShaNiSupported());
#ifdef __linux__
    // The kernel lists "sha_ni" (with ssse3 and sse4_1) among the CPU flags.
    std::ifstream cpuinfo("/proc/cpuinfo");
    std::string line;
    while (std::getline(cpuinfo, line) && line.rfind("flags", 0) != 0) {
    }
    line += ' ';
    const bool kernelSaysSha = line.find(" sha_ni ") != std::string::npos &&
                               line.find(" ssse3 ") != std::string::npos && line.find(" sse4_1 ") != std::string::npos;
    EXPECT_EQ(Sha1ShaNiSupported(), kernelSaysSha);
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
