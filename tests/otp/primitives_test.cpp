// SHA-1, HMAC-SHA1 and the six-digit code against their published vectors.
#include <gtest/gtest.h>

#include <string>

#include "otp/hmac_sha1.h"
#include "otp/otp_code.h"
#include "otp/sha1.h"
#include "support/bytes.h"

using namespace velmo;
using velmo::test::Bytes;
using velmo::test::FromHex;
using velmo::test::ToHex;

namespace {

std::string Sha1Hex(const std::vector<uint8_t>& data, size_t piece = 0) {
    Sha1Context ctx;
    Sha1Start(ctx);
    if (piece == 0) piece = data.size() ? data.size() : 1;
    for (size_t at = 0; at < data.size(); at += piece)
        Sha1Add(ctx, data.data() + at, static_cast<uint32_t>(std::min(piece, data.size() - at)));
    uint8_t digest[kSha1DigestSize];
    Sha1Finish(ctx, digest);
    return ToHex(digest, sizeof digest);
}

std::string HmacHex(const std::vector<uint8_t>& key, const std::vector<uint8_t>& data) {
    uint8_t out[20];
    HmacSha1(key.data(), static_cast<int32_t>(key.size()), data.data(), static_cast<int32_t>(data.size()), out, 20);
    return ToHex(out, sizeof out);
}

// RFC 4226 Appendix D secret "12345678901234567890" as Base32.
constexpr char kRfcSecret[] = "GEZDGNBVGY3TQOJQGEZDGNBVGY3TQOJQ";

}  // namespace

TEST(Sha1, Fips180Vectors) {
    EXPECT_EQ(Sha1Hex(Bytes("abc")), "a9993e364706816aba3e25717850c26c9cd0d89d");
    EXPECT_EQ(Sha1Hex(Bytes("")), "da39a3ee5e6b4b0d3255bfef95601890afd80709");
    const auto twoBlocks = Bytes("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq");
    EXPECT_EQ(Sha1Hex(twoBlocks), "84983e441c3bd26ebaae4aa1f95129e5e54670f1");
    const std::vector<uint8_t> million(1000000, 'a');
    EXPECT_EQ(Sha1Hex(million), "34aa973cd4c4daa4f61eeb2bdbad27316534016f");
    // Fed in odd-sized pieces the digest is the same.
    EXPECT_EQ(Sha1Hex(twoBlocks, 7), "84983e441c3bd26ebaae4aa1f95129e5e54670f1");
    EXPECT_EQ(Sha1Hex(million, 999), "34aa973cd4c4daa4f61eeb2bdbad27316534016f");
}

TEST(HmacSha1, Rfc2202Vectors) {
    EXPECT_EQ(HmacHex(std::vector<uint8_t>(20, 0x0b), Bytes("Hi There")), "b617318655057264e28bc0b6fb378c8ef146be00");
    EXPECT_EQ(HmacHex(Bytes("Jefe"), Bytes("what do ya want for nothing?")),
              "effcdf6ae5eb2fa2d27416d5f184df9c259a7c79");
    EXPECT_EQ(HmacHex(std::vector<uint8_t>(20, 0xaa), std::vector<uint8_t>(50, 0xdd)),
              "125d7342b9ac11cd91a39af48aa17b4f63f175d3");
    EXPECT_EQ(HmacHex(FromHex("0102030405060708090a0b0c0d0e0f10111213141516171819"), std::vector<uint8_t>(50, 0xcd)),
              "4c9007f4026250c6bc8414f9bf50c86c2d7235da");
    EXPECT_EQ(HmacHex(std::vector<uint8_t>(20, 0x0c), Bytes("Test With Truncation")),
              "4c1a03424b55e07fe7f27be1d58bb9324a9a5a04");
    EXPECT_EQ(HmacHex(std::vector<uint8_t>(80, 0xaa), Bytes("Test Using Larger Than Block-Size Key - Hash Key First")),
              "aa4ae5e15272d00e95705637ce8a3b55ed402112");
    EXPECT_EQ(HmacHex(std::vector<uint8_t>(80, 0xaa),
                      Bytes("Test Using Larger Than Block-Size Key and Larger Than One Block-Size Data")),
              "e8e99d0f45237d786d6bbaa7965c7808bbff1a91");
}

TEST(HmacSha1, KeysAtTheBlockSizeAndResultLengths) {
    // A 64-byte key is used as it is; 65 bytes are hashed first, so a 65-byte
    // key equals its own 20-byte digest used as the key.
    const std::vector<uint8_t> key64(64, 0x5a), key65(65, 0x5a);
    const auto data = Bytes("moving factor");
    Sha1Context ctx;
    Sha1Start(ctx);
    Sha1Add(ctx, key65.data(), 65);
    std::vector<uint8_t> hashed(20);
    Sha1Finish(ctx, hashed.data());
    EXPECT_EQ(HmacHex(key65, data), HmacHex(hashed, data));
    EXPECT_NE(HmacHex(key64, data), HmacHex(std::vector<uint8_t>(65, 0x5a), data));

    // A shorter result gets the first bytes; a longer one is zero-filled.
    uint8_t full[20], shortOut[8], longOut[24];
    HmacSha1(key64.data(), 64, data.data(), static_cast<int32_t>(data.size()), full, 20);
    HmacSha1(key64.data(), 64, data.data(), static_cast<int32_t>(data.size()), shortOut, 8);
    std::fill(std::begin(longOut), std::end(longOut), 0xEE);
    HmacSha1(key64.data(), 64, data.data(), static_cast<int32_t>(data.size()), longOut, 24);
    EXPECT_EQ(ToHex(shortOut, 8), ToHex(full, 8));
    EXPECT_EQ(ToHex(longOut, 20), ToHex(full, 20));
    EXPECT_EQ(ToHex(longOut + 20, 4), "00000000");
}

TEST(ComputeCode, Rfc4226AppendixD) {
    const int32_t expected[10] = {755224, 287082, 359152, 969429, 338314, 254676, 287922, 162583, 399871, 520489};
    for (uint32_t counter = 0; counter < 10; ++counter)
        EXPECT_EQ(ComputeCode(kRfcSecret, counter), expected[counter]) << "counter " << counter;
}

TEST(ComputeCode, Rfc6238AppendixBSha1Rows) {
    // The eight-digit values of the RFC modulo 1,000,000, 30-second steps.
    const struct {
        int64_t time;
        int32_t code;
    } rows[] = {{59, 287082},         {1111111109, 81804}, {1111111111, 50471},
                {1234567890, 5924},   {2000000000, 279037}, {20000000000, 353130}};
    for (const auto& row : rows)
        EXPECT_EQ(ComputeCode(kRfcSecret, static_cast<uint32_t>(row.time / 30)), row.code) << "time " << row.time;
}

TEST(ComputeCode, LenientSecretFormsGiveTheSameCodes) {
    const int32_t reference = ComputeCode(kRfcSecret, 7);
    EXPECT_EQ(ComputeCode("gezdgnbvgy3tqojqgezdgnbvgy3tqojq", 7), reference);
    EXPECT_EQ(ComputeCode("GEZD GNBV GY3T QOJQ-GEZD-GNBV GY3T QOJQ", 7), reference);
    // 0, 1 and 8 read as O, L and B.
    EXPECT_EQ(ComputeCode("MZXW6YTB0I", 3), ComputeCode("MZXW6YTBOI", 3));
    EXPECT_EQ(ComputeCode("MZXW1YT8OI", 3), ComputeCode("MZXWLYTBOI", 3));
}

TEST(ComputeCode, UnusableSecretsGiveMinusOne) {
    EXPECT_EQ(ComputeCode("", 1), -1);
    EXPECT_EQ(ComputeCode(nullptr, 1), -1);
    EXPECT_EQ(ComputeCode("    ", 1), -1);
    EXPECT_EQ(ComputeCode("GEZDGNBVGY3TQOJQ====", 1), -1);  // padding is not accepted
    EXPECT_EQ(ComputeCode("GEZDGNBV9Y3TQOJQ", 1), -1);
    EXPECT_EQ(ComputeCode(std::string(161, 'A').c_str(), 1), -1);
    EXPECT_GE(ComputeCode(std::string(160, 'A').c_str(), 1), 0);
}

TEST(ComputeCode, MovingFactorIsTheCounterBehindFourZeroBytes) {
    const auto key = Bytes("12345678901234567890");
    const uint8_t message[8] = {0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF};
    uint8_t h[20];
    HmacSha1(key.data(), 20, message, 8, h, 20);
    EXPECT_EQ(ComputeCode(kRfcSecret, 0xFFFFFFFFu), TruncateToCode(h));
}
