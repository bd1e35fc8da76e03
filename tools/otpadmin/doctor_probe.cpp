#include "doctor_probe.h"

#include <windows.h>
// After windows.h:
#include <wincrypt.h>
#include <wininet.h>

#include <cstring>
#include <memory>

#include "common/text.h"
#include "http/generic_http_client.h"
#include "http/request_flags.h"
#include "http/request_rules.h"
#include "http/url_parts.h"
#include "http/wininet_handle.h"

namespace otpadmin::doctor {

namespace {

constexpr DWORD kNameRoom = 256;
// INTERNET_OPTION_SERVER_CERT_CHAIN_CONTEXT: the server's certificate chain
// (mingw's wininet.h does not name it).
constexpr DWORD kServerCertChainOption = 105;
constexpr size_t kIpv4Bytes = 4;

int64_t UnixSeconds(const FILETIME& t) {
    const uint64_t ticks = (uint64_t{t.dwHighDateTime} << 32) | t.dwLowDateTime;
    return static_cast<int64_t>(ticks / 10000000ULL) - 11644473600LL;
}

std::string Narrow(const wchar_t* wide) {
    char text[kNameRoom] = {};
    if (wide) WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text - 1, nullptr, nullptr);
    return text;
}

void AlternativeNames(PCCERT_CONTEXT cert, CertificateFacts& facts) {
    const CERT_INFO* info = cert->pCertInfo;
    const CERT_EXTENSION* extension = CertFindExtension(szOID_SUBJECT_ALT_NAME2, info->cExtension, info->rgExtension);
    CERT_ALT_NAME_INFO* names = nullptr;
    DWORD size = 0;
    if (!extension || !CryptDecodeObjectEx(X509_ASN_ENCODING, X509_ALTERNATE_NAME, extension->Value.pbData,
                                           extension->Value.cbData, CRYPT_DECODE_ALLOC_FLAG, nullptr, &names, &size))
        return;
    for (DWORD i = 0; i < names->cAltEntry; ++i) {
        const CERT_ALT_NAME_ENTRY& entry = names->rgAltEntry[i];
        if (entry.dwAltNameChoice == CERT_ALT_NAME_DNS_NAME) {
            facts.dnsNames.push_back(Narrow(entry.pwszDNSName));
        } else if (entry.dwAltNameChoice == CERT_ALT_NAME_IP_ADDRESS && entry.IPAddress.cbData == kIpv4Bytes) {
            const BYTE* ip = entry.IPAddress.pbData;
            facts.ipAddresses.push_back(velmo::Format("%u.%u.%u.%u", ip[0], ip[1], ip[2], ip[3]));
        }
    }
    LocalFree(names);
}

struct ChainFree {
    void operator()(PCCERT_CHAIN_CONTEXT chain) const { CertFreeCertificateChain(chain); }
};

// The server's own certificate, the first of the chain WinINet built.
std::optional<CertificateFacts> CertificateOf(HINTERNET request) {
    PCCERT_CHAIN_CONTEXT raw = nullptr;
    DWORD size = sizeof raw;
    if (!InternetQueryOptionA(request, kServerCertChainOption, &raw, &size) || !raw) return std::nullopt;
    const std::unique_ptr<const CERT_CHAIN_CONTEXT, ChainFree> chain(raw);
    if (chain->cChain == 0 || chain->rgpChain[0]->cElement == 0) return std::nullopt;
    PCCERT_CONTEXT cert = chain->rgpChain[0]->rgpElement[0]->pCertContext;
    CertificateFacts facts;
    char commonName[kNameRoom] = {};
    CertGetNameStringA(cert, CERT_NAME_ATTR_TYPE, 0, const_cast<char*>(szOID_COMMON_NAME), commonName,
                       sizeof commonName);
    facts.commonName = commonName;
    facts.notBefore = UnixSeconds(cert->pCertInfo->NotBefore);
    facts.notAfter = UnixSeconds(cert->pCertInfo->NotAfter);
    AlternativeNames(cert, facts);
    return facts;
}

}  // namespace

ProbeResult ProbeOrigin(const std::string& origin) {
    ProbeResult result;
    velmo::UrlParts parts;
    char query[velmo::kQuerySize] = {};
    velmo::ParseURL(origin, parts, query, sizeof query);
    const bool secure = std::strcmp(parts.scheme, "https") == 0;

    // The proxy settings exactly as the module's client reads them.
    const velmo::GenericHTTPClient settings;
    const bool proxy = velmo::UsesProxyServer(settings.ProxyServer());
    if (proxy) result.proxy = settings.ProxyServer();
    velmo::UniqueHinternet internet(
        proxy ? InternetOpenA("Velmo", INTERNET_OPEN_TYPE_PROXY, settings.ProxyServer(), settings.ProxyBypass(), 0)
              : InternetOpenA("Velmo", INTERNET_OPEN_TYPE_PRECONFIG, "", "", 0));
    if (!internet) {
        result.error = GetLastError();
        return result;
    }
    DWORD timeout = kProbeTimeoutMs;
    for (DWORD option :
         {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT})
        InternetSetOptionA(internet.get(), option, &timeout, sizeof timeout);
    velmo::UniqueHinternet connection(
        InternetConnectA(internet.get(), parts.host, parts.port, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0));
    if (!connection) {
        result.error = GetLastError();
        return result;
    }
    if (velmo::SetsProxyCredentials(settings.ProxyUser())) {
        InternetSetOptionA(connection.get(), INTERNET_OPTION_PROXY_USERNAME, const_cast<char*>(settings.ProxyUser()),
                           static_cast<DWORD>(std::strlen(settings.ProxyUser()) + 1));
        InternetSetOptionA(connection.get(), INTERNET_OPTION_PROXY_PASSWORD,
                           const_cast<char*>(settings.ProxyPassword()),
                           static_cast<DWORD>(std::strlen(settings.ProxyPassword()) + 1));
    }
    const char* accept[] = {"*/*", nullptr};
    const DWORD flags = velmo::kGetRequestFlags | INTERNET_FLAG_RELOAD | (secure ? INTERNET_FLAG_SECURE : 0);
    velmo::UniqueHinternet request(HttpOpenRequestA(connection.get(), "GET", "/", "HTTP/1.0", "", accept, flags, 0));
    if (!request) {
        result.error = GetLastError();
        return result;
    }
    result.answered = HttpSendRequestA(request.get(), nullptr, 0, nullptr, 0) != FALSE;
    if (!result.answered) result.error = GetLastError();
    if (secure) result.certificate = CertificateOf(request.get());
    if (!result.answered) return result;
    char date[kNameRoom] = {};
    DWORD size = sizeof date - 1;
    if (HttpQueryInfoA(request.get(), HTTP_QUERY_DATE, date, &size, nullptr)) result.date.assign(date, size);
    return result;
}

}  // namespace otpadmin::doctor
