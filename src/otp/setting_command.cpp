#include "otp/setting_command.h"

#include <algorithm>

#include "common/text.h"
#include "otp/code_check.h"
#include "otp/secret_forms.h"

namespace velmo {

namespace {

constexpr std::string_view kSmsKeyword = "sms-otp,";
constexpr std::string_view kTokenKeyword = "token-otp,";

// The command from position `at` on; empty when it is shorter.
std::string_view From(std::string_view command, size_t at) {
    return command.size() > at ? command.substr(at) : std::string_view();
}

}  // namespace

bool TokenSetting::LengthAccepted() const { return AcceptedSecretLength(secret.size()); }

OtpSettingCommand ParseOtpSettingCommand(std::string_view command) {
    command = command.substr(0, std::min(command.find('\0'), kSettingCommandMax));
    OtpSettingCommand parsed;
    parsed.timeBased = Contains(command, "totp");
    parsed.counterBased = Contains(command, "hotp");
    if (Contains(command, kSmsKeyword)) parsed.destination = std::string(From(command, kSmsKeyword.size()));
    if (Contains(command, kTokenKeyword)) {
        TokenSetting token;
        std::string_view given = From(command, kTokenKeyword.size()).substr(0, kTokenSecretMax);
        token.step = static_cast<int32_t>(kDefaultStep);
        if (const size_t comma = given.find(','); comma != std::string_view::npos) {
            const int32_t step = ParseSignedDecimal(given.substr(comma + 1));
            if (step != 0) token.step = step;
            given = given.substr(0, comma);
        }
        token.given = std::string(given);
        token.secret = NormalizeTokenSecret(given);
        parsed.token = std::move(token);
    }
    parsed.keyType = std::string(command.substr(0, std::min(command.find(','), kKeyTypeMax)));
    return parsed;
}

}  // namespace velmo
