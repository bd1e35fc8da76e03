// verifyOTP_Web against a verification service on 127.0.0.1 in the test.
#include <gtest/gtest.h>

#include <string>

#include "delivery/remote_verification.h"
#include "loopback_http_server.h"
#include "support/trace_capture.h"
#include "support/windows_env.h"

using namespace velmo;
using namespace velmo::test;

namespace {

class RemoteVerification : public ::testing::Test {
protected:
    void SetUp() override {
        ResetVelmoRegistry();
        UseTemplate(server.Url("/verify?user=%user%&otp=%pass%"));
    }
    void TearDown() override { ResetVelmoRegistry(); }

    void UseTemplate(const std::string& url) { PutText(kOtpModule, "URL", url); }
    int Verify(const char* user = "alice", const char* code = "123456") {
        answer.assign(kRemoteAnswerSize, 'x');
        return verifyOTP_Web(user, code, answer.data(), answer.size());
    }
    std::string Answer() const { return answer.c_str(); }

    TraceCapture trace;
    LoopbackHttpServer server;
    std::string answer;
};

}  // namespace

TEST_F(RemoteVerification, TheServiceConfirmsWithStatusAndValueTrue) {
    server.Answer(200, "{\"status\": true, \"value\": true}", "application/json");
    EXPECT_EQ(Verify(), kRemoteConfirmed);
    EXPECT_EQ(Answer(), "{\"status\": true, \"value\": true}");
    const auto request = server.LastRequest();
    EXPECT_EQ(request.method, "GET");
    EXPECT_EQ(request.path, "/verify");
    EXPECT_EQ(request.query, "user=alice&otp=123456");
    EXPECT_EQ(request.Header("User-Agent"), "Velmo");
    EXPECT_TRUE(trace.Contains("verifyOTP_Web Verify OTP by HTTP: " + server.Url("/verify?user=%user%&otp=%pass%") +
                               " alice"));
    EXPECT_TRUE(trace.Contains("verifyOTP_Web Result: {\"status\": true, \"value\": true}"));

    server.Answer(200, "{\"STATUS\":TRUE,\"data\":{\"VALUE\": TRUE}}");
    EXPECT_EQ(Verify(), kRemoteConfirmed);
}

TEST_F(RemoteVerification, RefusalsSayWhichMemberWasMissing) {
    const std::string url = server.Url("/verify?user=alice&otp=123456");
    server.Answer(200, "{\"value\": true, \"status\": true}");
    EXPECT_EQ(Verify(), kRemoteNoValue);
    EXPECT_TRUE(trace.Contains("verifyOTP_Web wrong OTP2: " + url));

    server.Answer(200, "{\"status\":  true, \"value\": true}");  // two blanks
    EXPECT_EQ(Verify(), kRemoteNoStatus);
    EXPECT_TRUE(trace.Contains("verifyOTP_Web wrong OTP: " + url));

    // A 500 page is read like any answer.
    server.Answer(500, "{\"status\": false, \"error\": \"db down\"}");
    EXPECT_EQ(Verify(), kRemoteNoStatus);
    EXPECT_EQ(Answer(), "{\"status\": false, \"error\": \"db down\"}");

    server.Answer(200, "");
    EXPECT_EQ(Verify(), kRemoteNoStatus);
    EXPECT_EQ(Answer(), "");
    server.Answer(200, std::string("\x01\x02\0\"status\": true", 17));
    EXPECT_EQ(Verify(), kRemoteNoStatus);
}

TEST_F(RemoteVerification, OnlyTheFirst300CharactersCount) {
    const std::string padding(350, ' ');
    server.Answer(200, "{" + padding + "\"status\": true, \"value\": true}");
    EXPECT_EQ(Verify(), kRemoteNoStatus);
    EXPECT_EQ(Answer(), "{" + std::string(299, ' '));

    server.Answer(200, "{\"status\": true," + padding + "\"value\": true}");
    EXPECT_EQ(Verify(), kRemoteNoValue);

    // A small answer buffer is cut, never overrun.
    server.Answer(200, "{\"status\": true, \"value\": true}");
    char small[8];
    EXPECT_EQ(verifyOTP_Web("alice", "123456", small, sizeof small), kRemoteConfirmed);
    EXPECT_STREQ(small, "{\"statu");
}

TEST_F(RemoteVerification, TemplatesNeedAPlaceholderAndStayWithin339Characters) {
    UseTemplate(server.Url("/verify"));
    EXPECT_EQ(Verify(), kRemoteBadTemplate);
    EXPECT_EQ(Answer(), "Otp verification URL must contain %user%,%pass% parameters ");
    EXPECT_EQ(server.RequestCount(), 0u);
    UseTemplate("");
    EXPECT_EQ(Verify(), kRemoteBadTemplate);

    // Only %user%: the code goes nowhere, the request still goes out.
    server.Answer(200, "{\"status\": true, \"value\": true}");
    UseTemplate(server.Url("/check/%user%"));
    EXPECT_EQ(Verify("bob", "999999"), kRemoteConfirmed);
    EXPECT_EQ(server.LastRequest().target, "/check/bob?");

    // Values are inserted unencoded; the filled URL is cut to 339 characters.
    UseTemplate(server.Url("/v/%user%/%pass%"));
    const std::string user(400, 'u');
    EXPECT_EQ(Verify(user.c_str(), "123456"), kRemoteConfirmed);
    EXPECT_EQ(server.LastRequest().target, "/v/" + std::string(339 - server.Url("/v/").size(), 'u') + "?");
    UseTemplate(server.Url("/v?u=%user%&p=%pass%"));
    EXPECT_EQ(Verify("a", "1&x=2"), kRemoteConfirmed);
    EXPECT_EQ(server.LastRequest().query, "u=a&p=1&x=2");
}

TEST_F(RemoteVerification, NetworkFailuresGive101) {
    const uint16_t closed = UnusedLoopbackPort();
    const std::string url = "http://127.0.0.1:" + std::to_string(closed) + "/verify?u=alice&p=123456";
    UseTemplate("http://127.0.0.1:" + std::to_string(closed) + "/verify?u=%user%&p=%pass%");
    EXPECT_EQ(Verify(), kRemoteNetworkError);
    EXPECT_EQ(Answer(), "Network error. Please use troubleshooting logs.");
    EXPECT_TRUE(trace.Contains("verifyOTP_Web GET err RequestGet HttpSendRequest 12029 " + url))
        << ::testing::PrintToString(trace.Lines());
}

TEST_F(RemoteVerification, OtpadminCheckRemotePrintsTheOutcome) {
    server.Answer(200, "{\"status\": true, \"value\": false}");
    char exe[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string command = exe;
    command.replace(command.rfind('\\') + 1, std::string::npos, "otpadmin.exe\" check-remote carol 424242");
    std::string output;
    const DWORD exitCode = RunProcess('"' + command, &output);

    EXPECT_EQ(exitCode, 1u);
    EXPECT_NE(output.find("verifyOTP_Web -> 2 (refused"), std::string::npos) << output;
    EXPECT_NE(output.find("answer: {\"status\": true, \"value\": false}"), std::string::npos) << output;
    EXPECT_EQ(server.LastRequest().query, "user=carol&otp=424242");
}
