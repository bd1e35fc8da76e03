// Delivery through an HTTP gateway: a GET on the filled URL template, or the
// Twilio form (a POST with Basic authentication).
#include "common/secure_wipe.h"
#include "common/text.h"
#include "common/trace.h"
#include "common/trace_mask.h"
#include "delivery/delivery.h"
#include "delivery/delivery_channels.h"
#include "delivery/delivery_texts.h"
#include "delivery/gateway_form.h"
#include "delivery/url_template.h"
#include "http/generic_http_client.h"

namespace velmo {

namespace {

int ReportAnswer(const GenericHTTPClient& client, size_t answerChars, char* status, size_t statusSize) {
    const std::string text = GatewayStatusText(client.GetResponseBody(), answerChars);
    const std::string_view answer = std::string_view(text).substr(sizeof kDeliveryStatusPrefix - 1);
    TraceLog("Result: %.*s", static_cast<int>(answer.size()), answer.data());
    CopyText(status, statusSize, text);
    return kDeliveryRan;
}

int SendGet(GenericHTTPClient& client, const char* gateway, const char* destination, const char* codeText,
            char* status, size_t statusSize) {
    char url[kFilledUrlSize];
    CopyText(url, FillTemplate(gateway, kPhonePlaceholder, destination, kCodePlaceholder, codeText));
    if (!client.RequestOfURI(url, HttpGet)) {
        TraceLog("GET err %s %s", client.LastErrorText(),
                 TracedFilledUrl(gateway, kPhonePlaceholder, destination, kCodePlaceholder, codeText).c_str());
        CopyText(status, statusSize, kNetworkErrorText);
        return kDeliveryFailed;
    }
    return ReportAnswer(client, kGetAnswerChars, status, statusSize);
}

int SendTwilioForm(GenericHTTPClient& client, const char* gateway, const char* param, const char* destination,
                   const char* codeText, char* status, size_t statusSize) {
    const TwilioForm form = MakeTwilioForm(gateway, destination, codeText);
    if (!TwilioCredentialsUsable(View(param))) {
        CopyText(status, statusSize, kTwilioHelpText);
        return kDeliveryFailed;
    }
    std::string authorization = BasicAuthorizationHeader(param);
    const WipeOnExit wipeAuthorization(authorization);
    client.SetExtraHeader(authorization);
    char body[kTwilioFormBodySize];
    CopyText(body, form.body);
    TraceLog("Url args %s", TraceMaskingOn() ? MakeTwilioForm(gateway, destination, kTraceMark).body.c_str() : body);
    TraceLog("auth %s", Masked(authorization.c_str()));
    client.AddPostArgument("", body);  // an empty name posts the text as the whole body

    char url[kFilledUrlSize];
    CopyText(url, form.url);
    if (!client.RequestOfURI(url, HttpPost)) {
        TraceLog("Http Request err %s %s", client.LastErrorText(), TracedUrl(url).c_str());
        CopyText(status, statusSize, kNetworkErrorText);
        return kDeliveryFailed;
    }
    return ReportAnswer(client, kTwilioAnswerChars, status, statusSize);
}

}  // namespace

int SendByHttp(const char* gateway, const char* gatewayParam, const char* destination, const char* userName,
               const char* codeText, char* status, size_t statusSize) {
    GenericHTTPClient client;
    client.ClearPostArguments();
    client.SetAgent("Velmo");
    TraceLog("Send by HTTP: %s %s", TracedUrl(gateway).c_str(), userName);
    if (IsTwilioGateway(gateway))
        return SendTwilioForm(client, gateway, gatewayParam, destination, codeText, status, statusSize);
    return SendGet(client, gateway, destination, codeText, status, statusSize);
}

}  // namespace velmo
