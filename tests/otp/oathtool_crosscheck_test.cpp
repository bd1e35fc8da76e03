// Our codes against oathtool (OATH Toolkit), an independent implementation of
// RFC 4226, for random secrets and counters. Runs the Linux program, so it is
// built natively only; scripts/deps.sh installs it.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "otp/base32.h"
#include "otp/code_generator.h"
#include "otp/otp_code.h"
#include "support/otp_codes.h"
#include "support/sha1_engines.h"

using namespace velmo;
using velmo::test::RandomSecret;
using velmo::test::ScopedSha1Engine;
using velmo::test::SixDigits;

namespace {

constexpr char kOathtool[] = "/usr/bin/oathtool";
// oathtool -w N prints the codes of N + 1 consecutive counters: one process
// start covers many counters.
constexpr uint32_t kCodesPerCall = 40;
constexpr size_t kLineSize = 64;

// The output lines of `command`; false when it cannot run or exits non-zero.
bool RunCommand(const std::string& command, std::vector<std::string>& lines) {
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return false;
    char line[kLineSize];
    while (std::fgets(line, sizeof line, pipe)) {
        std::string text(line);
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
        lines.push_back(text);
    }
    return pclose(pipe) == 0;
}

}  // namespace

TEST(OathtoolCrossCheck, CodesMatchForRandomSecretsAndCounters) {
    std::vector<std::string> version;
    ASSERT_TRUE(RunCommand(std::string(kOathtool) + " --version 2>&1", version))
        << kOathtool << " does not run: install the oathtool package (scripts/deps.sh)";

    std::mt19937 rng(4226);
    // Secret lengths around the 20-byte norm and the 64-byte HMAC block.
    const int32_t lengths[] = {1, 5, 10, 16, 20, 32, 63, 64, 65, 100};
    for (size_t call = 0; call < std::size(lengths); ++call) {
        const std::string secret = RandomSecret(rng, lengths[call]);
        // The first run starts at 0, the second ends at the top of our 32-bit
        // counter (oathtool's is 64 bits wide: it must not go past it).
        const uint32_t first = call == 0   ? 0u
                               : call == 1 ? 0xFFFFFFFFu - (kCodesPerCall - 1)
                                           : static_cast<uint32_t>(rng()) % (0xFFFFFFFFu - kCodesPerCall);
        std::vector<std::string> expected;
        ASSERT_TRUE(RunCommand(std::string(kOathtool) + " --hotp --base32 " + secret + " -c " + std::to_string(first) +
                                   " -w " + std::to_string(kCodesPerCall - 1) + " 2>&1",
                               expected))
            << secret;
        ASSERT_EQ(expected.size(), kCodesPerCall) << secret;

        std::vector<uint32_t> counters;
        for (uint32_t i = 0; i < kCodesPerCall; ++i) counters.push_back(first + i);
        for (Sha1Engine engine : test::kSha1Engines) {
            const ScopedSha1Engine selected(engine);
            if (!selected.Selected()) continue;  // not on this CPU
            const CodeGenerator generator(secret.c_str());
            std::vector<int32_t> codes(counters.size());
            generator.CodesAt(counters.data(), codes.data(), counters.size());
            for (size_t i = 0; i < counters.size(); ++i) {
                ASSERT_EQ(SixDigits(codes[i]), expected[i])
                    << "CodeGenerator, " << ::testing::PrintToString(engine) << ", " << secret << " @" << counters[i];
                ASSERT_EQ(SixDigits(ComputeCode(secret.c_str(), counters[i])), expected[i])
                    << "ComputeCode, " << ::testing::PrintToString(engine) << ", " << secret << " @" << counters[i];
            }
        }
    }
}
