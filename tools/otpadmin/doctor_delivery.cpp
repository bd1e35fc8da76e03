// Delivery and remote verification as configured: the channel, the script
// and PowerShell where script delivery looks for it, the gateway's and the
// verification service's servers (reached at their origin only), the proxy.
#include <windows.h>

#include "common/clock.h"
#include "common/system_folder.h"
#include "common/text.h"
#include "delivery/gateway_form.h"
#include "delivery/remote_verification.h"
#include "delivery/script_runner.h"
#include "doctor_checks.h"
#include "doctor_network_rules.h"
#include "doctor_probe.h"
#include "http/generic_http_client.h"
#include "http/request_rules.h"
#include "http/url_parts.h"
#include "settings/registry.h"

namespace otpadmin::doctor {

namespace {

using velmo::Format;

bool IsFile(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsLoopback(std::string_view host) { return host == "localhost" || host.substr(0, 4) == "127."; }

// A server the module sends requests to, asked at its origin.
void CheckServer(Context& c, const char* check, const std::string& url) {
    const std::string origin = OriginOf(url);
    if (origin.empty()) {
        c.Add(Fail(check, "the URL names no host", "correct the URL"));
        return;
    }
    const ProbeResult probe = ProbeOrigin(origin);
    const std::string via = probe.proxy.empty() ? "" : " through the proxy " + probe.proxy;
    if (!probe.answered) {
        const bool tls = IsCertificateFailure(probe.error);
        std::string found = Format("%s%s: %s", origin.c_str(), via.c_str(), RequestFailureText(probe.error).c_str());
        if (probe.certificate && tls) found += "; " + CertificateSummary(*probe.certificate);
        c.Add(Fail(check, found,
                   tls ? "let this machine trust the certificate's issuer (the Local Machine's Trusted Root store)"
                       : "check the address, the firewall and the proxy settings (HKLM\\SOFTWARE\\Velmo ProxyServer)"));
        return;
    }
    if (!probe.date.empty()) c.serverDates.emplace_back(origin, probe.date);
    velmo::UrlParts parts;
    char query[velmo::kQuerySize] = {};
    velmo::ParseURL(origin, parts, query, sizeof query);
    const std::string answered = origin + " answered" + via;
    if (!velmo::IsSecureUrl(origin)) {
        if (IsLoopback(parts.host))
            c.Add(Ok(check, answered + " (plain HTTP on this machine)"));
        else
            c.Add(Warn(check, answered + " over plain HTTP: user names, numbers and codes travel unencrypted",
                       "use the service's https:// address"));
        return;
    }
    if (!probe.certificate) {
        c.Add(Warn(check, answered + " over TLS; its certificate could not be read", "check it in a browser"));
        return;
    }
    Finding f = CertificateFinding(check, parts.host, *probe.certificate, velmo::UnixNow());
    f.found = answered + " over TLS; " + f.found;
    c.Add(std::move(f));
}

void CheckPowerShell(Context& c) {
    const std::string system = velmo::SystemProgramPath(velmo::kPowerShellInSystemFolder);
    if (IsFile(system)) {
        c.Add(Ok("powershell", system));
        return;
    }
    const std::string product = c.productFolder + velmo::kPowerShellName;
    char found[MAX_PATH] = {};
    if (IsFile(product) || SearchPathA(nullptr, velmo::kPowerShellName, nullptr, MAX_PATH, found, nullptr)) {
        c.Add(Warn("powershell",
                   Format("not at %s; script delivery would start %s", system.c_str(),
                          IsFile(product) ? product.c_str() : found),
                   "install Windows PowerShell in the system folder: a powershell.exe found by name runs whatever "
                   "lies first on the search path"));
        return;
    }
    c.Add(Fail("powershell", Format("not at %s, not in the product folder, not on the search path", system.c_str()),
               "install Windows PowerShell: without it no code is delivered and SMS and e-mail users cannot log on"));
}

// True when the channel is an HTTP gateway.
bool CheckGateway(Context& c) {
    const std::string gateway = velmo::ReadRegText(velmo::RegRoot::LocalMachine, velmo::kOtpModuleKey, "SMS-Gate",
                                                   static_cast<uint32_t>(velmo::kGatewayTextSize));
    if (velmo::IsScriptGateway(gateway)) {
        c.Add(Ok("delivery", Format("by the script %s (\"SMS-Gate\")", gateway.c_str())));
        const std::string script = c.productFolder + gateway;
        if (IsFile(script))
            c.Add(Ok("script", script));
        else
            c.Add(Fail("script", Format("%s does not exist", script.c_str()),
                       "put the delivery script into the product folder (\"VelmoPath\")"));
        CheckPowerShell(c);
        return false;
    }
    const std::string origin = OriginOf(gateway);
    const bool twilio = velmo::IsTwilioGateway(gateway);
    c.Add(Ok("delivery", Format("by the %s gateway at %s (\"SMS-Gate\")", twilio ? "Twilio" : "HTTP",
                                origin.empty() ? "?" : origin.c_str())));
    if (twilio) {
        const std::string param = velmo::ReadRegText(velmo::RegRoot::LocalMachine, velmo::kOtpModuleKey,
                                                     "SMS-Gate-Param", static_cast<uint32_t>(velmo::kGatewayParamSize));
        if (!velmo::TwilioCredentialsUsable(param))
            c.Add(Fail("gateway account", "\"SMS-Gate-Param\" holds no account and token",
                       "store \"ACxxxxxxxx:token\" as \"SMS-Gate-Param\""));
    } else if (!velmo::Contains(gateway, velmo::kPhonePlaceholder) ||
               !velmo::Contains(gateway, velmo::kCodePlaceholder)) {
        c.Add(Warn("gateway", "the template lacks %phone% or %text%", "put both placeholders into \"SMS-Gate\""));
    }
    CheckServer(c, "gateway", gateway);
    return true;
}

void CheckProxy(Context& c) {
    const velmo::GenericHTTPClient settings;
    if (!velmo::UsesProxyServer(settings.ProxyServer())) {
        c.Add(Ok("proxy", "none set: WinINet's own settings for this account"));
        return;
    }
    std::string found = Format("%s (bypass \"%s\")", settings.ProxyServer(), settings.ProxyBypass());
    if (!velmo::SetsProxyCredentials(settings.ProxyUser())) {
        c.Add(Ok("proxy", found + ", no account"));
        return;
    }
    found += Format(", account %s", settings.ProxyUser());
    if (settings.ProxyPassword()[0] == '\0')
        c.Add(Warn("proxy", found + " without a password", "set \"ProxyServerPwd\" or remove \"ProxyServerUser\""));
    else
        c.Add(Ok("proxy", found + " with a password (stored in plain text)"));
}

}  // namespace

void CheckDelivery(Context& c) {
    bool http = false;
    if (velmo::RemoteVerificationConfigured()) {
        const std::string url = velmo::RemoteVerificationUrl();
        if (!velmo::Contains(url, "%user%") && !velmo::Contains(url, "%pass%"))
            c.Add(Fail("verification", "\"URL\" holds neither %user% nor %pass%: every code is refused",
                       "correct \"URL\", or delete it to verify codes on this machine"));
        CheckServer(c, "verification", url);
        http = true;
    }
    if (c.smsUsers && CheckGateway(c)) http = true;
    if (http) CheckProxy(c);
}

void CheckClock(Context& c, const std::string& url) {
    std::string server, date;
    if (!url.empty()) {
        const std::string origin = OriginOf(url);
        const ProbeResult probe = origin.empty() ? ProbeResult{} : ProbeOrigin(origin);
        if (!probe.answered) {
            c.Add(Fail(
                "clock",
                Format("%s: %s", url.c_str(), origin.empty() ? "no host" : RequestFailureText(probe.error).c_str()),
                "give a URL of a server this machine reaches"));
            return;
        }
        server = origin;
        date = probe.date;
    } else if (!c.serverDates.empty()) {
        server = c.serverDates.front().first;
        date = c.serverDates.front().second;
    } else {
        if (c.totpUsers)
            c.Add(Warn("clock", "no configured server to compare this clock with",
                       "run otpadmin doctor --url https://a-server-you-trust/"));
        return;
    }
    const auto seconds = HttpDateSeconds(date);
    if (!seconds) {
        c.Add(Warn("clock", Format("%s sent no usable Date header", server.c_str()),
                   "run otpadmin doctor --url https://a-server-you-trust/"));
        return;
    }
    c.Add(ClockFinding(server, *seconds - velmo::UnixNow(), c.shortestStep));
}

}  // namespace otpadmin::doctor
