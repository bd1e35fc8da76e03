// verifyOTP_Web: the "URL" template's service decides a code.
#include "delivery/remote_verification.h"

#include "common/text.h"
#include "common/trace.h"
#include "delivery/delivery_texts.h"
#include "delivery/url_template.h"
#include "delivery/verification_answer.h"
#include "http/generic_http_client.h"
#include "settings/registry.h"

namespace velmo {

namespace {

constexpr size_t kRemoteTriggerLength = 5;

}  // namespace

std::string RemoteVerificationUrl() {
    return ReadRegText(RegRoot::LocalMachine, kOtpModuleKey, "URL", static_cast<uint32_t>(kFilledUrlSize));
}

bool RemoteVerificationConfigured() { return RemoteVerificationUrl().size() > kRemoteTriggerLength; }

int verifyOTP_Web(const char* userName, const char* codeText, char* answer, size_t answerSize) {
    CopyText(answer, answerSize, "");
    if (!userName) userName = "";
    if (!codeText) codeText = "";
    char urlTemplate[kFilledUrlSize];
    ReadRegText(RegRoot::LocalMachine, kOtpModuleKey, "URL", urlTemplate, sizeof urlTemplate);

    GenericHTTPClient client;
    client.ClearPostArguments();
    client.SetAgent("Velmo");
    TraceLog("verifyOTP_Web Verify OTP by HTTP: %s %s", TracedUrl(urlTemplate).c_str(), userName);

    const std::string_view templ = urlTemplate;
    if (!Contains(templ, "%user%") && !Contains(templ, "%pass%")) {
        CopyText(answer, answerSize, kBadVerificationTemplateText);
        return kRemoteBadTemplate;
    }
    char url[kFilledUrlSize];
    CopyText(url, FillTemplate(templ, "%user%", userName, "%pass%", codeText));
    char shownUrl[kFilledUrlSize];
    CopyText(shownUrl, TracedFilledUrl(templ, "%user%", userName, "%pass%", codeText));

    if (!client.RequestOfURI(url, HttpGet)) {
        TraceLog("verifyOTP_Web GET err %s %s", client.LastErrorText(), shownUrl);
        CopyText(answer, answerSize, kNetworkErrorText);
        return kRemoteNetworkError;
    }
    char start[kVerificationAnswerChars + 1];
    CopyText(start, client.GetResponseBody(), kVerificationAnswerChars);
    TraceLog("verifyOTP_Web Result: %s", start);
    CopyText(answer, answerSize, start);

    const int result = ScanVerificationAnswer(start);
    if (result == kRemoteNoStatus) TraceLog("verifyOTP_Web wrong OTP: %s", shownUrl);
    if (result == kRemoteNoValue) TraceLog("verifyOTP_Web wrong OTP2: %s", shownUrl);
    return result;
}

}  // namespace velmo
