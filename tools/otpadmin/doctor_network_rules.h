// The rules of doctor's network checks: which origin a configured URL is
// asked at, what a server's Date header says, how far this clock may be off,
// and what a failed request means. Pure code.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "doctor_report.h"

namespace otpadmin::doctor {

// "scheme://host:port/" of `url`, split the way the module's HTTP client
// splits it; empty when there is no host or the host holds a placeholder.
// Only the origin is asked: never the template with its user and code.
std::string OriginOf(std::string_view url);

// Seconds since 1970 of an HTTP date ("Sun, 06 Nov 1994 08:49:37 GMT");
// nullopt for anything else.
std::optional<int64_t> HttpDateSeconds(std::string_view date);

// "2026-11-03 14:05 UTC".
std::string UtcText(int64_t seconds);

// This machine's clock against a server's: WARN from a quarter of a time
// step of offset, FAIL from a whole step (codes then fall outside the step
// they were made for). `offset` is server time minus local time.
Finding ClockFinding(std::string_view server, int64_t offset, int32_t stepSeconds);

// What a WinINet error of a request means, stage first ("TCP connection
// refused or unreachable (12029)").
std::string RequestFailureText(uint32_t error);
// The errors that come from the server's certificate.
bool IsCertificateFailure(uint32_t error);

}  // namespace otpadmin::doctor
