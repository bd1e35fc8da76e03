// The rules of doctor's domain checks: the OTP service's public key as the
// workstations hold it, and what requests left in CN=SelfEnrolls say about
// the service. Pure code.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "doctor_report.h"

namespace otpadmin::doctor {

// A request younger than this may still be answered.
constexpr int64_t kRequestInFlightSeconds = 10;
// Unanswered requests this recent mean the service is not answering now.
constexpr int64_t kRecentRequestSeconds = 3600;

struct EnrolRequest {
    int64_t posted = 0;      // "kvTime", seconds since 1970; 0 unreadable
    size_t replyLength = 0;  // characters of "kvReplyToken"
};

// "kvTime" (lowercase hexadecimal of the low 32 bits of the posting time) as
// the latest such time not after `now`; 0 when it is not such a text.
int64_t PostedTime(std::u16string_view kvTime, int64_t now);

Finding RequestsFinding(const std::vector<EnrolRequest>& requests, int64_t now);

// "serverPublicKey" as the companion library takes it (present is checked
// by the caller).
Finding ServerKeyFinding(std::string_view key);

}  // namespace otpadmin::doctor
