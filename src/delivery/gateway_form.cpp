#include "delivery/gateway_form.h"

#include <cstdint>
#include <vector>

#include "common/secure_wipe.h"
#include "common/text.h"
#include "delivery/delivery_texts.h"
#include "delivery/url_template.h"
#include "settings/base64.h"

namespace velmo {

bool IsScriptGateway(std::string_view gateway) { return !Contains(gateway, "http") && Contains(gateway, ".ps1"); }

bool IsTwilioGateway(std::string_view gateway) { return Contains(gateway, "twilio"); }

TwilioForm MakeTwilioForm(std::string_view gateway, std::string_view destination, std::string_view code) {
    TwilioForm form{std::string(gateway), "Bad-Velmo-SettingsUrl"};
    const size_t question = gateway.find('?');
    if (question != std::string_view::npos) {
        form.body = FillTemplate(gateway.substr(question + 1), kPhonePlaceholder, destination, kCodePlaceholder, code);
        form.url = gateway.substr(0, question);
    }
    return form;
}

bool TwilioCredentialsUsable(std::string_view param) { return param.size() >= kMinTwilioParamLength; }

std::string BasicAuthorizationHeader(std::string_view param) {
    std::vector<char> encoded(Base64EncodedSize(param.size()));
    const WipeOnExit wipeEncoded(encoded);
    int32_t length = static_cast<int32_t>(param.size());
    if (!Base64Encode(reinterpret_cast<const uint8_t*>(param.data()), encoded.data(), encoded.size(), length))
        return {};
    // Room for all of it first: a growing string would leave copies behind.
    std::string header = "Authorization: Basic ";
    header.reserve(header.size() + encoded.size());
    return header.append(encoded.data());
}

std::string GatewayStatusText(std::string_view answer, size_t answerChars) {
    return kDeliveryStatusPrefix + std::string(answer.substr(0, answerChars));
}

}  // namespace velmo
