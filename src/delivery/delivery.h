// Code delivery: SMS/e-mail gateway URL templates, the Twilio form and the
// PowerShell delivery script, chosen by the "SMS-Gate" value.
#pragma once

#include <cstddef>

namespace velmo {

constexpr int kDeliveryRan = 0;
constexpr int kDeliveryFailed = 101;

// Delivers `codeText` to `destination` for `userName`. `status` (room
// `statusSize`) receives "SMS delivery status: " and the gateway's answer,
// the script's "PSStatus" text, or an error text. Returns kDeliveryRan when
// the request or script ran (the caller still checks the success marker) and
// kDeliveryFailed otherwise.
int SendOtpCode(const char* destination, const char* userName, const char* codeText, char* status,
                size_t statusSize);

}  // namespace velmo
