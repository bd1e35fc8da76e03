// Base32 and Base64 against RFC 4648 and the lenient decoding rules.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "otp/base32.h"
#include "otp/base64.h"
#include "support/bytes.h"

using namespace velmo;

namespace {

std::string Encode32(const std::string& bytes, int32_t outSize = 100) {
    char out[200];
    std::memset(out, 'x', sizeof out);
    const int32_t n = Base32Encode(reinterpret_cast<const uint8_t*>(bytes.data()), static_cast<int32_t>(bytes.size()),
                                   out, outSize);
    return std::string(out, n < 0 ? 0 : static_cast<size_t>(n));
}

struct Decoded {
    int32_t result;
    std::string bytes;
};

Decoded Decode32(const char* text, int32_t outSize = 20) {
    uint8_t out[64];
    std::memset(out, 0xEE, sizeof out);
    const int32_t n = Base32Decode(text, out, outSize);
    // Whatever was written before an invalid character counts too.
    size_t written = 0;
    while (written < sizeof out && out[written] != 0xEE) ++written;
    return {n, std::string(reinterpret_cast<char*>(out), n >= 0 ? static_cast<size_t>(n) : written)};
}

std::string Encode64(const std::string& bytes) {
    char out[64];
    int32_t length = static_cast<int32_t>(bytes.size());
    EXPECT_TRUE(Base64Encode(reinterpret_cast<const uint8_t*>(bytes.data()), out, sizeof out, length));
    EXPECT_EQ(static_cast<size_t>(length), std::strlen(out));
    return out;
}

}  // namespace

TEST(Base32, Rfc4648VectorsWithoutPadding) {
    EXPECT_EQ(Encode32(""), "");
    EXPECT_EQ(Encode32("f"), "MY");
    EXPECT_EQ(Encode32("fo"), "MZXQ");
    EXPECT_EQ(Encode32("foo"), "MZXW6");
    EXPECT_EQ(Encode32("foob"), "MZXW6YQ");
    EXPECT_EQ(Encode32("fooba"), "MZXW6YTB");
    EXPECT_EQ(Encode32("foobar"), "MZXW6YTBOI");
    EXPECT_EQ(Encode32(std::string(1, '\0')), "AA");
    EXPECT_EQ(Encode32(std::string(10, 'k')).size(), 16u);
    EXPECT_EQ(Encode32(std::string(20, 'k')).size(), 32u);

    for (const char* text : {"MY", "MZXQ", "MZXW6", "MZXW6YQ", "MZXW6YTB", "MZXW6YTBOI"}) {
        const Decoded d = Decode32(text);
        EXPECT_EQ(Encode32(d.bytes), text);
    }
}

TEST(Base32, EncodeCutsAtTheOutputAndRejectsBadLengths) {
    EXPECT_EQ(Encode32("foobar", 4), "MZXW");  // no room for the terminator: none written
    char out[8];
    EXPECT_EQ(Base32Encode(reinterpret_cast<const uint8_t*>("a"), -1, out, 8), -1);
    EXPECT_EQ(Base32Encode(reinterpret_cast<const uint8_t*>("a"), (1 << 28) + 1, out, 8), -1);
}

TEST(Base32, LenientDecoding) {
    EXPECT_EQ(Decode32("MZXW 6YTB-OI").bytes, "foobar");
    EXPECT_EQ(Decode32("MZXW 6YTB-OI").result, 6);
    EXPECT_EQ(Decode32("mzxw6ytboi").bytes, "foobar");
    EXPECT_EQ(Decode32("MZXW6YTB0I").bytes, Decode32("MZXW6YTBOI").bytes);
    EXPECT_EQ(Decode32("\tMZXW\r\n6YTBOI").bytes, "foobar");
    EXPECT_EQ(Decode32("8L").bytes, Decode32("BL").bytes);
    EXPECT_EQ(Decode32("B1").bytes, Decode32("BL").bytes);
    EXPECT_EQ(Decode32("   ").result, 0);
    EXPECT_EQ(Decode32(nullptr).result, 0);
}

TEST(Base32, InvalidCharactersStopWithMinusOne) {
    const Decoded padded = Decode32("MZXW6===");
    EXPECT_EQ(padded.result, -1);
    EXPECT_EQ(padded.bytes, "foo");  // written before the '=' stays
    EXPECT_EQ(Decode32("MZ9W").result, -1);
    EXPECT_EQ(Decode32("MZ!W").result, -1);
}

TEST(Base32, DecodeStopsAtTheOutputSize) {
    // Three bytes, no terminator, and the invalid rest is never looked at.
    uint8_t out[8];
    std::memset(out, 0xEE, sizeof out);
    EXPECT_EQ(Base32Decode("MZXW6YTBOI!!!!!!", out, 3), 3);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(out), 3), "foo");
    EXPECT_EQ(out[3], 0xEE);
    EXPECT_EQ(Base32Decode("MZXW6", out, 0), 0);
}

TEST(Base64, Rfc4648VectorsEndWithCrLf) {
    EXPECT_EQ(Encode64(""), "\r\n");
    EXPECT_EQ(Encode64("f"), "Zg==\r\n");
    EXPECT_EQ(Encode64("fo"), "Zm8=\r\n");
    EXPECT_EQ(Encode64("foo"), "Zm9v\r\n");
    EXPECT_EQ(Encode64("foob"), "Zm9vYg==\r\n");
    EXPECT_EQ(Encode64("fooba"), "Zm9vYmE=\r\n");
    EXPECT_EQ(Encode64("foobar"), "Zm9vYmFy\r\n");
    EXPECT_EQ(Encode64("abc"), "YWJj\r\n");
    EXPECT_EQ(Encode64("a"), "YQ==\r\n");
    EXPECT_EQ(Encode64("ACxxxxxxxx:token"), "QUN4eHh4eHh4eDp0b2tlbg==\r\n");
}

TEST(Base64, RefusesAnOutputTooSmall) {
    char out[6];
    std::memset(out, 'x', sizeof out);
    int32_t length = 3;
    EXPECT_FALSE(Base64Encode(reinterpret_cast<const uint8_t*>("abc"), out, 6, length));  // needs 7
    EXPECT_EQ(length, 3);
    EXPECT_EQ(out[0], 'x');
    char fits[7];
    EXPECT_TRUE(Base64Encode(reinterpret_cast<const uint8_t*>("abc"), fits, sizeof fits, length));
    EXPECT_EQ(length, 6);
}
