// GenericHTTPClient: the module's one-shot HTTP/HTTPS client over WinINet.
//
// One client serves one request: set the agent, the extra header and the POST
// arguments, call RequestOfURI once, read GetResponseBody. The HTTP status is
// never judged here: a request succeeds when connecting, sending, reading and
// the header query succeed, and the caller judges the body. Proxy settings
// come from HKLM\Software\Velmo. Every failure leaves a readable text in
// LastErrorText().
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "http/http_exchange.h"
#include "http/post_argument.h"
#include "http/request_rules.h"
#include "http/url_parts.h"
#include "http/wininet_handle.h"

namespace velmo {

constexpr size_t kAgentSize = 100;
constexpr size_t kProxyFieldSize = 200;
constexpr uint32_t kProxySettingReadSize = 150;
constexpr size_t kLastErrorTextSize = 550;
constexpr size_t kExtraHeaderSize = 600;
constexpr size_t kResponseBufferSize = 100050;
constexpr size_t kResponseBodyCap = 100000;
constexpr DWORD kResponseHeaderQuerySize = 100000;
constexpr DWORD kResponseReadPiece = 1024;
// Send and receive time-outs of every request (Windows' own WinINet
// defaults; Wine's WinINet has none), and the receive time-out of a request
// with an extra header. The receive time-out also bounds the whole exchange.
constexpr DWORD kDefaultSendTimeoutMs = 30000;
constexpr DWORD kDefaultReceiveTimeoutMs = 30000;
constexpr DWORD kExtraHeaderReceiveTimeoutMs = 5000;
constexpr DWORD kMultipartReceiveTimeoutMs = 60000;

inline constexpr char kDefaultAgent[] = "Pendrax Agent";

class GenericHTTPClient {
public:
    GenericHTTPClient();
    virtual ~GenericHTTPClient();
    GenericHTTPClient(const GenericHTTPClient&) = delete;
    GenericHTTPClient& operator=(const GenericHTTPClient&) = delete;

    void ClearPostArguments();
    void AddPostArgument(const char* name, const char* value, bool isFile = false, uint32_t fileStartOffset = 0);

    void SetAgent(std::string_view agent);
    // One request header line ending in CR LF, e.g. an Authorization header.
    void SetExtraHeader(std::string_view header);
    // Header block sent with a GET instead of "Content-Type: text/html".
    void SetGetHeaders(std::string_view headers);

    // Sends one request; 1 on success, 0 on failure (see LastErrorText).
    int RequestOfURI(const char* url, int method);

    // The first 100,000 bytes of the last response body, NUL-terminated.
    const char* GetResponseBody() const { return responseBody_.get(); }
    size_t ResponseBodyLength() const { return bodyLength_; }
    const char* ResponseHeaders() const { return responseHeaders_.get(); }
    const char* LastErrorText() const { return lastErrorText_; }
    uint32_t LastErrorCode() const { return lastErrorCode_; }
    uint32_t TotalFileBytes() const { return totalFileBytes_; }
    const char* Agent() const { return agent_; }
    // The proxy settings as read at construction, for a caller that reports
    // or reuses them.
    const char* ProxyServer() const { return proxyServer_; }
    const char* ProxyBypass() const { return proxyBypass_; }
    const char* ProxyUser() const { return proxyUser_; }
    const char* ProxyPassword() const { return proxyPassword_; }
    uint32_t ProxyType() const { return proxyType_; }

private:
    bool OpenConnection(const char* host, uint16_t port);
    bool SendRequest(const char* path, int method);
    bool RequestGet(const char* path);
    bool RequestPost(const char* path);
    bool RequestPostMultiPartsFormData(const char* path);
    HINTERNET OpenRequest(const char* verb, const char* objectName, DWORD flags);
    // 5 s for a GET or POST with the extra header, else 30 s.
    DWORD ReceiveTimeoutMs() const;
    // Hands the opened request to the exchange (send, read, close) and keeps
    // its answer; false when sending failed or was cut off at `deadlineMs`,
    // with the send call's error text (and `detail`, for formats showing one).
    bool Transmit(SendCall send, DWORD deadlineMs, const char* detail = "");
    // Stores `code` and formats it (and `detail`, for formats that show one)
    // into the last error text.
    void Fail(DWORD code, const char* format, const char* detail = "");

    uint32_t totalFileBytes_ = 0;
    char agent_[kAgentSize] = {};
    uint32_t proxyType_ = 0;
    char proxyServer_[kProxyFieldSize] = {};
    char proxyBypass_[kProxyFieldSize] = {};
    char proxyUser_[kProxyFieldSize] = {};
    char proxyPassword_[kProxyFieldSize] = {};
    std::string getHeaders_;
    char lastErrorText_[kLastErrorTextSize] = {};
    char extraHeader_[kExtraHeaderSize] = {};
    std::vector<PostArgument> postArguments_;
    std::unique_ptr<char[]> responseBody_;
    std::unique_ptr<char[]> responseHeaders_;
    size_t bodyLength_ = 0;
    ExchangeResult exchange_;
    bool transmitted_ = false;
    // Declared in opening order, so they close request first, session last.
    UniqueHinternet internet_;
    UniqueHinternet connection_;
    UniqueHinternet _hHTTPRequest;
    uint32_t lastErrorCode_ = 0;
    bool secure_ = false;
    char query_[kQuerySize] = {};
};

}  // namespace velmo
