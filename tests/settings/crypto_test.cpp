// AES-256, CBC, the PKCS#5 padding of CPassword, protected texts, hex and Base64.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "settings/aes256.h"
#include "settings/base64.h"
#include "settings/hex.h"
#include "settings/password.h"
#include "settings/protected_value.h"
#include "settings/value_forms.h"
#include "support/bytes.h"

using namespace velmo;
using velmo::test::FromHex;
using velmo::test::ToHex;

namespace {

const auto kKey = FromHex("603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4");
const uint8_t kZeroVector[16] = {};

}  // namespace

TEST(Aes256, Fips197AndSp800_38aVectors) {
    const auto key = FromHex("000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f");
    uint8_t block[16];
    Aes256 fips(key.data());
    fips.EncryptBlock(FromHex("00112233445566778899aabbccddeeff").data(), block);
    EXPECT_EQ(ToHex(block, 16), "8ea2b7ca516745bfeafc49904b496089");
    fips.DecryptBlock(block, block);
    EXPECT_EQ(ToHex(block, 16), "00112233445566778899aabbccddeeff");

    const std::string plain =
        "6bc1bee22e409f96e93d7e117393172aae2d8a571e03ac9c9eb76fac45af8e51"
        "30c81c46a35ce411e5fbc1191a0a52eff69f2445df4f9b17ad2b417be66c3710";
    auto data = FromHex(plain);
    uint8_t chain[16];
    Aes256 aes(kKey.data());
    std::memcpy(chain, FromHex("000102030405060708090a0b0c0d0e0f").data(), 16);
    aes.EncryptCbc(data.data(), data.size(), chain);
    EXPECT_EQ(ToHex(data),
              "f58c4c04d6e5f1ba779eabfb5f7bfbd69cfc4e967edb808d679f777bc6702c7d"
              "39f23369a9d9bacfa530e26304231461b2eb05e2c39be9fcda6c19078c6a9d1b");
    std::memcpy(chain, FromHex("000102030405060708090a0b0c0d0e0f").data(), 16);
    aes.DecryptCbc(data.data(), data.size(), chain);
    EXPECT_EQ(ToHex(data), plain);
}

TEST(CPassword, PadsToTheNextWholeBlockAndStripsIt) {
    for (uint32_t length : {0u, 1u, 15u, 16u, 17u, 40u}) {
        uint8_t buffer[80] = {};
        for (uint32_t i = 0; i < length; ++i) buffer[i] = static_cast<uint8_t>(i + 1);
        uint32_t n = length;
        ASSERT_TRUE(CPassword().EncryptBuffer(buffer, &n, sizeof buffer, kKey.data(), kZeroVector));
        EXPECT_EQ(n, (length / 16 + 1) * 16) << length;  // 16 bytes give 32
        ASSERT_TRUE(CPassword().DecryptBuffer(buffer, &n, kKey.data(), kZeroVector));
        EXPECT_EQ(n, length);
        for (uint32_t i = 0; i < length; ++i) ASSERT_EQ(buffer[i], i + 1);
    }
}

TEST(CPassword, RefusesBadInputAndBadPadding) {
    uint8_t buffer[32] = {};
    uint32_t n = 16;
    EXPECT_FALSE(CPassword().EncryptBuffer(buffer, nullptr, 32, kKey.data(), kZeroVector));
    EXPECT_FALSE(CPassword().EncryptBuffer(buffer, &n, 31, kKey.data(), kZeroVector));  // needs 32
    EXPECT_EQ(n, 0u);
    for (uint32_t length : {15u, 0u}) EXPECT_FALSE(CPassword().DecryptBuffer(buffer, &(n = length), kKey.data(), kZeroVector));
    EXPECT_FALSE(CPassword().DecryptBuffer(buffer, &(n = 16), nullptr, kZeroVector));

    // The last byte says how many bytes of padding there are, and each of them must say so too.
    const struct {
        std::vector<uint8_t> tail;  // the end of a 16-byte plaintext block
        bool valid;
    } rows[] = {{{0}, false}, {{17}, false}, {{200}, false}, {{1}, true}, {{2, 2}, true}, {{1, 2}, false},
                {{3, 2, 2}, true}, {{3, 3, 3}, true}, {{2, 3, 3}, false}};
    for (const auto& row : rows) {
        uint8_t block[16] = {};
        std::memcpy(block + 16 - row.tail.size(), row.tail.data(), row.tail.size());
        Aes256(kKey.data()).EncryptBlock(block, block);  // CBC with a zero vector is ECB for one block
        n = 16;
        EXPECT_EQ(CPassword().DecryptBuffer(block, &n, kKey.data(), kZeroVector), row.valid) << ToHex(row.tail);
        EXPECT_EQ(n, row.valid ? 16u - row.tail.back() : 16u) << ToHex(row.tail);
    }
}

TEST(ProtectedText, SizesSaltRoundTripAndDamage) {
    const uint8_t saltA[kProtectedSaltSize] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    const uint8_t saltB[kProtectedSaltSize] = {9, 8, 7, 6, 5, 4, 3, 2, 1};
    // 1-5 characters give 32 digits, 6-21 give 64, 22 give 96.
    for (auto [length, digits] : {std::pair<size_t, size_t>{1, 32}, {5, 32}, {6, 64}, {21, 64}, {22, 96}})
        EXPECT_EQ(EncryptProtectedText(std::string(length, 'x'), saltA).size(), digits) << length;
    const std::string a = EncryptProtectedText("secret", saltA);
    EXPECT_NE(a, EncryptProtectedText("secret", saltB));
    EXPECT_EQ(a.find_first_not_of("0123456789ABCDEF"), std::string::npos);
    EXPECT_EQ(DecryptProtectedText(a).value_or("?"), "secret");

    const std::string longest(kMaxProtectedPlaintext, 'p');
    const std::string stored = EncryptProtectedText(longest, saltA);
    EXPECT_LE(stored.size() + 1, 2024u);  // still within what a text read accepts
    EXPECT_EQ(DecryptProtectedText(stored).value_or("?"), longest);
    EXPECT_TRUE(EncryptProtectedText(longest + "p", saltA).empty());

    std::string damaged = a;
    damaged.back() = damaged.back() == '0' ? '1' : '0';
    for (const std::string& text : {std::string("abc"), std::string(), damaged})
        EXPECT_FALSE(DecryptProtectedText(text).has_value()) << text;
}

// A number stored as a DWORD, the first bytes of a binary, or decimal text.
TEST(ValueForms, NumberFromValue) {
    const struct {
        std::string text;
        uint32_t expected;
    } texts[] = {{"0123", 0},  {"0", 0},     {"", 9},   {"abc", 9},   {"1.5", 9},  {"42", 42},
                 {"  -7", 0xFFFFFFF9u}, {"12abc", 12}, {" 0", 9}, {"1234567890123456789", 2147483647u}};
    for (const auto& row : texts) {
        const auto* data = reinterpret_cast<const uint8_t*>(row.text.c_str());
        EXPECT_EQ(NumberFromValue(kRegKindText, data, row.text.size() + 1, 9), row.expected) << '"' << row.text << '"';
    }
    const uint8_t four[] = {0x78, 0x56, 0x34, 0x12, 0x99};
    EXPECT_EQ(NumberFromValue(kRegKindDword, four, 5, 9), 0x12345678u);
    EXPECT_EQ(NumberFromValue(kRegKindBinary, four, 2, 9), 0x5678u);
    EXPECT_EQ(NumberFromValue(7, four, 5, 9), 9u);  // a multi-string is no number
}

TEST(Hex, DecodeAndEncode) {
    const struct {
        const char* text;
        size_t room;
        std::string bytes;
    } decodes[] = {{"0aFf1", 8, "\x0a\xff"}, {"zz", 8, std::string(1, '\0')}, {"0102030405", 2, "\x01\x02"},
                   {nullptr, 2, ""}};
    for (const auto& row : decodes) {
        uint8_t out[8] = {};
        EXPECT_EQ(HexDecode(row.text, out, row.room), row.bytes.size());
        EXPECT_EQ(std::string(reinterpret_cast<char*>(out), row.bytes.size()), row.bytes);
    }
    // A value stored as text is decoded in place; nothing of the text stays
    // behind the bytes (a replay history would take leftover digits as entries).
    const struct {
        std::string stored;
        uint32_t count;
        std::string after;
    } values[] = {{std::string("0aFf1\0zz", 8), 2, std::string("\x0a\xff\0\0\0\0\0\0", 8)},
                  {"7", 0, std::string(1, '\0')}};
    for (const auto& row : values) {
        std::string buffer = row.stored;
        const uint32_t n = BytesFromHexValue(reinterpret_cast<uint8_t*>(buffer.data()), uint32_t(buffer.size()));
        EXPECT_EQ(n, row.count);
        EXPECT_EQ(buffer, row.after);
    }
    const uint8_t bytes[] = {0x00, 0xAB};
    EXPECT_STREQ(HexEncode(bytes, 2), "00AB");
    EXPECT_STREQ(HexEncode(bytes, 0), "");
    EXPECT_STREQ(HexEncode(bytes, -3), "");
    // 1,249 bytes fill the 2,500-character buffer; more are cut to 1,248 and "..".
    std::vector<uint8_t> many(1300);
    for (size_t i = 0; i < many.size(); ++i) many[i] = static_cast<uint8_t>(i);
    const std::string whole = HexEncode(many.data(), 1249);
    EXPECT_EQ(whole.size(), 2498u);
    EXPECT_EQ(whole.substr(whole.size() - 4), "DFE0");
    const std::string cut = HexEncode(many.data(), 1250);
    EXPECT_EQ(cut.size(), 2498u);
    EXPECT_EQ(cut.substr(cut.size() - 6), "DEDF..");
}

TEST(Base64, Rfc4648VectorsEndWithCrLfAndTheOutputMustFit) {
    for (auto [bytes, text] : {std::pair<std::string, std::string>{"", ""}, {"f", "Zg=="}, {"fo", "Zm8="},
                               {"foo", "Zm9v"}, {"foob", "Zm9vYg=="}, {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"},
                               {"ACxxxxxxxx:token", "QUN4eHh4eHh4eDp0b2tlbg=="}}) {
        char out[64];
        int32_t length = static_cast<int32_t>(bytes.size());
        ASSERT_TRUE(Base64Encode(reinterpret_cast<const uint8_t*>(bytes.data()), out, sizeof out, length));
        EXPECT_EQ(std::string(out), text + "\r\n");
        EXPECT_EQ(length, static_cast<int32_t>(text.size() + 2));
    }
    char small[7];
    std::memset(small, 'x', sizeof small);
    int32_t length = 3;
    EXPECT_FALSE(Base64Encode(reinterpret_cast<const uint8_t*>("abc"), small, 6, length));  // needs 7
    EXPECT_EQ(length, 3);
    EXPECT_EQ(small[0], 'x');
    EXPECT_TRUE(Base64Encode(reinterpret_cast<const uint8_t*>("abc"), small, 7, length));
}
