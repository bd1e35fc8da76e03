// One plain request to a server's origin ("/"), the way the module's client
// reaches servers (WinINet, the proxy settings, certificate name and date
// errors ignored), which reports what the module's requests cannot: the
// server's Date header and its TLS certificate. Nothing of a user goes out.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "doctor_certificate_rules.h"

namespace otpadmin::doctor {

constexpr uint32_t kProbeTimeoutMs = 10000;

struct ProbeResult {
    bool answered = false;  // an HTTP answer came, whatever its status
    uint32_t error = 0;     // WinINet's error when not
    std::string date;       // the answer's Date header
    std::optional<CertificateFacts> certificate;
    std::string proxy;  // the proxy server used, empty for a direct connection
};

// `origin` as OriginOf() gives it.
ProbeResult ProbeOrigin(const std::string& origin);

}  // namespace otpadmin::doctor
