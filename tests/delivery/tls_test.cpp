// Remote verification and gateway delivery over HTTPS against loopback TLS
// servers (a CTest fixture): one certificate issued by a test CA that this
// test adds to the LocalMachine ROOT store, one that nobody trusts.
#include <gtest/gtest.h>

#include <windows.h>
#include <wincrypt.h>

#include <string>
#include <vector>

#include "delivery/delivery.h"
#include "delivery/remote_verification.h"
#include "http/net_fixtures.h"
#include "support/trace_capture.h"
#include "support/windows_env.h"

using namespace velmo;
using namespace velmo::test;

namespace {

bool TrustTestCa() {
    const std::string pem = ReadWholeFile(FixtureFile("ca.pem"));
    DWORD size = 0;
    if (!CryptStringToBinaryA(pem.c_str(), 0, CRYPT_STRING_BASE64HEADER, nullptr, &size, nullptr, nullptr)) return false;
    std::vector<BYTE> der(size);
    if (!CryptStringToBinaryA(pem.c_str(), 0, CRYPT_STRING_BASE64HEADER, der.data(), &size, nullptr, nullptr))
        return false;
    HCERTSTORE root = CertOpenStore(CERT_STORE_PROV_SYSTEM_A, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, "ROOT");
    if (!root) return false;
    const BOOL added = CertAddEncodedCertificateToStore(root, X509_ASN_ENCODING, der.data(), size,
                                                        CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
    CertCloseStore(root, 0);
    return added != FALSE;
}

class OverTls : public ::testing::Test {
protected:
    void SetUp() override {
        ResetVelmoRegistry();
        trusted = FixturePort("tls.ports", "trusted");
        untrusted = FixturePort("tls.ports", "untrusted");
        ASSERT_NE(trusted, 0) << "no TLS fixture at " << FixtureFile("tls.ports");
        ASSERT_TRUE(TrustTestCa());
    }
    void TearDown() override { ResetVelmoRegistry(); }
    static std::string Https(uint16_t port, const std::string& rest) {
        return "https://127.0.0.1:" + std::to_string(port) + rest;
    }

    TraceCapture trace;
    uint16_t trusted = 0, untrusted = 0;
};

}  // namespace

TEST_F(OverTls, VerificationAndGatewaysWorkWithATrustedCertificate) {
    PutText(kOtpModule, "URL", Https(trusted, "/verify?user=%user%&otp=%pass%"));
    char answer[kRemoteAnswerSize];
    EXPECT_EQ(verifyOTP_Web("alice", "123456", answer, sizeof answer), kRemoteConfirmed) << answer;
    EXPECT_STREQ(answer, "{\"status\": true, \"value\": true, \"path\": \"/verify\", \"query\": \"user=alice&otp=123456\"}");
    EXPECT_EQ(verifyOTP_Web("alice", "000000", answer, sizeof answer), kRemoteNoStatus);

    char status[990];
    PutText(kOtpModule, "SMS-Gate", Https(trusted, "/sms?to=%phone%&otp=%text%"));
    EXPECT_EQ(SendOtpCode("+49170", "alice", "123456", status, sizeof status), kDeliveryRan);
    EXPECT_STREQ(status, "SMS delivery status: {\"status\": true, \"value\": true, \"path\": \"/sms\", "
                         "\"query\": \"to=+49170&otp=123456\"}");

    PutText(kOtpModule, "SMS-Gate", Https(trusted, "/twilio/Messages.json?To=%phone%&Body=%text%"));
    PutText(kOtpModule, "SMS-Gate-Param", "AC12345678:token");
    EXPECT_EQ(SendOtpCode("+49170", "alice", "123456", status, sizeof status), kDeliveryRan);
    EXPECT_STREQ(status, "SMS delivery status: {\"echo\": \"To=+49170&Body=123456\", "
                         "\"type\": \"application/x-www-form-urlencoded\"}");
}

TEST_F(OverTls, AnUntrustedCertificateIsANetworkError) {
    const std::string url = Https(untrusted, "/verify?user=alice&otp=123456");
    PutText(kOtpModule, "URL", Https(untrusted, "/verify?user=%user%&otp=%pass%"));
    char answer[kRemoteAnswerSize];
    EXPECT_EQ(verifyOTP_Web("alice", "123456", answer, sizeof answer), kRemoteNetworkError);
    EXPECT_STREQ(answer, "Network error. Please use troubleshooting logs.");
    const auto lines = trace.StartingWith("verifyOTP_Web GET err RequestGet HttpSendRequest 120");
    ASSERT_EQ(lines.size(), 1u) << ::testing::PrintToString(trace.Lines());
    EXPECT_EQ(lines[0].substr(lines[0].size() - url.size()), url);

    char status[990];
    PutText(kOtpModule, "SMS-Gate", Https(untrusted, "/sms?to=%phone%"));
    EXPECT_EQ(SendOtpCode("+49170", "alice", "123456", status, sizeof status), kDeliveryFailed);
    EXPECT_STREQ(status, "Network error. Please use troubleshooting logs.");
}
