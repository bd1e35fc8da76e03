// ReadData's code delivery through the real DLL to a loopback SMS gateway:
// the code that arrives logs the user on, and each gateway outcome gives its
// message.
#include <gtest/gtest.h>

#include <string>

#include "common/clock.h"
#include "loopback_http_server.h"
#include "otp/otp_code.h"
#include "support/velmo_dll.h"
#include "support/windows_env.h"

using namespace velmo::test;

namespace {

constexpr char kSecret[] = "GEZDGNBVGY3TQOJQGEZDGNBVGY3TQOJQ";

class CodeDelivery : public ::testing::Test {
protected:
    void SetUp() override {
        ResetVelmoRegistry();
        PutText(kOtpModule, "SMS-Gate", server.Url("/send?to=%phone%&text=%text%"));
        PutText(kOtpModule, "SMS-Gate-Success-Value", "Queued");
        dll.InitLibrary();  // caches the gateway and the success marker
        PutText(kOtpModule, "sam_key", kSecret);
        PutText(kOtpModule, "sam_sms", "+15550100");
    }
    void TearDown() override {
        dll.CloseLibrary();
        ResetVelmoRegistry();
    }
    VelmoDll::Answer Send(const char* user) const { return dll.Read(user, 7, "", 990); }

    LoopbackHttpServer server;
    VelmoDll dll;
};

}  // namespace

TEST_F(CodeDelivery, TheDeliveredCodeLogsTheUserOn) {
    server.Answer(200, "Message queued, 1 part");  // the marker in any case
    const VelmoDll::Answer sent = Send("CORP\\sam");
    EXPECT_EQ(sent.result, 1);
    EXPECT_EQ(sent.Text(), "Host: the code was sent.");  // the host's string: no language files
    EXPECT_EQ(sent.length, sent.Text().size() + 1);

    const RecordedRequest request = server.LastRequest();
    EXPECT_EQ(request.path, "/send");
    const std::string prefix = "to=+15550100&text=";
    ASSERT_EQ(request.query.rfind(prefix, 0), 0u) << request.query;
    const std::string code = request.query.substr(prefix.size());
    // Sent as a plain number: no leading zeros.
    const int expected = velmo::ComputeCode(kSecret, static_cast<uint32_t>(velmo::UnixNow() / 30));
    EXPECT_EQ(code, std::to_string(expected));
    EXPECT_EQ(dll.VerifyPIN("sam", code), 1);
}

TEST_F(CodeDelivery, AnAnswerWithoutTheMarkerAndAFailedConnection) {
    server.Answer(500, "gateway busy");
    VelmoDll::Answer sent = Send("sam");
    EXPECT_EQ(sent.result, 1);
    EXPECT_EQ(sent.Text(), "Host: the gateway did not confirm: Queued\n\nHost: ask your administrator.");

    PutText(kOtpModule, "SMS-Gate", "http://127.0.0.1:" + std::to_string(UnusedLoopbackPort()) + "/send?to=%phone%");
    sent = Send("sam");
    EXPECT_EQ(sent.result, 1);
    EXPECT_EQ(sent.Text(), "Warning: SMS Gateway connection failed: please contact server Administrator");
    EXPECT_EQ(Value(kOtpModule, "SMS-Gate-ret").Text(), "Network error. Please use troubleshooting logs.");
}

TEST_F(CodeDelivery, UsersWithoutADestinationGetNothing) {
    PutText(kOtpModule, "tom_key", kSecret);
    const VelmoDll::Answer sent = Send("tom");
    EXPECT_EQ(sent.result, 0);
    EXPECT_EQ(sent.length, 990u);
    EXPECT_EQ(server.RequestCount(), 0u);

    // A destination without a secret: one is created and its code sent.
    PutText(kOtpModule, "ursula_sms", "ursula@example.test");
    server.Answer(200, " OK ");
    EXPECT_EQ(Send("ursula").result, 1);
    EXPECT_EQ(Value(kOtpModule, "ursula_key").Text().size(), 32u);
    EXPECT_EQ(server.LastRequest().query.rfind("to=ursula@example.test&text=", 0), 0u);
}
