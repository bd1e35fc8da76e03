// What a server's TLS certificate tells an administrator. The module's
// requests accept a certificate that names another host or is out of date
// (it asks WinINet to ignore both), so only this check tells. Pure code.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "doctor_report.h"

namespace otpadmin::doctor {

constexpr int64_t kCertificateWarnSeconds = 14 * 86400;  // expiring within two weeks

struct CertificateFacts {
    std::vector<std::string> dnsNames;     // subjectAltName DNS entries
    std::vector<std::string> ipAddresses;  // subjectAltName IP entries, dotted
    std::string commonName;                // subject CN, counted only without any alternative name
    int64_t notBefore = 0;                 // seconds since 1970
    int64_t notAfter = 0;
};

// A DNS name against a certificate name: equal ignoring case, or a wildcard
// "*.example.com" standing for exactly one left-most label.
bool NameMatches(std::string_view host, std::string_view pattern);

// Whether the certificate names `host` (a DNS name or an IPv4 address).
bool CertificateNames(const CertificateFacts& facts, std::string_view host);

// "certificate for <names>, valid <from> to <until>".
std::string CertificateSummary(const CertificateFacts& facts);

// `check` is the service's check name; FAIL for another host's or an
// out-of-date certificate, WARN for one that expires soon.
Finding CertificateFinding(std::string check, std::string_view host, const CertificateFacts& facts, int64_t now);

}  // namespace otpadmin::doctor
