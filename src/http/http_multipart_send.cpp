// GenericHTTPClient::RequestPostMultiPartsFormData: a multipart/form-data
// POST written in one piece after the headers.
#include "common/text.h"
#include "http/generic_http_client.h"
#include "http/multipart_body.h"
#include "http/request_flags.h"
#include "http/windows_file_source.h"

namespace velmo {

namespace {

constexpr size_t kHeaderLineSize = 200;

}  // namespace

bool GenericHTTPClient::RequestPostMultiPartsFormData(const char* path) {
    WindowsFileSource files;
    MultipartBody body = BuildMultipartBody(postArguments_, kMultipartBoundary, files);
    totalFileBytes_ = body.totalFileBytes;
    if (body.bytes.empty()) return true;

    if (!OpenRequest("POST", RequestObjectName(HttpPostMultipart, View(path), query_).c_str(), kMultipartRequestFlags)) {
        Fail(GetLastError(), "RequestPostMultiPartsFormData HttpOpenRequest %d");
        return false;
    }
    DWORD timeout = kMultipartReceiveTimeoutMs;
    InternetSetOptionA(_hHTTPRequest.get(), INTERNET_OPTION_DATA_RECEIVE_TIMEOUT, &timeout, sizeof timeout);

    char contentType[kHeaderLineSize];
    FormatText(contentType, sizeof contentType, "Content-Type: multipart/form-data; boundary=%s\r\n", kMultipartBoundary);
    char contentLength[kHeaderLineSize];
    FormatText(contentLength, sizeof contentLength, "Content-Length: %d\r\n", static_cast<int>(body.bytes.size()));
    const auto addHeader = [this](const char* line, DWORD flags) {
        return HttpAddRequestHeadersA(_hHTTPRequest.get(), line, static_cast<DWORD>(-1), flags) != FALSE;
    };
    if (!addHeader(kAcceptHeader, HTTP_ADDREQ_FLAG_REPLACE) || !addHeader(contentType, HTTP_ADDREQ_FLAG_ADD_IF_NEW) ||
        !addHeader(contentLength, HTTP_ADDREQ_FLAG_ADD_IF_NEW)) {
        Fail(GetLastError(), "HttpAddRequestHeaders %d");
        return false;
    }

    return Transmit(
        [bytes = std::move(body.bytes)](HINTERNET request, std::atomic<const char*>& call) -> DWORD {
            INTERNET_BUFFERSA buffers = {};
            buffers.dwStructSize = sizeof buffers;
            call = "HttpSendRequestEx %d";
            if (!HttpSendRequestExA(request, &buffers, nullptr, HSR_INITIATE, 0)) return GetLastError();
            call = "InternetWriteFile %d";
            DWORD written = 0;
            if (!InternetWriteFile(request, bytes.data(), static_cast<DWORD>(bytes.size()), &written))
                return GetLastError();
            call = "HttpEndRequest %d";
            return HttpEndRequestA(request, nullptr, 0, 0) ? 0 : GetLastError();
        },
        kDefaultReceiveTimeoutMs);
}

}  // namespace velmo
