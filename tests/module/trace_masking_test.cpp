// With "TraceMasking" = 1 a whole round through the real DLL (provisioning a
// token, logons right and wrong, a verification service, SMS by a gateway
// and by the Twilio form) leaves none of its secrets in the trace file: no
// secret, no part of one, no code, no key or credential.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/clock.h"
#include "loopback_http_server.h"
#include "support/otp_codes.h"
#include "support/trace_capture.h"
#include "support/velmo_dll.h"
#include "support/windows_env.h"

using namespace velmo::test;

namespace {

constexpr char kHexSecret[] = "3132333435363738393031323334353637383930";
constexpr char kSecret[] = "GEZDGNBVGY3TQOJQGEZDGNBVGY3TQOJQ";  // the same, as stored
constexpr char kTwilioCredentials[] = "AC0123456789:twilio-token-77";
constexpr char kTwilioBasic[] = "QUMwMTIzNDU2Nzg5OnR3aWxpby10b2tlbi03Nw==";

std::string Code(int offsetSteps = 0) {
    return CodeText(kSecret, static_cast<uint32_t>(velmo::UnixNow() / 30 + offsetSteps));
}

}  // namespace

TEST(TraceMasking, NoSecretCodeOrKeyReachesTheTrace) {
    ResetVelmoRegistry();
    PutDword(kVelmo, "TraceMasking", 1);
    TraceCapture trace{TraceCapture::OfDll{}};
    VelmoDll dll;
    ASSERT_TRUE(dll.Loaded());
    dll.InitLibrary();
    LoopbackHttpServer server;
    std::vector<std::string> secrets = {kHexSecret, kSecret, "GEZD",  kTwilioCredentials, "twilio-token-77",
                                        kTwilioBasic, "GATEKEY77", "SVCKEY123"};

    // A token given with its secret, then logons: accepted, replayed, wrong.
    EXPECT_EQ(dll.Read("alice", 11, std::string("token-otp,") + kHexSecret + ",30 totp").result, 1);
    const std::string first = Code(), second = Code(1);
    EXPECT_EQ(dll.VerifyPIN("alice", first), 1);
    EXPECT_EQ(dll.VerifyPIN("alice", first), 0);
    EXPECT_EQ(dll.VerifyPIN("alice", "987650"), 0);
    // A verification service that refuses, and one that cannot be reached.
    server.Answer(200, "unknown");
    PutText(kOtpModule, "URL", server.Url("/verify?key=SVCKEY123&u=%user%&p=%pass%"));
    EXPECT_EQ(dll.VerifyPIN("alice", second), 0);
    PutText(kOtpModule, "URL", "http://127.0.0.1:" + std::to_string(UnusedLoopbackPort()) + "/v/%pass%?k=SVCKEY123&u=%user%");
    EXPECT_EQ(dll.VerifyPIN("alice", second), 0);
    PutText(kOtpModule, "URL", "");

    // SMS through a gateway that fails and one that answers, and the Twilio form.
    PutText(kOtpModule, "sam_key", kSecret);
    PutText(kOtpModule, "sam_sms", "+15550100");
    server.Answer(200, " OK ");
    const std::string gateways[] = {
        "http://127.0.0.1:" + std::to_string(UnusedLoopbackPort()) + "/send?to=%phone%&text=%text%&apikey=GATEKEY77",
        server.Url("/send?to=%phone%&text=%text%&apikey=GATEKEY77"), server.Url("/twilio/Messages?To=%phone%&Body=%text%")};
    PutText(kOtpModule, "SMS-Gate-Param", kTwilioCredentials);
    for (const std::string& gateway : gateways) {
        PutText(kOtpModule, "SMS-Gate", gateway);
        dll.InitLibrary();  // the gateway is cached there
        dll.Read("sam", 7, "", 990);
        dll.CloseLibrary();
    }
    ASSERT_EQ(server.RequestCount(), 3u);  // the service once, the gateways twice
    // The codes the gateways were sent.
    for (const RecordedRequest& request : server.Requests()) {
        for (const auto& [text, key] : {std::pair{request.query, "text="}, std::pair{request.body, "Body="}}) {
            const size_t at = text.find(key);
            if (at != std::string::npos) secrets.push_back(text.substr(at + 5, text.find('&', at) - at - 5));
        }
    }
    secrets.push_back(first);
    secrets.push_back(second);
    secrets.push_back("987650");
    dll.CloseLibrary();

    const std::vector<std::string> lines = trace.Lines();
    ASSERT_GT(lines.size(), 40u);
    for (const std::string& line : lines)
        for (const std::string& secret : secrets) EXPECT_EQ(line.find(secret), std::string::npos) << secret << " in: " << line;
    // Who and what was decided stays readable.
    EXPECT_TRUE(trace.Contains("VerifyOTP:\t[in]user=alice  pin = ***** 1 (32)"));
    ResetVelmoRegistry();
}
