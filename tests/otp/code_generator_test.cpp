// The precomputed-key code generator gives ComputeCode's result everywhere.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "otp/base32.h"
#include "otp/code_generator.h"
#include "otp/otp_code.h"

using namespace velmo;

TEST(CodeGenerator, MatchesComputeCodeForRandomSecretsAndCounters) {
    std::mt19937 rng(20261205);
    for (int round = 0; round < 300; ++round) {
        // Secret lengths from 1 byte to past the 64-byte HMAC block.
        uint8_t bytes[100];
        const int32_t length = 1 + static_cast<int32_t>(rng() % 100);
        for (int32_t i = 0; i < length; ++i) bytes[i] = static_cast<uint8_t>(rng());
        char secret[200];
        Base32Encode(bytes, length, secret, sizeof secret);
        const CodeGenerator generator(secret);
        ASSERT_TRUE(generator.Usable());
        for (int k = 0; k < 20; ++k) {
            const uint32_t counter = k < 3 ? (k == 0 ? 0u : k == 1 ? 0xFFFFFFFFu : 0x7FFFFFFFu) : rng();
            ASSERT_EQ(generator.CodeAt(counter), ComputeCode(secret, counter)) << secret << " @" << counter;
        }
    }
}

TEST(CodeGenerator, UnusableSecretsGiveMinusOne) {
    for (const char* secret : {"", "====", "   ", "ABC9"}) {
        const CodeGenerator generator(secret);
        EXPECT_FALSE(generator.Usable());
        EXPECT_EQ(generator.CodeAt(1), -1);
    }
    EXPECT_FALSE(CodeGenerator(nullptr).Usable());
    EXPECT_FALSE(CodeGenerator(std::string(161, 'A').c_str()).Usable());
}
