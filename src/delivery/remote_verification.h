// Remote verification: the "URL" template's service decides a code.
#pragma once

#include <cstddef>
#include <string>

namespace velmo {

// Room of the answer text in both callers (code verification, settings dialog).
constexpr size_t kRemoteAnswerSize = 450;

// Result codes of verifyOTP_Web.
constexpr int kRemoteConfirmed = 0;
constexpr int kRemoteNoStatus = 1;     // no "status": true member
constexpr int kRemoteNoValue = 2;      // status true, no "value": true after it
constexpr int kRemoteNetworkError = 101;
constexpr int kRemoteBadTemplate = -2; // neither %user% nor %pass% in "URL"

// The "URL" text, and whether it switches verification to the service (it
// does when it is longer than 5 characters).
std::string RemoteVerificationUrl();
bool RemoteVerificationConfigured();

// Sends user name and code to the "URL" template service and reads its JSON
// answer. `answer` (room `answerSize`) receives the start of the response or
// an error text. Returns one of the codes above.
int verifyOTP_Web(const char* userName, const char* codeText, char* answer, size_t answerSize);

}  // namespace velmo
