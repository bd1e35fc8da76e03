// How "SMS-Gate" is used: the channel it names, and the Twilio form (a POST
// with Basic authentication) built from a Twilio URL template. Pure code.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace velmo {

constexpr size_t kGatewayTextSize = 340;      // "SMS-Gate"
constexpr size_t kGatewayParamSize = 150;     // "SMS-Gate-Param"
constexpr size_t kMinTwilioParamLength = 10;  // "AC...:token" shorter than this is unusable
constexpr size_t kTwilioFormBodySize = 1024;  // one POST argument value
constexpr size_t kGetAnswerChars = 300;       // of a gateway's answer to a GET
constexpr size_t kTwilioAnswerChars = 400;    // of its answer to the Twilio form

inline constexpr char kPhonePlaceholder[] = "%phone%";
inline constexpr char kCodePlaceholder[] = "%text%";

// A script file name (".ps1" and no "http") rather than a URL template.
bool IsScriptGateway(std::string_view gateway);
bool IsTwilioGateway(std::string_view gateway);

struct TwilioForm {
    std::string url;   // the template up to its first "?"
    std::string body;  // the filled query text, or "Bad-Velmo-SettingsUrl" without "?"
};
TwilioForm MakeTwilioForm(std::string_view gateway, std::string_view destination, std::string_view code);

// Credentials ("AC...:token") of 10 characters or more; shorter ones get
// the help text and nothing is sent.
bool TwilioCredentialsUsable(std::string_view param);

// "Authorization: Basic " and the Base64 text of `param` (ending in CR LF).
std::string BasicAuthorizationHeader(std::string_view param);

// "SMS delivery status: " and the first `answerChars` bytes of the answer.
std::string GatewayStatusText(std::string_view answer, size_t answerChars);

}  // namespace velmo
