// The OTP setting command and the forms of a token's secret.
#include <gtest/gtest.h>

#include <string>

#include "otp/setting_command.h"

using namespace velmo;

namespace {

constexpr char kRfcSecret[] = "GEZDGNBVGY3TQOJQGEZDGNBVGY3TQOJQ";
const std::string kBase32_56(56, 'M');

}  // namespace

TEST(SettingCommand, KeywordsAnywhereAndTheirValues) {
    const struct {
        std::string command;
        bool totp, hotp;
        const char* destination;  // null: no "sms-otp,"
        const char* keyType;
    } rows[] = {
        {"totp", true, false, nullptr, "totp"}, {"hotp", false, true, nullptr, "hotp"},
        {"sms-otp,+15550199", false, false, "+15550199", "sms-otp"}, {"sms-otp,", false, false, "", "sms-otp"},
        {"x sms-otp,+1", false, false, "p,+1", "x sms-otp"},  // the value starts at the ninth character
        {"token-otp,ABC hotp totp", true, true, nullptr, "token-otp"},
        {std::string("totp\0hotp", 9), true, false, nullptr, "totp"},
        {std::string(87, 'x') + "hotp", false, false, nullptr, "xxxxxxxxxxxxxxxxxxx"},  // past 90 characters
    };
    for (const auto& row : rows) {
        const OtpSettingCommand c = ParseOtpSettingCommand(row.command);
        EXPECT_EQ(c.timeBased, row.totp) << row.command;
        EXPECT_EQ(c.counterBased, row.hotp) << row.command;
        EXPECT_EQ(c.destination.has_value(), row.destination != nullptr) << row.command;
        if (row.destination && c.destination) {
            EXPECT_EQ(*c.destination, row.destination) << row.command;
        }
        EXPECT_EQ(c.keyType, row.keyType) << row.command;
    }
}

TEST(SettingCommand, TokenSecretsAndSteps) {
    const struct {
        std::string value;  // after "token-otp,"
        std::string given, secret;
        int32_t step;
        bool accepted;
    } rows[] = {
        // 40 hex digits: 20 bytes as 32 Base32 characters.
        {"3132333435363738393031323334353637383930,60", "3132333435363738393031323334353637383930", kRfcSecret, 60, true},
        // 16 and 32 characters are Base32 as they stand, whatever they look like.
        {"31323334353637383930313233343536", "31323334353637383930313233343536", "31323334353637383930313233343536", 30,
         true},
        {"3132333435363738", "3132333435363738", "3132333435363738", 30, true},
        {"3132333435363738393a,0", "3132333435363738393a", "GEZDGNBVGY3TQOJ2", 30, true},
        {kBase32_56, kBase32_56, kBase32_56, 30, true},
        {std::string(64, 'a'), std::string(64, 'a'), "VKVKVKVKVKVKVKVKVKVKVKVKVKVKVKVKVKVKVKVKVKVKVKVKVKVA", 30, true},
        {"ABCDEFGHIJKLMNOPQRST", "ABCDEFGHIJKLMNOPQRST", "ABCDEFGHIJKLMNOPQRST", 30, false},
        {"MZXW6YTBOI,-5", "MZXW6YTBOI", "MZXW6YTBOI", -5, false},  // a negative step is kept
        {"MZXW6YTBOIMZXW6Y,abc", "MZXW6YTBOIMZXW6Y", "MZXW6YTBOIMZXW6Y", 30, true}, {"", "", "", 30, false},
        {std::string(200, 'Z'), std::string(64, 'Z'), std::string(64, 'Z'), 30, false},
    };
    for (const auto& row : rows) {
        const OtpSettingCommand c = ParseOtpSettingCommand("token-otp," + row.value);
        ASSERT_TRUE(c.token.has_value()) << row.value;
        EXPECT_EQ(c.token->given, row.given) << row.value;
        EXPECT_EQ(c.token->secret, row.secret) << row.value;
        EXPECT_EQ(c.token->step, row.step) << row.value;
        EXPECT_EQ(c.token->LengthAccepted(), row.accepted) << row.value;
    }
    // Hex digits of every length: 16 or 32 characters as Base32, else 10, 20
    // or 32 bytes (the last unpaired digit dropped) make an accepted secret.
    for (size_t digits = 1; digits <= 64; ++digits) {
        const bool accepted = digits == 16 || digits == 32 || digits / 2 == 10 || digits / 2 == 20 || digits / 2 == 32;
        EXPECT_EQ(ParseOtpSettingCommand("token-otp," + std::string(digits, 'a')).token->LengthAccepted(), accepted)
            << digits;
    }
    EXPECT_FALSE(ParseOtpSettingCommand("totp").token.has_value());
}
