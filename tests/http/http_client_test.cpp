// GenericHTTPClient through real WinINet: against a recording server on
// 127.0.0.1 inside the test, and against the CTest fixtures of
// tools/net_fixtures (tinyproxy asking for Basic credentials; TLS servers,
// one with a certificate of a test CA that the test trusts, one self-signed).
#include <gtest/gtest.h>

#include <windows.h>
#include <wincrypt.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "http/generic_http_client.h"
#include "loopback_http_server.h"
#include "support/trace_capture.h"
#include "support/windows_env.h"

using namespace velmo;
using namespace velmo::test;

namespace {

class HttpClient : public ::testing::Test {
protected:
    void SetUp() override { ResetVelmoRegistry(); }
    void TearDown() override { ResetVelmoRegistry(); }
    TraceCapture trace;
    LoopbackHttpServer server;
};

class NetFixtures : public HttpClient {};

// Files the fixtures write into VELMO_FIXTURE_DIR: ports, as "<name> <port>"
// lines or a lone number (empty name), and the test CA.
std::string FixtureFile(const std::string& name) {
    const char* dir = std::getenv("VELMO_FIXTURE_DIR");
    return std::string(dir ? dir : ".") + "/" + name;
}
std::string FixturePort(const std::string& file, const std::string& name = "") {
    std::istringstream in(ReadWholeFile(FixtureFile(file)));
    std::string key = name, port;
    while ((name.empty() || in >> key) && in >> port)
        if (key == name) return port;
    return "";
}

}  // namespace

TEST_F(HttpClient, RequestsArriveAsSent) {
    struct Row {
        int method;
        const char *path, *extraHeader, *target, *contentType, *body;
        std::vector<std::pair<const char*, const char*>> arguments;
    } rows[] = {
        {HttpGet, "/verify", "", "/verify?", "text/html", "", {}},
        {HttpGet, "/sms?to=%2B49&t=1", "Authorization: Basic QUM=\r\n", "/sms?to=%2B49&t=1", "text/html", "", {}},
        {HttpPost, "/api?ignored=1", "", "/api", "application/json", "{\"u\":1}", {{"", "{\"u\":1}"}}},
        {HttpPost, "/form", "Authorization: Basic QUM=\r\n", "/form", "application/x-www-form-urlencoded",
         "To=+49&Body=Code 1&2", {{"To", "+49"}, {"Body", "Code 1&2"}}},
    };
    for (const auto& row : rows) {
        GenericHTTPClient client;
        client.SetAgent("Velmo");
        client.SetExtraHeader(row.extraHeader);
        for (const auto& [name, value] : row.arguments) client.AddPostArgument(name, value);
        ASSERT_EQ(client.RequestOfURI(server.Url(row.path).c_str(), row.method), 1) << client.LastErrorText();
        const auto request = server.LastRequest();
        EXPECT_EQ(request.method + " " + request.target + " " + request.version,
                  std::string(row.method == HttpGet ? "GET " : "POST ") + row.target + " HTTP/1.0");
        EXPECT_EQ(request.Header("User-Agent"), "Velmo");
        EXPECT_EQ(request.Header("Accept"), "*/*");
        EXPECT_EQ(request.Header("Content-Type"), row.contentType);
        EXPECT_EQ(request.Header("Authorization"), *row.extraHeader ? "Basic QUM=" : "") << row.path;
        EXPECT_EQ(request.body, row.body);
    }
}

TEST_F(HttpClient, AnyAnswerIsASuccessAndTheBodyIsKeptUpTo100000Bytes) {
    std::string huge(150000, 'a');
    huge[kResponseBodyCap - 1] = 'z';
    struct Row {
        int status;
        std::string body;
        size_t length;
        std::string text;  // up to the first NUL
    } rows[] = {
        {500, "{\"error\":\"down\"}", 16, "{\"error\":\"down\"}"},
        {200, huge, kResponseBodyCap, huge.substr(0, kResponseBodyCap)}, {200, std::string("ab\0cd\xff", 6), 6, "ab"},
        {204, "", 0, ""},
    };
    for (const auto& row : rows) {
        server.Answer(row.status, row.body);
        GenericHTTPClient client;
        ASSERT_EQ(client.RequestOfURI(server.Url("/x").c_str(), HttpGet), 1) << client.LastErrorText();
        EXPECT_EQ(client.ResponseBodyLength(), row.length);
        EXPECT_EQ(client.GetResponseBody(), row.text);
        EXPECT_EQ(std::string(client.ResponseHeaders()).substr(0, 13), "HTTP/1.1 " + std::to_string(row.status) + " ");
    }
}

TEST_F(HttpClient, FailuresLeaveTheirErrorTextAndNoCredentialsInTheTrace) {
    const std::string refused = "http://127.0.0.1:" + std::to_string(UnusedLoopbackPort()) + "/sms?to=1";
    const std::pair<int, std::string> rows[] = {
        {HttpGet, "RequestGet HttpSendRequest 12029"},
        {HttpPost, "RequestPost HttpSendRequest 12029 Content-Type: application/x-www-form-urlencoded"},
    };
    for (const auto& [method, text] : rows) {
        GenericHTTPClient client;
        client.SetExtraHeader("Authorization: Basic c2VjcmV0\r\n");
        if (method == HttpPost) client.AddPostArgument("a", "1");
        EXPECT_EQ(client.RequestOfURI(refused.c_str(), method), 0);
        EXPECT_EQ(client.LastErrorText(), text);
    }
    EXPECT_EQ(server.RequestCount(), 0u);
    for (const auto& line : trace.Lines()) EXPECT_EQ(line.find("c2VjcmV0"), std::string::npos) << line;
}

TEST_F(NetFixtures, CredentialsFromTheRegistryOpenTheProxyAndStayOutOfTheTrace) {
    const std::string proxy = "127.0.0.1:" + FixturePort("proxy.port");
    ASSERT_NE(proxy.back(), ':') << "no proxy fixture at " << FixtureFile("proxy.port");
    PutText(kVelmo, "ProxyServer", proxy);
    server.Answer(200, "relayed");
    for (const char* password : {"s3cret-proxy", "wrong"}) {
        PutText(kVelmo, "ProxyServerUser", "velmo");
        PutText(kVelmo, "ProxyServerPwd", password);
        GenericHTTPClient client;
        // A refusing proxy answers too: the transport succeeded.
        ASSERT_EQ(client.RequestOfURI(server.Url("/sms?to=%2B49").c_str(), HttpGet), 1) << client.LastErrorText();
        const std::string headers = client.ResponseHeaders();
        EXPECT_EQ(headers.find(" 407 ") != std::string::npos || headers.find(" 401 ") != std::string::npos,
                  std::string(password) == "wrong")
            << headers;
    }
    ASSERT_EQ(server.RequestCount(), 1u);
    EXPECT_NE(server.LastRequest().Header("Via").find("velmo-test-proxy"), std::string::npos);
    EXPECT_FALSE(server.LastRequest().HasHeader("Proxy-Authorization"));
    for (const auto& line : trace.Lines()) EXPECT_EQ(line.find("s3cret-proxy"), std::string::npos) << line;
}

TEST_F(NetFixtures, ATrustedCertificateWorksAndAnUntrustedOneIsANetworkError) {
    const std::string trusted = FixturePort("tls.ports", "trusted"), untrusted = FixturePort("tls.ports", "untrusted");
    ASSERT_FALSE(untrusted.empty()) << "no TLS fixture at " << FixtureFile("tls.ports");
    const std::string pem = ReadWholeFile(FixtureFile("ca.pem"));
    std::vector<BYTE> der(pem.size());
    DWORD size = static_cast<DWORD>(der.size());
    ASSERT_TRUE(CryptStringToBinaryA(pem.c_str(), 0, CRYPT_STRING_BASE64HEADER, der.data(), &size, nullptr, nullptr));
    HCERTSTORE root = CertOpenStore(CERT_STORE_PROV_SYSTEM_A, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, "ROOT");
    ASSERT_TRUE(CertAddEncodedCertificateToStore(root, X509_ASN_ENCODING, der.data(), size,
                                                 CERT_STORE_ADD_REPLACE_EXISTING, nullptr));
    CertCloseStore(root, 0);
    GenericHTTPClient good, bad;
    ASSERT_EQ(good.RequestOfURI(("https://127.0.0.1:" + trusted + "/v?otp=123456").c_str(), HttpGet), 1);
    EXPECT_STREQ(good.GetResponseBody(), "{\"status\": true, \"value\": true, \"path\": \"/v\", \"query\": \"otp=123456\"}");
    EXPECT_EQ(bad.RequestOfURI(("https://127.0.0.1:" + untrusted + "/v").c_str(), HttpGet), 0);
    EXPECT_EQ(std::string(bad.LastErrorText()).rfind("RequestGet HttpSendRequest 120", 0), 0u) << bad.LastErrorText();
}

// Servers that would finish their answer only after the deadline: the
// request ends with the network error at the deadline. The time each took is
// printed, not judged.
TEST(Deadlines, ASlowAnswerIsCutOffAtTheReceiveTimeout) {
    const std::string ok = LoopbackHttpServer::Response(200, "{\"status\": true, \"value\": true}");
    struct Row {
        const char* what;
        std::string answer;
        size_t dripAt;  // the rest comes a byte every intervalMs
        uint32_t intervalMs;
        bool extraHeader;  // 5 s instead of 30 s
    } rows[] = {
        {"body dripped", ok, ok.size() - 30, 1500, false}, {"headers dripped", ok, 0, 100, true},
    };
    for (const auto& row : rows) {
        LoopbackHttpServer server;
        server.AnswerDripping(row.answer, row.dripAt, row.intervalMs);
        GenericHTTPClient client;
        if (row.extraHeader) client.SetExtraHeader("Authorization: Basic QUM=\r\n");
        const ULONGLONG start = GetTickCount64();
        EXPECT_EQ(client.RequestOfURI(server.Url("/v").c_str(), HttpGet), 0) << row.what;
        EXPECT_EQ(client.LastErrorCode(), static_cast<uint32_t>(ERROR_INTERNET_TIMEOUT)) << row.what;
        std::printf("%s: \"%s\" after %llu ms\n", row.what, client.LastErrorText(), GetTickCount64() - start);
    }
}
