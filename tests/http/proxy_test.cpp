// GenericHTTPClient through a real proxy (tinyproxy on 127.0.0.1, started by
// a CTest fixture) that asks for Basic credentials.
#include <gtest/gtest.h>

#include <string>

#include "http/generic_http_client.h"
#include "loopback_http_server.h"
#include "http/net_fixtures.h"
#include "support/trace_capture.h"
#include "support/windows_env.h"

using namespace velmo;
using namespace velmo::test;

namespace {

class ThroughProxy : public ::testing::Test {
protected:
    void SetUp() override {
        ResetVelmoRegistry();
        const uint16_t port = FixturePort("proxy.port");
        ASSERT_NE(port, 0) << "no proxy fixture at " << FixtureFile("proxy.port");
        proxy = "127.0.0.1:" + std::to_string(port);
        PutText(kVelmo, "ProxyServer", proxy);
    }
    void TearDown() override { ResetVelmoRegistry(); }
    void UseCredentials(const std::string& user, const std::string& password) {
        PutText(kVelmo, "ProxyServerUser", user);
        PutText(kVelmo, "ProxyServerPwd", password);
    }

    TraceCapture trace;
    LoopbackHttpServer server;
    std::string proxy;
};

}  // namespace

TEST_F(ThroughProxy, RequestsGoThroughTheProxyWithItsCredentials) {
    UseCredentials("velmo", "s3cret-proxy");
    server.Answer(200, "relayed");
    GenericHTTPClient get;
    ASSERT_EQ(get.RequestOfURI(server.Url("/sms?to=%2B49").c_str(), HttpGet), 1) << get.LastErrorText();
    EXPECT_STREQ(get.GetResponseBody(), "relayed");
    const auto request = server.LastRequest();
    EXPECT_EQ(request.target, "/sms?to=%2B49");
    EXPECT_NE(request.Header("Via").find("velmo-test-proxy"), std::string::npos) << request.Header("Via");
    EXPECT_FALSE(request.HasHeader("Proxy-Authorization"));  // the proxy keeps its credentials
    EXPECT_TRUE(trace.Contains("InternetOpen, proxy: " + proxy + ", "));
    EXPECT_TRUE(trace.Contains("InternetSetOption, user: velmo, 12"));

    for (const auto& line : trace.Lines()) EXPECT_EQ(line.find("s3cret-proxy"), std::string::npos) << line;
}

TEST_F(ThroughProxy, WithoutTheRightCredentialsTheProxysRefusalIsTheAnswer) {
    for (const auto& [user, password] : {std::pair<std::string, std::string>{"velmo", "wrong"}, {"", ""}}) {
        UseCredentials(user, password);
        GenericHTTPClient client;
        // The proxy answered, so the transport succeeded; the body is its page.
        ASSERT_EQ(client.RequestOfURI(server.Url("/sms").c_str(), HttpGet), 1) << client.LastErrorText();
        const std::string headers = client.ResponseHeaders();
        EXPECT_NE(headers.find("Server: tinyproxy"), std::string::npos) << headers;
        EXPECT_TRUE(headers.find(" 401 ") != std::string::npos || headers.find(" 407 ") != std::string::npos) << headers;
    }
    EXPECT_EQ(server.RequestCount(), 0u);
}
