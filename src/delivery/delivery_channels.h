// The two delivery channels behind SendOtpCode. Each fills the caller's
// status text and returns kDeliveryRan or kDeliveryFailed.
#pragma once

#include <cstddef>

namespace velmo {

// "SMS-Gate" is a URL template: a GET, or the Twilio form for Twilio URLs.
int SendByHttp(const char* gateway, const char* gatewayParam, const char* destination, const char* userName,
               const char* codeText, char* status, size_t statusSize);

// "SMS-Gate" names a PowerShell script in the product folder.
int SendByScript(const char* scriptName, const char* destination, const char* userName, const char* codeText,
                 char* status, size_t statusSize);

}  // namespace velmo
