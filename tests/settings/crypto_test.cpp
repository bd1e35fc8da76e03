// AES-256, CBC, the PKCS#5 padding of CPassword, protected texts and hex.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "settings/aes256.h"
#include "settings/hex.h"
#include "settings/password.h"
#include "settings/protected_value.h"
#include "support/bytes.h"
#include "support/trace_capture.h"

using namespace velmo;
using velmo::test::FromHex;
using velmo::test::ToHex;

TEST(Aes256, Fips197AppendixC3) {
    const auto key = FromHex("000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f");
    const auto plain = FromHex("00112233445566778899aabbccddeeff");
    Aes256 aes(key.data());
    uint8_t cipher[16], back[16];
    aes.EncryptBlock(plain.data(), cipher);
    EXPECT_EQ(ToHex(cipher, 16), "8ea2b7ca516745bfeafc49904b496089");
    aes.DecryptBlock(cipher, back);
    EXPECT_EQ(ToHex(back, 16), "00112233445566778899aabbccddeeff");
}

TEST(Aes256, Sp800_38aCbcVectors) {
    const auto key = FromHex("603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4");
    const auto iv = FromHex("000102030405060708090a0b0c0d0e0f");
    const std::string plain =
        "6bc1bee22e409f96e93d7e117393172aae2d8a571e03ac9c9eb76fac45af8e51"
        "30c81c46a35ce411e5fbc1191a0a52eff69f2445df4f9b17ad2b417be66c3710";
    const std::string cipher =
        "f58c4c04d6e5f1ba779eabfb5f7bfbd69cfc4e967edb808d679f777bc6702c7d"
        "39f23369a9d9bacfa530e26304231461b2eb05e2c39be9fcda6c19078c6a9d1b";
    Aes256 aes(key.data());
    auto data = FromHex(plain);
    uint8_t chain[16];
    std::memcpy(chain, iv.data(), 16);
    aes.EncryptCbc(data.data(), data.size(), chain);
    EXPECT_EQ(ToHex(data), cipher);
    std::memcpy(chain, iv.data(), 16);
    aes.DecryptCbc(data.data(), data.size(), chain);
    EXPECT_EQ(ToHex(data), plain);
}

TEST(CPassword, PadsToTheNextWholeBlockAndStripsIt) {
    const auto key = FromHex("603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4");
    const uint8_t vector[16] = {};
    CPassword password;
    for (uint32_t length : {0u, 1u, 15u, 16u, 17u, 40u}) {
        uint8_t buffer[80] = {};
        for (uint32_t i = 0; i < length; ++i) buffer[i] = static_cast<uint8_t>(i + 1);
        uint32_t n = length;
        ASSERT_TRUE(password.EncryptBuffer(buffer, &n, sizeof buffer, key.data(), vector));
        EXPECT_EQ(n, (length / 16 + 1) * 16) << length;  // 16 bytes give 32
        ASSERT_TRUE(password.DecryptBuffer(buffer, &n, key.data(), vector));
        EXPECT_EQ(n, length);
        for (uint32_t i = 0; i < length; ++i) EXPECT_EQ(buffer[i], i + 1);
    }
}

TEST(CPassword, RefusesBadInputWithItsTraceLines) {
    test::TraceCapture trace;
    const auto key = FromHex("603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4");
    const uint8_t vector[16] = {};
    CPassword password;
    uint8_t buffer[32] = {};
    uint32_t n = 16;
    EXPECT_FALSE(password.EncryptBuffer(buffer, nullptr, 32, key.data(), vector));
    EXPECT_FALSE(password.EncryptBuffer(buffer, &n, 31, key.data(), vector));
    EXPECT_EQ(n, 0u);
    EXPECT_TRUE(trace.Contains("CPassword::EncryptBuffer, null input"));
    EXPECT_TRUE(trace.Contains("CPassword::EncryptBuffer, not enought buffer len"));

    trace.Clear();
    n = 15;
    EXPECT_FALSE(password.DecryptBuffer(buffer, &n, key.data(), vector));
    n = 0;
    EXPECT_FALSE(password.DecryptBuffer(buffer, &n, key.data(), vector));
    EXPECT_FALSE(password.DecryptBuffer(buffer, &n, nullptr, vector));
    EXPECT_EQ(trace.StartingWith("CPassword::DecryptBuffer, null input").size(), 3u);

    // A last byte of 0 or of 17 and more is wrong padding.
    for (uint8_t last : {uint8_t{0}, uint8_t{17}, uint8_t{200}}) {
        uint8_t block[16] = {};
        block[15] = last;
        Aes256 aes(key.data());
        aes.EncryptBlock(block, block);  // CBC with a zero vector = ECB for one block
        n = 16;
        trace.Clear();
        EXPECT_FALSE(password.DecryptBuffer(block, &n, key.data(), vector));
        EXPECT_EQ(n, 16u);
        EXPECT_TRUE(trace.Contains("CPassword::DecryptBuffer, wrong PKCS5 (wrong password)."));
    }
}

TEST(ProtectedText, RoundTripSizesAndSalt) {
    const uint8_t saltA[kProtectedSaltSize] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    const uint8_t saltB[kProtectedSaltSize] = {9, 8, 7, 6, 5, 4, 3, 2, 1};
    // 1-5 characters give 32 digits, 6-21 give 64.
    EXPECT_EQ(EncryptProtectedText("a", saltA).size(), 32u);
    EXPECT_EQ(EncryptProtectedText("abcde", saltA).size(), 32u);
    EXPECT_EQ(EncryptProtectedText("secret", saltA).size(), 64u);
    EXPECT_EQ(EncryptProtectedText(std::string(21, 'x'), saltA).size(), 64u);
    EXPECT_EQ(EncryptProtectedText(std::string(22, 'x'), saltA).size(), 96u);

    const std::string a = EncryptProtectedText("secret", saltA);
    const std::string b = EncryptProtectedText("secret", saltB);
    EXPECT_NE(a, b);
    EXPECT_EQ(a.find_first_not_of("0123456789ABCDEF"), std::string::npos);
    EXPECT_EQ(DecryptProtectedText(a).value_or("?"), "secret");
    EXPECT_EQ(DecryptProtectedText(b).value_or("?"), "secret");

    const std::string longest(kMaxProtectedPlaintext, 'p');
    const std::string stored = EncryptProtectedText(longest, saltA);
    EXPECT_LE(stored.size() + 1, 2024u);
    EXPECT_EQ(DecryptProtectedText(stored).value_or("?"), longest);
    EXPECT_TRUE(EncryptProtectedText(longest + "p", saltA).empty());
}

TEST(ProtectedText, DamagedOrPlainValuesDoNotDecrypt) {
    test::TraceCapture trace;
    EXPECT_FALSE(DecryptProtectedText("abc").has_value());
    EXPECT_FALSE(DecryptProtectedText("").has_value());
    const uint8_t salt[kProtectedSaltSize] = {};
    std::string stored = EncryptProtectedText("secret", salt);
    stored[stored.size() - 1] = stored.back() == '0' ? '1' : '0';
    EXPECT_FALSE(DecryptProtectedText(stored).has_value());
    EXPECT_TRUE(trace.Contains("CPassword::DecryptBuffer, wrong PKCS5 (wrong password)."));
}

TEST(Hex, DecodeAndEncode) {
    uint8_t out[8] = {};
    EXPECT_EQ(HexDecode("0aFf1", out, sizeof out), 2u);
    EXPECT_EQ(out[0], 0x0A);
    EXPECT_EQ(out[1], 0xFF);
    EXPECT_EQ(HexDecode("zz", out, sizeof out), 1u);
    EXPECT_EQ(out[0], 0x00);
    EXPECT_EQ(HexDecode("0102030405", out, 2), 2u);  // bounded by the output
    EXPECT_EQ(HexDecode(nullptr, out, 2), 0u);

    const uint8_t bytes[] = {0x00, 0xAB};
    EXPECT_STREQ(HexEncode(bytes, 2), "00AB");
    EXPECT_STREQ(HexEncode(bytes, 0), "");
    EXPECT_STREQ(HexEncode(bytes, -3), "");

    std::vector<uint8_t> many(1300, 0x5A);
    EXPECT_EQ(std::strlen(HexEncode(many.data(), 1249)), 2498u);
    const std::string cut = HexEncode(many.data(), 1250);
    EXPECT_EQ(cut.size(), 2498u);
    EXPECT_EQ(cut.substr(cut.size() - 4), "5A..");
}
