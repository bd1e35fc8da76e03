// GenericHTTPClient: choosing the send step, and the GET and form/JSON POST
// steps.
#include <cstring>
#include <string>

#include "common/text.h"
#include "common/trace.h"
#include "common/trace_mask.h"
#include "http/generic_http_client.h"
#include "http/post_body.h"
#include "http/request_flags.h"

namespace velmo {

namespace {

inline constexpr char kHttpVersion[] = "HTTP/1.0";

// A header line as error texts show it: without its CR LF, so the trace
// keeps one line per event.
std::string OneLine(const char* header) {
    std::string line = header;
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    return line;
}

bool SetTimeout(HINTERNET request, DWORD option, DWORD milliseconds) {
    return InternetSetOptionA(request, option, &milliseconds, sizeof milliseconds);
}

}  // namespace

HINTERNET GenericHTTPClient::OpenRequest(const char* verb, const char* objectName, DWORD flags) {
    const char* acceptTypes[] = {"*/*", nullptr};
    _hHTTPRequest.reset(HttpOpenRequestA(connection_.get(), verb, objectName, kHttpVersion, "", acceptTypes,
                                         flags | (secure_ ? INTERNET_FLAG_SECURE : 0), 0));
    if (_hHTTPRequest) {
        SetTimeout(_hHTTPRequest.get(), INTERNET_OPTION_SEND_TIMEOUT, kDefaultSendTimeoutMs);
        SetTimeout(_hHTTPRequest.get(), INTERNET_OPTION_RECEIVE_TIMEOUT, kDefaultReceiveTimeoutMs);
    }
    return _hHTTPRequest.get();
}

DWORD GenericHTTPClient::ReceiveTimeoutMs() const {
    return extraHeader_[0] != '\0' ? kExtraHeaderReceiveTimeoutMs : kDefaultReceiveTimeoutMs;
}

bool GenericHTTPClient::SendRequest(const char* path, int method) {
    // A step that throws (it can only run out of memory) counts as sent; the
    // response reading then reports what is missing.
    try {
        switch (method) {
        case HttpPost:
            return RequestPost(path);
        case HttpPostMultipart:
            return RequestPostMultiPartsFormData(path);
        default:
            return RequestGet(path);
        }
    } catch (...) {
        return true;
    }
}

bool GenericHTTPClient::RequestGet(const char* path) {
    if (!OpenRequest("GET", RequestObjectName(HttpGet, View(path), query_).c_str(), kGetRequestFlags)) {
        Fail(GetLastError(), "RequestGet HttpOpenRequest %d");
        return false;
    }
    if (!HttpAddRequestHeadersA(_hHTTPRequest.get(), kAcceptHeader, static_cast<DWORD>(-1), HTTP_ADDREQ_FLAG_REPLACE)) {
        Fail(GetLastError(), "RequestGet HttpAddRequestHeaders %d");
        return false;
    }
    if (extraHeader_[0] != '\0') {
        if (!HttpAddRequestHeadersA(_hHTTPRequest.get(), extraHeader_, static_cast<DWORD>(-1),
                                    HTTP_ADDREQ_FLAG_ADD | HTTP_ADDREQ_FLAG_REPLACE))
            TraceLog("RequestGet  err HttpAddRequestHeaders");
        SetTimeout(_hHTTPRequest.get(), INTERNET_OPTION_RECEIVE_TIMEOUT, ReceiveTimeoutMs());
    }
    const std::string headers(GetHeaderBlock(getHeaders_));
    return Transmit(
        [headers](HINTERNET request, std::atomic<const char*>& call) -> DWORD {
            call = "RequestGet HttpSendRequest %d";
            return HttpSendRequestA(request, headers.data(), static_cast<DWORD>(headers.size()), nullptr, 0)
                       ? 0
                       : GetLastError();
        },
        ReceiveTimeoutMs());
}

bool GenericHTTPClient::RequestPost(const char* path) {
    // Built per request, so one request's body or content type never leaks
    // into another's. With no arguments the body is empty and goes out as an
    // empty form.
    char body[kPostBodySize];
    BuildPostBody(postArguments_, body, sizeof body);
    char contentType[kPostContentTypeSize];
    CopyText(contentType, PostContentType(body));

    TraceLog("%s", Masked(body));  // a form carries the code; the caller traces it masked
    if (!OpenRequest("POST", RequestObjectName(HttpPost, View(path), query_).c_str(), kPostRequestFlags)) {
        Fail(GetLastError(), "RequestPost HttpOpenRequest %d");
        TraceLog("%s", lastErrorText_);
        return false;
    }
    if (!HttpAddRequestHeadersA(_hHTTPRequest.get(), kAcceptHeader, static_cast<DWORD>(-1), HTTP_ADDREQ_FLAG_REPLACE)) {
        Fail(GetLastError(), "RequestPost Err HttpAddRequestHeaders %d");
        TraceLog("%s", lastErrorText_);
        return false;
    }
    if (extraHeader_[0] != '\0') {
        if (!HttpAddRequestHeadersA(_hHTTPRequest.get(), extraHeader_, static_cast<DWORD>(-1),
                                    HTTP_ADDREQ_FLAG_ADD | HTTP_ADDREQ_FLAG_REPLACE)) {
            Fail(GetLastError(), "RequestPost Err HttpAddRequestHeaders3 %d %s", OneLine(extraHeader_).c_str());
            TraceLog("%s", lastErrorText_);
        }
        SetTimeout(_hHTTPRequest.get(), INTERNET_OPTION_RECEIVE_TIMEOUT, ReceiveTimeoutMs());
    }
    const bool sent = Transmit(
        [type = std::string(contentType), text = std::string(body)](HINTERNET request,
                                                                    std::atomic<const char*>& call) mutable -> DWORD {
            call = "RequestPost HttpSendRequest %d %s";
            return HttpSendRequestA(request, type.data(), static_cast<DWORD>(type.size()), text.data(),
                                    static_cast<DWORD>(text.size()))
                       ? 0
                       : GetLastError();
        },
        ReceiveTimeoutMs(), OneLine(contentType).c_str());
    if (!sent) TraceLog("%s", lastErrorText_);
    return sent;
}

}  // namespace velmo
