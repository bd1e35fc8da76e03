// The precomputed-key code generator gives ComputeCode's result with each
// SHA-1 engine, one counter at a time or in batches, and the searches over
// its codes keep their order.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "otp/code_generator.h"
#include "otp/code_search.h"
#include "otp/otp_code.h"
#include "support/otp_codes.h"
#include "support/sha1_engines.h"

using namespace velmo;
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

}  // namespace

class CodeGeneratorWithEngine : public test::EachSha1Engine {};

TEST_P(CodeGeneratorWithEngine, EveryCounterAndBatchGivesComputeCodesResult) {
    std::mt19937 rng(20261205);
    for (int round = 0; round < 300; ++round) {
        // Secret lengths from 1 byte to past the 64-byte HMAC block.
        const std::string secret = RandomSecret(rng, 1 + static_cast<int32_t>(rng() % kMaxSecretBytes));
        std::vector<uint32_t> counters = {0u, 0xFFFFFFFFu, 0x7FFFFFFFu};
        while (counters.size() < 40) counters.push_back(static_cast<uint32_t>(rng()));
        const std::vector<int32_t> expected = ReferenceCodes(secret, counters);
        const CodeGenerator generator(secret.c_str());
        ASSERT_TRUE(generator.Usable());
        for (size_t i = 0; i < counters.size(); ++i) ASSERT_EQ(generator.CodeAt(counters[i]), expected[i]) << secret;
        // Batches of every size, each counter in every lane, nothing written past a batch.
        const size_t count = round % 20, start = rng() % (counters.size() - count);
        std::vector<int32_t> codes(count + 1, -7);
        generator.CodesAt(counters.data() + start, codes.data(), count);
        ASSERT_EQ(std::vector<int32_t>(codes.begin(), codes.end() - 1),
                  std::vector<int32_t>(expected.begin() + start, expected.begin() + start + count));
        ASSERT_EQ(codes[count], -7) << "written past a batch of " << count;
    }
}

TEST_P(CodeGeneratorWithEngine, FindCodeGivesTheFirstMatchInListOrder) {
    std::mt19937 rng(1500);
    const std::string secret = RandomSecret(rng, 20);
    std::vector<uint32_t> counters;  // as the wide search visits them; the base is listed twice
    for (uint32_t i = 0; i < 1500; ++i) counters.insert(counters.end(), {56666666u - i, 56666666u + i});
    const std::vector<int32_t> codes = ReferenceCodes(secret, counters);
    const CodeGenerator generator(secret.c_str());
    for (size_t target : {size_t{0}, size_t{1}, size_t{3}, size_t{4}, size_t{15}, size_t{16}, size_t{17}, size_t{1234},
                          counters.size() - 1}) {
        const size_t first = std::find(codes.begin(), codes.end(), codes[target]) - codes.begin();
        EXPECT_EQ(generator.FindCode(counters.data(), counters.size(), codes[target]), first) << target;
        EXPECT_EQ(generator.FindCode(counters.data(), target, codes[target]),
                  std::find(codes.begin(), codes.begin() + target, codes[target]) - codes.begin());
    }
}

VELMO_FOR_EACH_SHA1_ENGINE(CodeGeneratorWithEngine);

TEST(CodeGenerator, UnusableSecretsGiveMinusOneAndMatchNothing) {
    for (const std::string& secret : {std::string(), std::string("===="), std::string("   "), std::string("ABC9"), std::string(161, 'A')}) {
        const CodeGenerator generator(secret.c_str());
        EXPECT_FALSE(generator.Usable());
        const uint32_t counters[5] = {1, 2, 3, 4, 5};
        int32_t codes[5] = {};
        generator.CodesAt(counters, codes, 5);
        EXPECT_EQ(std::vector<int32_t>(codes, codes + 5), std::vector<int32_t>(5, -1));
        EXPECT_EQ(generator.FindCode(counters, 5, -1), 5u);
        EXPECT_FALSE(SearchWindow(generator, 100, 6, 0xFFFFFFFFu).has_value());
        EXPECT_FALSE(SearchSkew(generator, 100, 0xFFFFFFFFu).has_value());
    }
    EXPECT_FALSE(CodeGenerator(nullptr).Usable());
}

TEST(CodeSearch, TheWindowWrapsAroundZeroAndNoCodeReachesAMillion) {
    const CodeGenerator codes("GEZDGNBVGY3TQOJQGEZDGNBVGY3TQOJQ");
    EXPECT_EQ(SearchWindow(codes, 1, 6, static_cast<uint32_t>(codes.CodeAt(0xFFFFFFFCu))),
              std::optional<uint32_t>(0xFFFFFFFCu));
    EXPECT_FALSE(SearchWindow(codes, 1000, 6, 1000000).has_value());
    EXPECT_FALSE(SearchSkew(codes, 1000, 1000000).has_value());
}
