// SendOtpCode through HTTP gateways: a recording SMS gateway and a
// Twilio-like endpoint on 127.0.0.1 in the test.
#include <gtest/gtest.h>

#include <string>

#include "delivery/delivery.h"
#include "loopback_http_server.h"
#include "support/trace_capture.h"
#include "support/windows_env.h"

using namespace velmo;
using namespace velmo::test;

namespace {

constexpr size_t kStatusSize = 990;  // what the logon flow gives
constexpr char kNetworkError[] = "Network error. Please use troubleshooting logs.";
constexpr char kTwilioPath[] = "/twilio/2010-04-01/Accounts/AC1234567/Messages.json";
constexpr char kTwilioParam[] = "AC1234567:secrettoken";
constexpr char kTwilioBasic[] = "Basic QUMxMjM0NTY3OnNlY3JldHRva2Vu";  // base64 of kTwilioParam

class SmsGateway : public ::testing::Test {
protected:
    void SetUp() override { ResetVelmoRegistry(); }
    void TearDown() override { ResetVelmoRegistry(); }

    void UseGateway(const std::string& gate, const std::string& param = "") {
        PutText(kOtpModule, "SMS-Gate", gate);
        PutText(kOtpModule, "SMS-Gate-Param", param);
    }
    int Send(const char* destination = "+4917012345", const char* code = "123456", size_t size = kStatusSize) {
        status.assign(size, 'x');
        return SendOtpCode(destination, "alice", code, status.data(), size);
    }
    std::string Status() const { return status.c_str(); }

    // Answers like the SMS service: 201 and a JSON message for good
    // credentials and a complete form, 401 otherwise.
    void TwilioLikeEndpoint() {
        server.AnswerWith([](const RecordedRequest& r) -> std::pair<int, std::string> {
            if (r.Header("Authorization") != kTwilioBasic) return {401, "{\"code\": 20003, \"message\": \"Authenticate\"}"};
            if (r.method != "POST" || r.Header("Content-Type") != "application/x-www-form-urlencoded")
                return {400, "{\"message\": \"bad request\"}"};
            return {201, "{\"status\": \"queued\", \"form\": \"" + r.body + "\"}"};
        });
    }

    TraceCapture trace;
    LoopbackHttpServer server;
    std::string status;
};

}  // namespace

TEST_F(SmsGateway, GetTemplateFillsTheFirstPlaceholdersAndReportsTheAnswer) {
    const std::string gate = server.Url("/sms?to=%phone%&text=Code:%text%&cc=%phone%&again=%text%");
    UseGateway(gate);
    server.Answer(200, "OK 1 message queued");
    EXPECT_EQ(Send("+49170&x=1", "123456"), kDeliveryRan);
    EXPECT_EQ(Status(), "SMS delivery status: OK 1 message queued");
    const auto request = server.LastRequest();
    EXPECT_EQ(request.method, "GET");
    EXPECT_EQ(request.query, "to=+49170&x=1&text=Code:123456&cc=%phone%&again=%text%");
    EXPECT_EQ(request.Header("User-Agent"), "Velmo");
    EXPECT_TRUE(trace.Contains("Send by HTTP: " + gate + " alice"));
    EXPECT_TRUE(trace.Contains("Result: OK 1 message queued"));

    // A template without placeholders goes out as it is.
    UseGateway(server.Url("/fixed"));
    EXPECT_EQ(Send(), kDeliveryRan);
    EXPECT_EQ(server.LastRequest().target, "/fixed?");

    // An https-looking script name is still a URL: it holds "http".
    UseGateway(server.Url("/OtpDeliveryScript.ps1?to=%phone%"));
    EXPECT_EQ(Send(), kDeliveryRan);
    EXPECT_EQ(server.LastRequest().path, "/OtpDeliveryScript.ps1");
}

TEST_F(SmsGateway, AnswersAreCutAndErrorPagesStillCountAsRan) {
    UseGateway(server.Url("/sms?to=%phone%"));
    server.Answer(200, std::string(300, 'a') + "BEYOND");
    EXPECT_EQ(Send(), kDeliveryRan);
    EXPECT_EQ(Status(), "SMS delivery status: " + std::string(300, 'a'));

    server.Answer(500, "<html>Internal error</html>");
    EXPECT_EQ(Send(), kDeliveryRan);
    EXPECT_EQ(Status(), "SMS delivery status: <html>Internal error</html>");

    server.Answer(200, std::string(200000, 'b'));
    EXPECT_EQ(Send("+49", "1", 40), kDeliveryRan);
    EXPECT_EQ(Status(), "SMS delivery status: " + std::string(18, 'b'));

    server.Answer(200, "");
    EXPECT_EQ(Send(), kDeliveryRan);
    EXPECT_EQ(Status(), "SMS delivery status: ");
}

TEST_F(SmsGateway, LongTemplatesAreCutAt339Characters) {
    const std::string base = server.Url("/p/");
    UseGateway(base + std::string(250, 'x') + "/%phone%/%text%");
    EXPECT_EQ(Send(std::string(100, '9').c_str()), kDeliveryRan);
    const std::string target = server.LastRequest().target;
    EXPECT_EQ(target.size(), 339 - server.Url().size() + 1);  // the path and "?"
}

TEST_F(SmsGateway, UnreachableGatewaysFailWithTheNetworkErrorText) {
    const std::string hostPort = "127.0.0.1:" + std::to_string(UnusedLoopbackPort());
    UseGateway("http://" + hostPort + "/sms?to=%phone%");
    EXPECT_EQ(Send("+49", "1"), kDeliveryFailed);
    EXPECT_EQ(Status(), kNetworkError);
    EXPECT_TRUE(trace.Contains("GET err RequestGet HttpSendRequest 12029 http://" + hostPort + "/sms?to=+49"));

    // Neither a script nor "http": taken as a URL without scheme.
    UseGateway(hostPort + "/sms");
    EXPECT_EQ(Send(), kDeliveryFailed);
    EXPECT_EQ(Status(), kNetworkError);

    UseGateway("");
    EXPECT_EQ(Send(), kDeliveryFailed);
    EXPECT_EQ(Status(), kNetworkError);
}

TEST_F(SmsGateway, TwilioFormPostsTheQueryWithBasicCredentials) {
    TwilioLikeEndpoint();
    const std::string gate = server.Url(std::string(kTwilioPath) + "?To=%phone%&From=123&Body=%text%");
    UseGateway(gate, kTwilioParam);
    EXPECT_EQ(Send("+4917012345", "654321"), kDeliveryRan);
    EXPECT_EQ(Status(), "SMS delivery status: {\"status\": \"queued\", \"form\": \"To=+4917012345&From=123&Body=654321\"}");
    const auto request = server.LastRequest();
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.target, kTwilioPath);
    EXPECT_EQ(request.body, "To=+4917012345&From=123&Body=654321");
    EXPECT_TRUE(trace.Contains("Url args To=+4917012345&From=123&Body=654321"));
    EXPECT_TRUE(trace.Contains(std::string("auth Authorization: ") + kTwilioBasic));

    // Wrong credentials: the service's refusal is the status text.
    UseGateway(gate, "AC1234567:wrongtoken");
    EXPECT_EQ(Send(), kDeliveryRan);
    EXPECT_EQ(Status(), "SMS delivery status: {\"code\": 20003, \"message\": \"Authenticate\"}");

    // The code is filled in even without a phone placeholder.
    UseGateway(server.Url(std::string(kTwilioPath) + "?From=123&Body=%text%"), kTwilioParam);
    EXPECT_EQ(Send("+49", "777888"), kDeliveryRan);
    EXPECT_EQ(server.LastRequest().body, "From=123&Body=777888");
}

TEST_F(SmsGateway, TwilioAnswersKeep400CharactersAndAUrlWithoutQueryPostsAMarker) {
    server.Answer(201, std::string(400, 'q') + "BEYOND");
    UseGateway(server.Url(kTwilioPath), kTwilioParam);
    EXPECT_EQ(Send(), kDeliveryRan);
    EXPECT_EQ(Status(), "SMS delivery status: " + std::string(400, 'q'));
    EXPECT_EQ(server.LastRequest().target, kTwilioPath);
    EXPECT_EQ(server.LastRequest().body, "Bad-Velmo-SettingsUrl");

    const std::string hostPort = "127.0.0.1:" + std::to_string(UnusedLoopbackPort());
    UseGateway("http://" + hostPort + "/twilio/M.json?To=%phone%", kTwilioParam);
    EXPECT_EQ(Send(), kDeliveryFailed);
    EXPECT_EQ(Status(), kNetworkError);
    EXPECT_TRUE(trace.Contains(
        "Http Request err RequestPost HttpSendRequest 12029 Content-Type: application/x-www-form-urlencoded http://" +
        hostPort + "/twilio/M.json"));
}

TEST_F(SmsGateway, ShortTwilioCredentialsGiveTheHelpTextAndSendNothing) {
    TwilioLikeEndpoint();
    const std::string gate = server.Url(std::string(kTwilioPath) + "?To=%phone%&Body=%text%");
    UseGateway(gate, "AC12:toke");  // 9 characters
    EXPECT_EQ(Send(), kDeliveryFailed);
    EXPECT_EQ(Status(),
              "Please create string values in registry: \n\n HKEY_LOCAL_MACHINESOFTWAREWOW6432NodeVelmoOtpModule\n\n"
              "SMS-Gate-Param = ACxxxxxxxx:token\nSMS-Gate-Success-Value = queued\n\n"
              "That includes your twillio account key and token and success delivery indicator");
    EXPECT_EQ(server.RequestCount(), 0u);
    UseGateway(gate);
    EXPECT_EQ(Send(), kDeliveryFailed);
    EXPECT_EQ(server.RequestCount(), 0u);

    UseGateway(gate, "AC12:token");  // 10 characters are enough
    EXPECT_EQ(Send(), kDeliveryRan);
    EXPECT_EQ(server.LastRequest().Header("Authorization"), "Basic QUMxMjp0b2tlbg==");
}
