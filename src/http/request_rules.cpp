#include "http/request_rules.h"

#include "common/text.h"

namespace velmo {

namespace {

inline constexpr char kGetContentType[] = "Content-Type: text/html\r\n";
constexpr size_t kMinGetHeadersLength = 2;
constexpr size_t kMinProxyServerLength = 5;
constexpr size_t kMinProxyUserLength = 2;

}  // namespace

bool IsSecureUrl(std::string_view url) { return Contains(url, "https:"); }

std::string RequestObjectName(int method, std::string_view path, std::string_view query) {
    std::string name(path);
    if (method == HttpPost || method == HttpPostMultipart) return name;
    name += '?';
    name += query;
    return name;
}

std::string_view GetHeaderBlock(std::string_view getHeaders) {
    return getHeaders.size() >= kMinGetHeadersLength ? getHeaders : std::string_view(kGetContentType);
}

bool UsesProxyServer(std::string_view server) { return server.size() >= kMinProxyServerLength; }

bool SetsProxyCredentials(std::string_view user) { return user.size() >= kMinProxyUserLength; }

}  // namespace velmo
