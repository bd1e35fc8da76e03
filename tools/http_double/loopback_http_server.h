// A real HTTP server on 127.0.0.1 inside the test process: a Winsock thread
// that records every request (method, path, query, headers, body) and sends
// the answer the test configured.
#pragma once

#include <winsock2.h>

#include <atomic>
#include <functional>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace velmo::test {

struct RecordedRequest {
    std::string method;
    std::string target;  // as on the request line
    std::string path;    // target before "?"
    std::string query;   // target after "?"
    std::string version;
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;

    // Value of the first header of that name (case ignored), or "".
    std::string Header(const std::string& name) const;
    bool HasHeader(const std::string& name) const;
};

// A loopback port nobody listens on (bound once, then released).
uint16_t UnusedLoopbackPort();

class LoopbackHttpServer {
public:
    LoopbackHttpServer();
    ~LoopbackHttpServer();
    LoopbackHttpServer(const LoopbackHttpServer&) = delete;
    LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

    uint16_t Port() const { return port_; }
    // "http://127.0.0.1:<port>" followed by `rest`.
    std::string Url(const std::string& rest = "") const;
    // A complete answer with status line, Content-Length and "Connection: close".
    static std::string Response(int status, const std::string& body, const std::string& contentType = "text/plain");

    // Every following request gets this answer.
    void Answer(int status, const std::string& body, const std::string& contentType = "text/plain");
    // Sends `bytes` as they are (status line and headers included, or not).
    void AnswerRaw(const std::string& bytes);
    // Reads requests but never answers; connections stay open until the end.
    void NeverAnswer();
    // Sends the first `at` bytes of `bytes` at once and then one byte every
    // `intervalMs`: a server that drips its headers or its body.
    void AnswerDripping(const std::string& bytes, size_t at, uint32_t intervalMs);
    // Answers each request with what `handler` makes of it (status, body).
    using Handler = std::function<std::pair<int, std::string>(const RecordedRequest&)>;
    void AnswerWith(Handler handler);

    std::vector<RecordedRequest> Requests() const;
    size_t RequestCount() const;
    RecordedRequest LastRequest() const;  // empty when none came

private:
    void Serve();
    void Handle(SOCKET client);

    SOCKET listener_ = INVALID_SOCKET;
    uint16_t port_ = 0;
    std::atomic<bool> stopping_{false};
    mutable std::mutex mutex_;
    std::string answer_;
    bool silent_ = false;
    size_t dripAt_ = std::string::npos;
    uint32_t dripIntervalMs_ = 0;
    Handler handler_;
    std::vector<RecordedRequest> requests_;
    std::vector<SOCKET> heldOpen_;
    std::thread thread_;
};

}  // namespace velmo::test
