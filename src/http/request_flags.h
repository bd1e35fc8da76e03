// WinINet request flags and the Accept header shared by the three send steps.
// Each step adds INTERNET_FLAG_SECURE for https URLs.
#pragma once

#include <windows.h>
#include <wininet.h>

namespace velmo {

inline constexpr char kAcceptHeader[] = "Accept: */*\r\n";

// Certificate name and date errors and redirects between http and https are
// accepted on every request.
constexpr DWORD kGetRequestFlags = INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_KEEP_CONNECTION |
                                   INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTP | INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTPS |
                                   INTERNET_FLAG_IGNORE_CERT_DATE_INVALID | INTERNET_FLAG_IGNORE_CERT_CN_INVALID;
constexpr DWORD kPostRequestFlags =
    kGetRequestFlags | INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_COOKIES | INTERNET_FLAG_FORMS_SUBMIT;
constexpr DWORD kMultipartRequestFlags = kGetRequestFlags | INTERNET_FLAG_FORMS_SUBMIT;

}  // namespace velmo
