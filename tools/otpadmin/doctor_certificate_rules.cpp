#include "doctor_certificate_rules.h"

#include "common/text.h"
#include "doctor_network_rules.h"

namespace otpadmin::doctor {

namespace {

bool EqualNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && velmo::FindNoCase(a, b) == 0;
}

bool IsIpv4(std::string_view host) {
    int dots = 0;
    for (char c : host) {
        if (c == '.')
            ++dots;
        else if (c < '0' || c > '9')
            return false;
    }
    return dots == 3;
}

std::string NameList(const CertificateFacts& facts) {
    std::string names;
    for (const auto* list : {&facts.dnsNames, &facts.ipAddresses})
        for (const auto& n : *list) names += (names.empty() ? "" : ", ") + n;
    return names.empty() ? "CN=" + facts.commonName : names;
}

}  // namespace

bool NameMatches(std::string_view host, std::string_view pattern) {
    if (pattern.substr(0, 2) != "*.") return EqualNoCase(host, pattern);
    const size_t dot = host.find('.');
    return dot != std::string_view::npos && dot > 0 && EqualNoCase(host.substr(dot + 1), pattern.substr(2));
}

bool CertificateNames(const CertificateFacts& facts, std::string_view host) {
    if (IsIpv4(host)) {
        for (const auto& ip : facts.ipAddresses)
            if (ip == host) return true;
        return facts.dnsNames.empty() && facts.ipAddresses.empty() && facts.commonName == host;
    }
    for (const auto& name : facts.dnsNames)
        if (NameMatches(host, name)) return true;
    return facts.dnsNames.empty() && facts.ipAddresses.empty() && NameMatches(host, facts.commonName);
}

std::string CertificateSummary(const CertificateFacts& facts) {
    return velmo::Format("certificate for %s, valid %s to %s", NameList(facts).c_str(),
                         UtcText(facts.notBefore).c_str(), UtcText(facts.notAfter).c_str());
}

Finding CertificateFinding(std::string check, std::string_view host, const CertificateFacts& facts, int64_t now) {
    const std::string found = CertificateSummary(facts);
    constexpr char kRenew[] =
        "renew the server's certificate: the module goes on accepting one that is out of date, so nothing else tells";
    if (!CertificateNames(facts, host))
        return Fail(check, found + velmo::Format(", not for %.*s", static_cast<int>(host.size()), host.data()),
                    "give the server a certificate for the name the URL uses: the module does not check the name, "
                    "so a server with any trusted certificate could answer in its place");
    if (now < facts.notBefore) return Fail(check, found + ", not valid yet", kRenew);
    if (now > facts.notAfter) return Fail(check, found + ", expired", kRenew);
    if (facts.notAfter - now < kCertificateWarnSeconds) return Warn(check, found + ", expires soon", kRenew);
    return Ok(check, found);
}

}  // namespace otpadmin::doctor
