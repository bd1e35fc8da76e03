// Splits a request URL into scheme, host, port, path and query the way the
// HTTP client addresses WinINet. Lenient by design: a URL without "://" is
// taken as "host[:port]/path" over plain http. Pure code.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace velmo {

constexpr size_t kUrlPartSize = 1024;  // scheme, host and path work buffers
constexpr size_t kQuerySize = 300;     // the client's query field
constexpr size_t kQueryMaxChars = 290;
constexpr uint16_t kHttpPort = 80;
constexpr uint16_t kHttpsPort = 443;

struct UrlParts {
    char scheme[kUrlPartSize] = {};
    char host[kUrlPartSize] = {};
    char path[kUrlPartSize] = {};
    uint16_t port = 0;
};

// Fills `parts` from `url`. The query (text after the first "?" of the path,
// at most 290 characters) goes into `query` (room `querySize`); a URL without
// a path or without "?" leaves `query` as it was.
void ParseURL(std::string_view url, UrlParts& parts, char* query, size_t querySize);

}  // namespace velmo
