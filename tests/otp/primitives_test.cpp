// SHA-1, HMAC-SHA1, the six-digit code and the Base32 encoding
// against their published vectors and the lenient secret forms.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "otp/base32.h"
#include "otp/hmac_sha1.h"
#include "otp/otp_code.h"
#include "otp/sha1.h"
#include "support/bytes.h"
#include "support/sha1_engines.h"

using namespace velmo;
using velmo::test::Bytes;
using velmo::test::FromHex;
using velmo::test::ToHex;

namespace {

// RFC 4226 Appendix D secret "12345678901234567890" as Base32.
constexpr char kRfcSecret[] = "GEZDGNBVGY3TQOJQGEZDGNBVGY3TQOJQ";

}  // namespace

TEST(Sha1, VectorsWholeAndInPieces) {
    const std::string abc56 = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";
    const struct {
        std::string message;
        const char* digest;
    } rows[] = {
        {"", "da39a3ee5e6b4b0d3255bfef95601890afd80709"}, {"abc", "a9993e364706816aba3e25717850c26c9cd0d89d"},
        {abc56, "84983e441c3bd26ebaae4aa1f95129e5e54670f1"},
        // Around the end of a block: the length still fits (55) or spills over.
        {std::string(55, 'a'), "c1c8bbdc22796e28c0e15163d20899b65621d65a"},
        {std::string(56, 'a'), "c2db330f6083854c99d4b5bfb6e8f29f201be699"},
        {std::string(63, 'a'), "03f09f5b158a7a8cdad920bddc29b81c18a551f5"},
        {std::string(64, 'a'), "0098ba824b5c16427bd7a1122a5a442a25ec644d"},
        {std::string(119, 'a'), "ee971065aaa017e0632a8ca6c77bb3bf8b1dfc56"},
        {std::string(1000000, 'a'), "34aa973cd4c4daa4f61eeb2bdbad27316534016f"},
    };
    for (const auto& row : rows)
        for (size_t piece : {size_t{1000000}, size_t{7}})
            EXPECT_EQ(test::Sha1Hex(Bytes(row.message).data(), row.message.size(), piece), row.digest)
                << row.message.size() << " in " << piece;
}

TEST(HmacSha1, Rfc2202VectorsAndResultLengths) {
    const struct {
        std::vector<uint8_t> key, data;
        const char* mac;
    } rows[] = {
        {std::vector<uint8_t>(20, 0x0b), Bytes("Hi There"), "b617318655057264e28bc0b6fb378c8ef146be00"},
        {Bytes("Jefe"), Bytes("what do ya want for nothing?"), "effcdf6ae5eb2fa2d27416d5f184df9c259a7c79"},
        {std::vector<uint8_t>(20, 0xaa), std::vector<uint8_t>(50, 0xdd), "125d7342b9ac11cd91a39af48aa17b4f63f175d3"},
        {FromHex("0102030405060708090a0b0c0d0e0f10111213141516171819"), std::vector<uint8_t>(50, 0xcd),
         "4c9007f4026250c6bc8414f9bf50c86c2d7235da"},
        // Keys of 64 bytes are used as they are, longer ones hashed first.
        {std::vector<uint8_t>(64, 0xaa), Bytes("Test Using Larger Than Block-Size Key - Hash Key First"),
         "070a98992c4c1a83474cb780fc564608df3cf503"},
        {std::vector<uint8_t>(65, 0xaa), Bytes("Test Using Larger Than Block-Size Key - Hash Key First"),
         "b5a88a552cdd7545b07b117d31e4be33c2ddcd57"},
        {std::vector<uint8_t>(80, 0xaa), Bytes("Test Using Larger Than Block-Size Key - Hash Key First"),
         "aa4ae5e15272d00e95705637ce8a3b55ed402112"},
        {std::vector<uint8_t>(80, 0xaa), Bytes("Test Using Larger Than Block-Size Key and Larger Than One Block-Size Data"),
         "e8e99d0f45237d786d6bbaa7965c7808bbff1a91"},
    };
    for (const auto& row : rows) {
        uint8_t out[24];
        std::memset(out, 0xEE, sizeof out);
        HmacSha1(row.key.data(), static_cast<int32_t>(row.key.size()), row.data.data(),
                 static_cast<int32_t>(row.data.size()), out, 24);
        EXPECT_EQ(ToHex(out, 24), std::string(row.mac) + "00000000") << row.mac;  // a longer result is zero-filled
        HmacSha1(row.key.data(), static_cast<int32_t>(row.key.size()), row.data.data(),
                 static_cast<int32_t>(row.data.size()), out, 8);
        EXPECT_EQ(ToHex(out, 8), std::string(row.mac, 16)) << row.mac;
    }
}

TEST(ComputeCode, RfcVectorsSecretFormsAndUnusableSecrets) {
    const int32_t rfc4226[10] = {755224, 287082, 359152, 969429, 338314, 254676, 287922, 162583, 399871, 520489};
    for (uint32_t counter = 0; counter < 10; ++counter) EXPECT_EQ(ComputeCode(kRfcSecret, counter), rfc4226[counter]);
    // RFC 6238's eight-digit SHA-1 values modulo 1,000,000, 30-second steps.
    for (auto [time, code] : {std::pair<int64_t, int32_t>{59, 287082}, {1111111109, 81804}, {1234567890, 5924},
                              {2000000000, 279037}, {20000000000, 353130}})
        EXPECT_EQ(ComputeCode(kRfcSecret, static_cast<uint32_t>(time / 30)), code) << time;
    // The moving factor is the counter behind four zero bytes.
    uint8_t mac[20];
    const uint8_t top[8] = {0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF};
    HmacSha1(Bytes("12345678901234567890").data(), 20, top, 8, mac, 20);
    EXPECT_EQ(ComputeCode(kRfcSecret, 0xFFFFFFFFu), TruncateToCode(mac));

    // The secret is read as Base32Decode reads it; one that does not decode is unusable.
    EXPECT_EQ(ComputeCode("GEZD GNBV-gy3t qojq GEZDGNBVGY3TQOJQ", 7), ComputeCode(kRfcSecret, 7));
    for (const char* unusable : {"", "    ", "GEZDGNBVGY3TQOJQ====", static_cast<const char*>(nullptr)})
        EXPECT_EQ(ComputeCode(unusable, 1), -1) << (unusable ? unusable : "null");
    EXPECT_EQ(ComputeCode(std::string(161, 'A').c_str(), 1), -1);
    EXPECT_GE(ComputeCode(std::string(160, 'A').c_str(), 1), 0);
}

TEST(Base32, Rfc4648WithoutPaddingBothWays) {
    for (auto [bytes, text] : {std::pair<std::string, std::string>{"", ""}, {"f", "MY"}, {"fo", "MZXQ"},
                               {"foo", "MZXW6"}, {"foob", "MZXW6YQ"}, {"fooba", "MZXW6YTB"}, {"foobar", "MZXW6YTBOI"},
                               {std::string(1, '\0'), "AA"}}) {
        char out[32];
        ASSERT_EQ(Base32Encode(reinterpret_cast<const uint8_t*>(bytes.data()), static_cast<int32_t>(bytes.size()), out,
                               sizeof out),
                  static_cast<int32_t>(text.size()));
        EXPECT_EQ(std::string(out), text);
        uint8_t back[16];
        ASSERT_EQ(Base32Decode(text.c_str(), back, sizeof back), static_cast<int32_t>(bytes.size())) << text;
        EXPECT_EQ(std::string(reinterpret_cast<char*>(back), bytes.size()), bytes);
    }
    char cut[8];
    std::memset(cut, 'x', sizeof cut);
    EXPECT_EQ(Base32Encode(reinterpret_cast<const uint8_t*>("foobar"), 6, cut, 4), 4);  // no room for a terminator
    EXPECT_EQ(std::string(cut, 5), "MZXWx");
    EXPECT_EQ(Base32Encode(reinterpret_cast<const uint8_t*>("a"), -1, cut, 8), -1);
    EXPECT_EQ(Base32Encode(reinterpret_cast<const uint8_t*>("a"), (1 << 28) + 1, cut, 8), -1);
}

TEST(Base32, LenientDecodingStopsAtAnInvalidCharacterOrTheOutput) {
    const struct {
        const char* text;
        int32_t room, result;
        std::string written;
    } rows[] = {
        {"MZXW 6YTB-OI", 20, 6, "foobar"}, {"\tmzxw\r\n6ytboi", 20, 6, "foobar"},
        {"8L", 20, 1, std::string(1, 0x0A)},  // 8 is B, 1 is L: "BL"
        {"01801801", 20, 5, "\x72\xc2\xe5\x85\xcb"},  // "OLBOLBOL": every bit of the digits counts
        {"   ", 20, 0, ""},
        {"MZXW6===", 20, -1, "foo"},  // what came before the "=" stays written
        {"MZ9W", 20, -1, "f"},
        {"MZXW6YTBOI!!!!", 3, 3, "foo"},  // the rest is never looked at
        {"MZXW6", 0, 0, ""},
    };
    for (const auto& row : rows) {
        uint8_t out[24];
        std::memset(out, 0xEE, sizeof out);
        EXPECT_EQ(Base32Decode(row.text, out, row.room), row.result) << row.text;
        EXPECT_EQ(std::string(reinterpret_cast<char*>(out), row.written.size()), row.written) << row.text;
        // A NUL follows a successful decoding when room remains; nothing else is written.
        const bool terminated = row.result >= 0 && static_cast<int32_t>(row.written.size()) < row.room;
        EXPECT_EQ(out[row.written.size()], terminated ? 0 : 0xEE) << row.text;
    }
    uint8_t out[4];
    EXPECT_EQ(Base32Decode(nullptr, out, 4), 0);
}

