#include "http/url_parts.h"

#include <algorithm>

#include "common/text.h"

namespace velmo {

namespace {

constexpr std::string_view kDefaultScheme = "http";
constexpr size_t kSchemeSeparatorLength = 3;  // "://"

// The port text as the 16-bit INTERNET_PORT holds it: digits up to the first
// non-digit, wrapped to 16 bits. Text without digits gives 0, which WinINet
// replaces by the default port of the service.
uint16_t PortNumber(std::string_view text) { return static_cast<uint16_t>(ParseUnsignedDecimal(text)); }

}  // namespace

void ParseURL(std::string_view url, UrlParts& parts, char* query, size_t querySize) {
    size_t hostStart = 0;
    std::string_view scheme = kDefaultScheme;
    const size_t colon = url.find(':');
    if (colon != std::string_view::npos && colon + 1 < url.size() && url[colon + 1] == '/') {
        scheme = url.substr(0, colon);
        hostStart = std::min(colon + kSchemeSeparatorLength, url.size());
    }
    CopyText(parts.scheme, scheme);

    const size_t slash = url.find('/', hostStart);
    const std::string_view hostPart = url.substr(hostStart, slash == std::string_view::npos ? url.npos : slash - hostStart);
    const size_t portColon = hostPart.find(':');
    if (portColon != std::string_view::npos) {
        CopyText(parts.host, hostPart.substr(0, portColon));
        parts.port = PortNumber(hostPart.substr(portColon + 1));
    } else {
        CopyText(parts.host, hostPart);
        parts.port = scheme == "https" ? kHttpsPort : kHttpPort;
    }

    if (slash == std::string_view::npos) {
        parts.path[0] = '\0';
        return;
    }
    std::string_view path = url.substr(slash);
    const size_t question = path.find('?');
    if (question != std::string_view::npos) {
        CopyText(query, querySize, path.substr(question + 1), kQueryMaxChars);
        path = path.substr(0, question);
    }
    CopyText(parts.path, path);
}

}  // namespace velmo
