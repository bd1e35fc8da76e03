#include "ads_path.h"

#include "wide_text.h"

namespace velmo::adap {

namespace {

bool IsHostCharacter(wchar_t c) {
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') || c == L'.' ||
           c == L'-' || c == L'_';
}

// Position of the first "/" that no backslash escapes, or npos.
size_t FirstPlainSlash(std::wstring_view text) {
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'\\') ++i;
        else if (text[i] == L'/') return i;
    }
    return std::wstring_view::npos;
}

}  // namespace

std::optional<ServerAddress> ParseServer(std::wstring_view text) {
    ServerAddress server;
    const size_t colon = text.find(L':');
    const std::wstring_view host = text.substr(0, colon);
    if (host.empty() || host.size() > kMaxHostLength) return std::nullopt;
    for (wchar_t c : host)
        if (!IsHostCharacter(c)) return std::nullopt;
    server.host.assign(host);
    if (colon == std::wstring_view::npos) return server;
    const std::wstring_view port = text.substr(colon + 1);
    if (port.size() > 5) return std::nullopt;
    uint32_t number = 0;
    for (wchar_t c : port) {
        if (c < L'0' || c > L'9') return std::nullopt;
        number = number * 10 + static_cast<uint32_t>(c - L'0');
    }
    if (number == 0 || number > 65535) return std::nullopt;
    server.port = static_cast<uint16_t>(number);
    return server;
}

std::optional<AdsPath> ParseAdsPath(std::wstring_view path) {
    if (path.size() > kMaxPathLength || !path.starts_with(kPathPrefix)) return std::nullopt;
    std::wstring_view rest = path.substr(kPathPrefix.size());
    if (rest.empty()) return std::nullopt;
    AdsPath result;
    const size_t slash = FirstPlainSlash(rest);
    if (slash != std::wstring_view::npos) {
        auto server = ParseServer(rest.substr(0, slash));
        if (!server) return std::nullopt;
        result.server = *server;
        rest = rest.substr(slash + 1);
    }
    for (size_t i = 0; i < rest.size(); ++i) {
        if (rest[i] == L'\\' && i + 1 < rest.size() && rest[i + 1] == L'/') ++i;
        result.dn += rest[i];
    }
    if (EqualsNoCase(result.dn, L"rootDSE")) result.dn.clear();
    return result;
}

std::wstring PathOfObject(std::wstring_view dn) {
    std::wstring path(kPathPrefix);
    for (size_t i = 0; i < dn.size(); ++i) {
        if (dn[i] == L'\\' && i + 1 < dn.size()) {
            path += dn.substr(i, 2);
            ++i;
            continue;
        }
        if (dn[i] == L'/') path += L'\\';
        path += dn[i];
    }
    return path;
}

}  // namespace velmo::adap
