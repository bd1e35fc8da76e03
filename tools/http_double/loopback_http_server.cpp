#include "loopback_http_server.h"

#include <ws2tcpip.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace velmo::test {

namespace {

constexpr DWORD kClientTimeoutMs = 10000;  // per read or write of a connection
constexpr DWORD kDripStepMs = 50;  // a dripping answer checks this often whether the server stops

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

std::string Trim(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

std::string ReasonPhrase(int status) {
    switch (status) {
    case 200: return "OK";
    case 201: return "Created";
    case 400: return "Bad Request";
    case 401: return "Unauthorized";
    case 404: return "Not Found";
    case 500: return "Internal Server Error";
    default: return "Status";
    }
}

// Parses "METHOD target VERSION\r\nName: value\r\n...\r\n\r\n".
RecordedRequest ParseHead(const std::string& head) {
    RecordedRequest request;
    size_t lineEnd = head.find("\r\n");
    const std::string requestLine = head.substr(0, lineEnd);
    const size_t sp1 = requestLine.find(' ');
    const size_t sp2 = requestLine.rfind(' ');
    request.method = requestLine.substr(0, sp1);
    if (sp1 != std::string::npos && sp2 > sp1) {
        request.target = requestLine.substr(sp1 + 1, sp2 - sp1 - 1);
        request.version = requestLine.substr(sp2 + 1);
    }
    const size_t question = request.target.find('?');
    request.path = request.target.substr(0, question);
    if (question != std::string::npos) request.query = request.target.substr(question + 1);
    while (lineEnd != std::string::npos && lineEnd + 2 < head.size()) {
        const size_t start = lineEnd + 2;
        lineEnd = head.find("\r\n", start);
        const std::string line = head.substr(start, lineEnd == std::string::npos ? std::string::npos : lineEnd - start);
        const size_t colon = line.find(':');
        if (colon != std::string::npos) request.headers.emplace_back(line.substr(0, colon), Trim(line.substr(colon + 1)));
    }
    return request;
}

void SendAll(SOCKET socket, const std::string& bytes) {
    size_t sent = 0;
    while (sent < bytes.size()) {
        const int n = send(socket, bytes.data() + sent, static_cast<int>(std::min<size_t>(bytes.size() - sent, 65536)), 0);
        if (n <= 0) return;
        sent += static_cast<size_t>(n);
    }
}

}  // namespace

uint16_t UnusedLoopbackPort() {
    LoopbackHttpServer probe;
    return probe.Port();
}

std::string RecordedRequest::Header(const std::string& name) const {
    for (const auto& [key, value] : headers)
        if (Lower(key) == Lower(name)) return value;
    return "";
}

bool RecordedRequest::HasHeader(const std::string& name) const {
    for (const auto& header : headers)
        if (Lower(header.first) == Lower(name)) return true;
    return false;
}

LoopbackHttpServer::LoopbackHttpServer() {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    listen(listener_, 16);
    int length = sizeof address;
    getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    Answer(200, "OK");
    thread_ = std::thread([this] { Serve(); });
}

LoopbackHttpServer::~LoopbackHttpServer() {
    stopping_ = true;
    closesocket(listener_);
    thread_.join();
    for (SOCKET s : heldOpen_) closesocket(s);
    WSACleanup();
}

std::string LoopbackHttpServer::Url(const std::string& rest) const {
    return "http://127.0.0.1:" + std::to_string(port_) + rest;
}

std::string LoopbackHttpServer::Response(int status, const std::string& body, const std::string& contentType) {
    return "HTTP/1.1 " + std::to_string(status) + " " + ReasonPhrase(status) + "\r\nContent-Type: " + contentType +
           "\r\nContent-Length: " + std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}

void LoopbackHttpServer::Answer(int status, const std::string& body, const std::string& contentType) {
    AnswerRaw(Response(status, body, contentType));
}

void LoopbackHttpServer::AnswerRaw(const std::string& bytes) { AnswerDripping(bytes, std::string::npos, 0); }

void LoopbackHttpServer::AnswerDripping(const std::string& bytes, size_t at, uint32_t intervalMs) {
    std::lock_guard lock(mutex_);
    answer_ = bytes;
    dripAt_ = at;
    dripIntervalMs_ = intervalMs;
    silent_ = false;
    handler_ = nullptr;
}

void LoopbackHttpServer::AnswerWith(Handler handler) {
    std::lock_guard lock(mutex_);
    handler_ = std::move(handler);
    silent_ = false;
    dripAt_ = std::string::npos;
}

void LoopbackHttpServer::NeverAnswer() {
    std::lock_guard lock(mutex_);
    silent_ = true;
}

std::vector<RecordedRequest> LoopbackHttpServer::Requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

size_t LoopbackHttpServer::RequestCount() const {
    std::lock_guard lock(mutex_);
    return requests_.size();
}

RecordedRequest LoopbackHttpServer::LastRequest() const {
    std::lock_guard lock(mutex_);
    return requests_.empty() ? RecordedRequest{} : requests_.back();
}

void LoopbackHttpServer::Serve() {
    while (!stopping_) {
        const SOCKET client = accept(listener_, nullptr, nullptr);
        if (client == INVALID_SOCKET) {
            if (stopping_) return;
            continue;
        }
        Handle(client);
    }
}

void LoopbackHttpServer::Handle(SOCKET client) {
    DWORD timeout = kClientTimeoutMs;
    setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
    setsockopt(client, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
    std::string data;
    char piece[4096];
    size_t headEnd = std::string::npos;
    while ((headEnd = data.find("\r\n\r\n")) == std::string::npos) {
        const int n = recv(client, piece, sizeof piece, 0);
        if (n <= 0) break;
        data.append(piece, static_cast<size_t>(n));
    }
    if (headEnd == std::string::npos) {
        closesocket(client);
        return;
    }
    RecordedRequest request = ParseHead(data.substr(0, headEnd + 2));
    const size_t length = std::strtoul(request.Header("Content-Length").c_str(), nullptr, 10);
    std::string body = data.substr(headEnd + 4);
    while (body.size() < length) {
        const int n = recv(client, piece, sizeof piece, 0);
        if (n <= 0) break;
        body.append(piece, static_cast<size_t>(n));
    }
    request.body = body.substr(0, std::min(body.size(), length));

    std::string answer;
    bool silent = false;
    size_t dripAt = std::string::npos;
    uint32_t intervalMs = 0;
    {
        std::lock_guard lock(mutex_);
        dripAt = dripAt_;
        intervalMs = dripIntervalMs_;
        if (handler_) {
            const auto [status, text] = handler_(request);
            answer = Response(status, text);
        } else {
            answer = answer_;
        }
        requests_.push_back(std::move(request));
        silent = silent_;
        if (silent) heldOpen_.push_back(client);
    }
    if (silent) return;
    SendAll(client, answer.substr(0, dripAt));
    for (size_t at = dripAt; at < answer.size() && !stopping_; ++at) {
        for (uint32_t waited = 0; waited < intervalMs && !stopping_; waited += kDripStepMs) Sleep(kDripStepMs);
        SendAll(client, answer.substr(at, 1));
    }
    shutdown(client, SD_SEND);
    closesocket(client);
}

}  // namespace velmo::test
