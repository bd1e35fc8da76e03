// The precomputed-key code generator gives ComputeCode's result everywhere,
// with each SHA-1 engine, one counter at a time or in batches.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "otp/base32.h"
#include "otp/code_generator.h"
#include "otp/otp_code.h"
#include "support/otp_codes.h"
#include "support/sha1_engines.h"

using namespace velmo;
using velmo::test::EachSha1Engine;
using velmo::test::RandomSecret;
using velmo::test::ScopedSha1Engine;

namespace {

// ComputeCode with the portable compression: the reference for every engine.
std::vector<int32_t> ReferenceCodes(const std::string& secret, const std::vector<uint32_t>& counters) {
    const ScopedSha1Engine portable(Sha1Engine::Portable);
    std::vector<int32_t> codes;
    for (uint32_t counter : counters) codes.push_back(ComputeCode(secret.c_str(), counter));
    return codes;
}

// Counters as the wide skew search visits them: base - i, base + i.
std::vector<uint32_t> WideSearch(uint32_t base, uint32_t reach) {
    std::vector<uint32_t> counters;
    for (uint32_t i = 0; i < reach; ++i) {
        counters.push_back(base - i);
        counters.push_back(base + i);
    }
    return counters;
}

}  // namespace

class CodeGeneratorWithEngine : public EachSha1Engine {};

TEST_P(CodeGeneratorWithEngine, MatchesComputeCodeForRandomSecretsAndCounters) {
    std::mt19937 rng(20261205);
    for (int round = 0; round < 300; ++round) {
        // Secret lengths from 1 byte to past the 64-byte HMAC block.
        const std::string secret = RandomSecret(rng, 1 + static_cast<int32_t>(rng() % kMaxSecretBytes));
        std::vector<uint32_t> counters = {0u, 0xFFFFFFFFu, 0x7FFFFFFFu};
        while (counters.size() < 21) counters.push_back(static_cast<uint32_t>(rng()));
        const std::vector<int32_t> expected = ReferenceCodes(secret, counters);

        const CodeGenerator generator(secret.c_str());
        ASSERT_TRUE(generator.Usable());
        std::vector<int32_t> batch(counters.size());
        generator.CodesAt(counters.data(), batch.data(), counters.size());
        ASSERT_EQ(batch, expected) << secret;
        for (size_t i = 0; i < counters.size(); ++i)
            ASSERT_EQ(generator.CodeAt(counters[i]), expected[i]) << secret << " @" << counters[i];
    }
}

TEST_P(CodeGeneratorWithEngine, BatchesOfEverySizeWriteExactlyTheirCodes) {
    // Several counters run side by side: every batch size, each counter in
    // every position, and nothing written past the batch.
    std::mt19937 rng(6238);
    const std::string secret = RandomSecret(rng, 20);
    std::vector<uint32_t> counters(40);
    for (auto& c : counters) c = static_cast<uint32_t>(rng());
    const std::vector<int32_t> expected = ReferenceCodes(secret, counters);
    const CodeGenerator generator(secret.c_str());
    for (size_t count = 0; count <= 33; ++count) {
        for (size_t start = 0; start + count <= counters.size(); start += 3) {
            std::vector<int32_t> codes(count + 1, -7);
            generator.CodesAt(counters.data() + start, codes.data(), count);
            for (size_t i = 0; i < count; ++i) ASSERT_EQ(codes[i], expected[start + i]) << count << "/" << start;
            ASSERT_EQ(codes[count], -7) << "written past a batch of " << count;
        }
    }
}

TEST_P(CodeGeneratorWithEngine, Rfc4226AppendixDAndTheEndsOfTheCodeRange) {
    // Appendix D, then codes 000000 and 999999 (truncated values 1,970,000,000
    // and 2,002,999,999, where a division by a million is easily one off).
    const CodeGenerator generator("GEZDGNBVGY3TQOJQGEZDGNBVGY3TQOJQ");
    const uint32_t counters[12] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 1290532, 12559099};
    int32_t codes[12];
    generator.CodesAt(counters, codes, 12);
    const int32_t expected[12] = {755224, 287082, 359152, 969429, 338314, 254676,
                                  287922, 162583, 399871, 520489, 0, 999999};
    for (int i = 0; i < 12; ++i) EXPECT_EQ(codes[i], expected[i]) << "counter " << counters[i];
}

TEST_P(CodeGeneratorWithEngine, FindCodeGivesTheFirstMatchInListOrder) {
    std::mt19937 rng(1500);
    const std::string secret = RandomSecret(rng, 20);
    const std::vector<uint32_t> counters = WideSearch(56666666u, 1500);
    const std::vector<int32_t> codes = ReferenceCodes(secret, counters);
    const CodeGenerator generator(secret.c_str());

    // Targets at the ends and around the boundaries of the computed chunks;
    // a code may also occur earlier in the list (counter 56666666 is listed
    // twice), so the answer is its first position.
    for (size_t target : {size_t{0}, size_t{1}, size_t{3}, size_t{4}, size_t{15}, size_t{16}, size_t{17}, size_t{1234},
                          counters.size() - 1}) {
        size_t first = 0;
        while (codes[first] != codes[target]) ++first;
        EXPECT_EQ(generator.FindCode(counters.data(), counters.size(), codes[target]), first) << "target " << target;
    }
    int32_t absent = 0;
    while (std::find(codes.begin(), codes.end(), absent) != codes.end()) ++absent;
    EXPECT_EQ(generator.FindCode(counters.data(), counters.size(), absent), counters.size());
    // A shorter list stops before a match beyond its end.
    EXPECT_EQ(generator.FindCode(counters.data(), 1234, codes[1234]), std::find(codes.begin(), codes.begin() + 1234, codes[1234]) - codes.begin());
    EXPECT_EQ(generator.FindCode(counters.data(), 0, codes[0]), 0u);
}

VELMO_FOR_EACH_SHA1_ENGINE(CodeGeneratorWithEngine);

TEST(CodeGenerator, UnusableSecretsGiveMinusOneAndMatchNothing) {
    for (const char* secret : {"", "====", "   ", "ABC9"}) {
        const CodeGenerator generator(secret);
        EXPECT_FALSE(generator.Usable());
        EXPECT_EQ(generator.CodeAt(1), -1);
        const uint32_t counters[5] = {1, 2, 3, 4, 5};
        int32_t codes[5] = {};
        generator.CodesAt(counters, codes, 5);
        for (int32_t code : codes) EXPECT_EQ(code, -1);
        EXPECT_EQ(generator.FindCode(counters, 5, -1), 5u);
    }
    EXPECT_FALSE(CodeGenerator(nullptr).Usable());
    EXPECT_FALSE(CodeGenerator(std::string(161, 'A').c_str()).Usable());
}
