// GenericHTTPClient::OpenConnection: the WinINet session (direct or through
// the configured proxy) and the connection to the host.
#include "common/text.h"
#include "common/trace.h"
#include "http/generic_http_client.h"

namespace velmo {

bool GenericHTTPClient::OpenConnection(const char* host, uint16_t port) {
    if (UsesProxyServer(proxyServer_)) {
        internet_.reset(InternetOpenA(agent_, INTERNET_OPEN_TYPE_PROXY, proxyServer_, proxyBypass_, 0));
        TraceLog("InternetOpen, proxy: %s, %s", proxyServer_, proxyBypass_);
    } else {
        internet_.reset(InternetOpenA(agent_, INTERNET_OPEN_TYPE_PRECONFIG, "", "", 0));
    }
    if (!internet_) {
        Fail(GetLastError(), "InternetOpen %d");
        return false;
    }

    connection_.reset(InternetConnectA(internet_.get(), host, port, nullptr, nullptr, INTERNET_SERVICE_HTTP,
                                       INTERNET_FLAG_KEEP_CONNECTION | INTERNET_FLAG_NO_CACHE_WRITE, 0));
    if (!connection_) {
        Fail(GetLastError(), "InternetConnect %d");
        internet_.reset();
        return false;
    }

    if (SetsProxyCredentials(proxyUser_)) {
        const size_t userLength = View(proxyUser_).size();
        const size_t passwordLength = View(proxyPassword_).size();
        InternetSetOptionA(connection_.get(), INTERNET_OPTION_PROXY_USERNAME, proxyUser_,
                           static_cast<DWORD>(userLength + 1));
        InternetSetOptionA(connection_.get(), INTERNET_OPTION_PROXY_PASSWORD, proxyPassword_,
                           static_cast<DWORD>(passwordLength + 1));
        TraceLog("InternetSetOption, user: %s, %d", proxyUser_, static_cast<int>(passwordLength));
    }

    if (const DWORD rc = InternetAttemptConnect(0); rc != ERROR_SUCCESS) {
        Fail(rc, "InternetAttemptConnect %d");
        connection_.reset();
        internet_.reset();
        return false;
    }
    return true;
}

}  // namespace velmo
