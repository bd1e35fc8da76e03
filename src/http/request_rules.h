// The decisions of GenericHTTPClient that need no WinINet: which request
// goes out, with which header block, through which proxy. Pure code.
#pragma once

#include <string>
#include <string_view>

namespace velmo {

// Method codes of RequestOfURI; any other value sends a GET.
enum HttpMethod : int { HttpGet = 1, HttpPost = 2, HttpPostMultipart = 3 };

// TLS is used when the URL holds "https:" anywhere (case-sensitive).
bool IsSecureUrl(std::string_view url);

// What the request line names: a GET the path, "?" and the query, the "?"
// even with an empty query; a POST the path alone.
std::string RequestObjectName(int method, std::string_view path, std::string_view query);

// The header block sent with a GET: the caller's GET headers when they hold
// two characters or more, else "Content-Type: text/html\r\n".
std::string_view GetHeaderBlock(std::string_view getHeaders);

// A proxy server text shorter than 5 characters means a direct connection;
// a proxy user name shorter than 2 characters means no credentials.
bool UsesProxyServer(std::string_view server);
bool SetsProxyCredentials(std::string_view user);

}  // namespace velmo
