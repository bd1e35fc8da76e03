// Object paths as callers name directory objects: "LDAP://", an optional
// "server[:port]/", then the object's distinguished name (in which a "/" is
// written "\/"). "rootDSE" as the name stands for the server's root entry.
// Pure code: no platform headers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace velmo::adap {

inline constexpr std::wstring_view kPathPrefix = L"LDAP://";
// Longer paths are refused: no directory name comes near it.
inline constexpr size_t kMaxPathLength = 2048;
inline constexpr size_t kMaxHostLength = 255;  // a DNS name

struct ServerAddress {
    std::wstring host;  // empty: none named
    uint16_t port = 0;  // 0: the standard port of the transport
};

struct AdsPath {
    ServerAddress server;
    std::wstring dn;  // empty: the root entry
};

// "host" or "host:port" with a DNS name or an IPv4 address and a port of
// 1-65535; nullopt for anything else.
std::optional<ServerAddress> ParseServer(std::wstring_view text);

// nullopt when `path` is not such a path.
std::optional<AdsPath> ParseAdsPath(std::wstring_view path);

// The path of an object on the caller's server: "LDAP://" and the name. The
// server is left out, so that a caller that puts its own server in front of
// every path can open it as it opens any other.
std::wstring PathOfObject(std::wstring_view dn);

}  // namespace velmo::adap
