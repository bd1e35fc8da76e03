// The OTP setting command the host's user interface sends through ReadData:
// any of "totp", "hotp", "sms-otp,<destination>" and
// "token-otp,<secret>[,<step>]", found anywhere in the text (the last two
// are expected at its start, where their values begin). Pure code.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace velmo {

constexpr size_t kSettingCommandMax = 90;  // characters of the command that count
constexpr size_t kTokenSecretMax = 64;
constexpr size_t kKeyTypeMax = 19;

struct TokenSetting {
    std::string given;   // the secret as given (at most 64 characters, up to a comma)
    std::string secret;  // as it will be stored (NormalizeTokenSecret)
    int32_t step;        // seconds; a missing, zero or unreadable step is 30
    bool LengthAccepted() const;
};

struct OtpSettingCommand {
    bool timeBased = false;                  // "totp"
    bool counterBased = false;               // "hotp"
    std::optional<std::string> destination;  // "sms-otp,": the text from its ninth character on
    std::optional<TokenSetting> token;       // "token-otp,": the text from its eleventh character on
    std::string keyType;                     // the text before its first comma, at most 19 characters
};

// `command` is taken up to its first NUL and at most 90 characters.
OtpSettingCommand ParseOtpSettingCommand(std::string_view command);

}  // namespace velmo
