// velmo_ui.dll's text forms: strict Base64 and the public key's modulus.
#include <gtest/gtest.h>

#include <string>

#include "pki_text.h"

using namespace velmo::ui;

TEST(PkiText, OnlyCanonicalBase64AndKeysOfTheAllowedSizesAreRead) {
    struct Row {
        std::string text;
        bool valid;
        std::string bytes = "";
    } base64[] = {
        {"", true},           {"YQ==", true, "a"}, {"YWI=", true, "ab"}, {"+/8=", true, "\xfb\xff"},
        {"YR==", false},      {"YWJ=", false},     {"YWJ", false},       {"YW=j", false},
        {"YWJj\r\n", false},  {"YW J", false},     {"====", false},      {"-_8A", false},
    };
    for (const auto& row : base64) {
        const auto bytes = DecodeBase64(row.text);
        ASSERT_EQ(bytes.has_value(), row.valid) << row.text;
        if (!bytes) continue;
        EXPECT_EQ(std::string(bytes->begin(), bytes->end()), row.bytes) << row.text;
        EXPECT_EQ(EncodeBase64(*bytes), row.text);
    }

    // A modulus of n bytes: top byte 0xC1, bottom byte `last`.
    auto key = [](size_t n, uint8_t first = 0xC1, uint8_t last = 0x01) {
        std::vector<uint8_t> modulus(n, 0x5A);
        modulus.front() = first;
        modulus.back() = last;
        return EncodeBase64(modulus);
    };
    struct KeyRow {
        std::string text;
        bool valid;
    } keys[] = {
        {key(kMaxModulusBytes), true},   {key(kMinModulusBytes), true},  {key(kMinModulusBytes - 1), false},
        {key(kMaxModulusBytes + 1), false}, {key(130, 0xC1, 0x02), false}, {key(130, 0x00), false},
        {"not a key", false},
    };
    EXPECT_EQ(key(kMaxModulusBytes).size(), 184u);
    for (const auto& row : keys) EXPECT_EQ(ParseModulus(row.text.c_str()).has_value(), row.valid) << row.text;
    EXPECT_FALSE(ParseModulus(nullptr));
}
