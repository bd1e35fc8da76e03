// The bounded text helpers every fixed buffer goes through.
#include <gtest/gtest.h>

#include <cstring>

#include "common/text.h"

using namespace velmo;

TEST(Text, CopiesAndAppendsAreCutAndTerminated) {
    char small[6];
    std::memset(small, 'x', sizeof small);
    EXPECT_EQ(CopyText(small, "hello world"), 5u);
    EXPECT_STREQ(small, "hello");
    EXPECT_EQ(CopyText(small, "abcdef", 3), 3u);
    EXPECT_STREQ(small, "abc");
    EXPECT_EQ(AppendText(small, "defgh"), 5u);
    EXPECT_STREQ(small, "abcde");
    EXPECT_EQ(CopyText(nullptr, 4, "x"), 0u);
    EXPECT_EQ(CopyText(small, View(nullptr)), 0u);
    EXPECT_STREQ(small, "");

    char out[8];
    EXPECT_EQ(FormatText(out, sizeof out, "%d-%s", 12345, "abcdef"), 7u);
    EXPECT_STREQ(out, "12345-a");
    EXPECT_EQ(BoundedLength("abc", 2), 2u);
}

TEST(Text, SearchesAndReplacements) {
    EXPECT_EQ(FindNoCase("xx STATUS\": TRUE", "status\": true"), 3u);
    EXPECT_EQ(FindNoCase("abc", "abcd"), std::string_view::npos);
    EXPECT_TRUE(ContainsNoCase("Http://", "HTTP"));
    std::string url = "a=%phone%&b=%phone%";
    EXPECT_TRUE(ReplaceFirst(url, "%phone%", "+1&2"));
    EXPECT_EQ(url, "a=+1&2&b=%phone%");
    EXPECT_FALSE(ReplaceFirst(url, "%text%", "x"));
}

TEST(Text, DecimalParsing) {
    EXPECT_EQ(ParseSignedDecimal("  -42abc"), -42);
    EXPECT_EQ(ParseSignedDecimal("+7"), 7);
    EXPECT_EQ(ParseSignedDecimal("99999999999"), 2147483647);
    EXPECT_EQ(ParseSignedDecimal("-99999999999"), -2147483647 - 1);
    size_t digits = 9;
    EXPECT_EQ(ParseSignedDecimal("x1", &digits), 0);
    EXPECT_EQ(digits, 0u);
    EXPECT_EQ(ParseUnsignedDecimal("0000123456"), 123456u);
    EXPECT_EQ(ParseUnsignedDecimal(""), 0u);
    EXPECT_TRUE(AllDigits("0123"));
    EXPECT_FALSE(AllDigits("12a"));
}
