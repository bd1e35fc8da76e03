// GenericHTTPClient: construction, arguments and the request road of
// RequestOfURI (parse, connect, send, read, close).
#include "http/generic_http_client.h"

#include <cstring>

#include "common/secure_wipe.h"
#include "common/text.h"
#include "common/trace.h"
#include "common/trace_mask.h"
#include "settings/registry.h"

namespace velmo {

namespace {

void ReadProxySetting(const char* name, char (&field)[kProxyFieldSize]) {
    ReadRegText(RegRoot::LocalMachine, kVelmoKey, name, field, kProxySettingReadSize);
}

}  // namespace

GenericHTTPClient::GenericHTTPClient()
    : responseBody_(new char[kResponseBufferSize]()), responseHeaders_(new char[kResponseBufferSize]()) {
    CopyText(agent_, kDefaultAgent);
    proxyType_ = ReadRegDword(RegRoot::LocalMachine, kVelmoKey, "ProxyServerType", 0);
    ReadProxySetting("ProxyServer", proxyServer_);
    ReadProxySetting("ProxyServerBypass", proxyBypass_);
    ReadProxySetting("ProxyServerUser", proxyUser_);
    ReadProxySetting("ProxyServerPwd", proxyPassword_);
}

// Credentials: the proxy password, and the extra header (the Twilio form's
// Authorization header).
GenericHTTPClient::~GenericHTTPClient() {
    SecureWipe(proxyPassword_, sizeof proxyPassword_);
    SecureWipe(extraHeader_, sizeof extraHeader_);
}

void GenericHTTPClient::ClearPostArguments() { postArguments_.clear(); }

void GenericHTTPClient::AddPostArgument(const char* name, const char* value, bool isFile, uint32_t fileStartOffset) {
    PostArgument& argument = postArguments_.emplace_back();
    CopyText(argument.name, View(name));
    CopyText(argument.value, View(value));
    argument.kind = isFile ? PostArgumentKind::File : PostArgumentKind::Text;
    argument.fileStartOffset = isFile ? fileStartOffset : 0;
}

void GenericHTTPClient::SetAgent(std::string_view agent) { CopyText(agent_, agent); }
void GenericHTTPClient::SetExtraHeader(std::string_view header) { CopyText(extraHeader_, header); }
void GenericHTTPClient::SetGetHeaders(std::string_view headers) { getHeaders_ = headers; }

void GenericHTTPClient::Fail(DWORD code, const char* format, const char* detail) {
    lastErrorCode_ = code;
    FormatText(lastErrorText_, sizeof lastErrorText_, format, static_cast<int>(code), detail);
}

int GenericHTTPClient::RequestOfURI(const char* url, int method) {
    const std::string_view address = View(url);
    if (IsSecureUrl(address)) secure_ = true;
    UrlParts parts;
    ParseURL(address, parts, query_, sizeof query_);
    std::memset(responseBody_.get(), 0, kResponseBufferSize);
    std::memset(responseHeaders_.get(), 0, kResponseBufferSize);
    bodyLength_ = 0;
    transmitted_ = false;

    if (!OpenConnection(parts.host, parts.port)) return 0;

    int result = 0;
    if (!SendRequest(parts.path, method)) {
        // Code, host and path only: the proxy password and the extra header
        // (credentials) never reach the trace from here.
        // A template may put the code or a key into the path.
        TraceLog("Error RequestOfURI %d %s %s", static_cast<int>(lastErrorCode_), parts.host, Masked(parts.path));
        TraceLog("%s", lastErrorText_);
    } else {
        bool ok = false;
        if (!transmitted_) {
            Fail(lastErrorCode_, "Response  _hHTTPRequest 0 err %d");
        } else {
            if (exchange_.readError) Fail(exchange_.readError, "HttpEndRequest %d");
            if (exchange_.headerError) Fail(exchange_.headerError, "HttpQueryInfo %d");
            ok = !exchange_.readError && !exchange_.headerError;
            if (exchange_.body) {
                responseBody_ = std::move(exchange_.body);
                responseHeaders_ = std::move(exchange_.headers);
                bodyLength_ = exchange_.bodyLength;
            }
        }
        if (!ok) TraceLog("Error Response %s %s %s", lastErrorText_, responseHeaders_.get(), responseBody_.get());
        result = ok ? 1 : 0;
    }
    _hHTTPRequest.reset();
    connection_.reset();
    internet_.reset();
    return result;
}

bool GenericHTTPClient::Transmit(SendCall send, DWORD deadlineMs, const char* detail) {
    exchange_ = RunExchange(std::move(internet_), std::move(connection_), std::move(_hHTTPRequest), std::move(send),
                            deadlineMs);
    transmitted_ = true;
    if (exchange_.sendError == 0) return true;
    // A thread that never got to its first call leaves no call name.
    Fail(exchange_.sendError, exchange_.sendCall ? exchange_.sendCall : "HttpSendRequest %d", detail);
    return false;
}

}  // namespace velmo
