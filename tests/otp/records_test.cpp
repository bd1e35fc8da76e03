// User records, the record scan, secret generation and provisioning texts
// against Wine's registry.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <regex>
#include <string>

#include "common/session_identity.h"
#include "otp/base32.h"
#include "otp/provisioning.h"
#include "otp/record_scan.h"
#include "otp/user_record.h"
#include "support/trace_capture.h"
#include "support/windows_env.h"

using namespace velmo;
using namespace velmo::test;

namespace {

class Records : public ::testing::Test {
protected:
    void SetUp() override { ResetVelmoRegistry(); }
    void TearDown() override { ResetVelmoRegistry(); }
    TraceCapture trace;
};

std::string Stored(const std::string& name) {
    auto raw = GetRaw(kOtpModule, name);
    return raw ? raw->Text() : "<missing>";
}

std::vector<std::string> ScannedUsers() {
    std::vector<std::string> users;
    for (const auto& r : ScanRecords()) users.push_back(r.userName);
    std::sort(users.begin(), users.end());
    return users;
}

std::string SessionDomain() {
    char user[kSessionNameSize], domain[kSessionNameSize];
    GetSessionUserName(user, domain, kSessionNameSize);
    return domain;
}

}  // namespace

TEST_F(Records, GeneratedSecretsAreRandomBase32AndNeverTraced) {
    GenerateOTP_Key_User("alice", kTimeBased);
    const std::string first = Stored("alice_key");
    GenerateOTP_Key_User("alice", kCounterBased);
    const std::string second = Stored("alice_key");
    EXPECT_NE(first, second);
    for (const auto& s : {first, second}) {
        EXPECT_EQ(s.size(), 32u);
        EXPECT_EQ(s.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ234567"), std::string::npos);
    }
    EXPECT_EQ(GetRaw(kOtpModule, "alice#")->Dword(), 1u);
    EXPECT_TRUE(trace.Contains("GenerateOTP_Key_User created config for alice#, key: " + second.substr(0, 6)));
    for (const auto& line : trace.Lines()) EXPECT_EQ(line.find(second.substr(0, 7)), std::string::npos) << line;
}

TEST_F(Records, ProvisioningUrlAndHexSecret) {
    EXPECT_STREQ(GenerateQR_Code_User("nobody", 0), "");
    EXPECT_STREQ(GenerateQR_Code_User("nobody", 1), "");
    EXPECT_TRUE(trace.Contains("GenerateQR_Code_User, no config for nobody_key"));

    PutText(kOtpModule, "alice_key", "GEZDGNBVGY3TQOJQGEZDGNBVGY3TQOJQ");
    const std::string domain = SessionDomain();
    ASSERT_FALSE(domain.empty());
    const std::string uri = "otpauth://totp/alice@" + domain + "?secret=GEZDGNBVGY3TQOJQGEZDGNBVGY3TQOJQ";
    EXPECT_EQ(GenerateQR_Code_User("alice", 0), std::string(kBuiltInQrPrefix) + uri);
    EXPECT_STREQ(GenerateQR_Code_User("alice", 1), "3132333435363738393031323334353637383930");

    PutText(kOtpModule, "QrCodeGenerator", "x");
    EXPECT_EQ(GenerateQR_Code_User("alice", 0), std::string(kBuiltInQrPrefix) + uri);
    PutText(kOtpModule, "QrCodeGenerator", "https://qr.example.test/make?data=");
    EXPECT_EQ(GenerateQR_Code_User("alice", 0), "https://qr.example.test/make?data=" + uri);
    // A prefix that leaves no room for the whole URI gives way to the built-in one.
    PutText(kOtpModule, "QrCodeGenerator", "https://qr.example.test/" + std::string(450, 'p'));
    EXPECT_EQ(GenerateQR_Code_User("alice", 0), std::string(kBuiltInQrPrefix) + uri);

    // One shared result buffer: the first text now holds the second result.
    PutText(kOtpModule, "bob_key", "MZXW6YTBOI");
    const char* first = GenerateQR_Code_User("alice", 0);
    GenerateQR_Code_User("bob", 1);
    EXPECT_STREQ(first, "666f6f626172");

    PutText(kOtpModule, "carol_key", "!!!!");  // decodes to nothing
    EXPECT_STREQ(GenerateQR_Code_User("carol", 1), "");
}

TEST_F(Records, ScanFindsRecordsByTheirKeyValues) {
    PutText(kOtpModule, "alice_key", "GEZDGNBVGY3TQOJQ");
    PutText(kOtpModule, "bob_key", "");  // one byte: not a record
    PutText(kOtpModule, "Key #1", "MZXW6YTBOI");
    PutText(kOtpModule, "carol_key2", "MZXW6YTB");
    PutDword(kOtpModule, "dave_key", 5);  // not a text
    PutText(kOtpModule, "SMS-Gate", "OtpDeliveryScript.ps1");
    // A history longer than the scan's data buffer must not end the scan.
    const std::vector<uint8_t> history(1600, 7);
    PutRaw(HKEY_LOCAL_MACHINE, View::Wow32, kOtpModule, "aaa_history", REG_BINARY, history.data(), history.size());
    PutText(kOtpModule, "zed_key", "MZXW6YTBOI");

    EXPECT_EQ(ScannedUsers(), (std::vector<std::string>{"Key #1", "alice", "carol_", "zed"}));
    for (const auto& r : ScanRecords()) {
        if (r.userName == "Key #1") {
            EXPECT_EQ(r.secret, "MZXW6YTBOI");
        } else if (r.userName == "carol_") {
            EXPECT_EQ(r.secret, "MZXW6YTB");  // the value found, not "carol__key"
        }
    }
    EXPECT_TRUE(trace.Contains("scan bob_key 1 1"));
    EXPECT_TRUE(trace.Contains("scan dave_key 4 4"));
    EXPECT_TRUE(trace.Contains("scan aaa_history 1600 3"));

    ResetVelmoRegistry();
    EXPECT_TRUE(ScanRecords().empty());  // no module key at all
}

TEST_F(Records, DestinationsAreSetRefusedOrDeleted) {
    PutDword(kOtpModule, "erin#", 9);
    EXPECT_EQ(Manage_SMS_Number_User("erin", std::string(179, '5').c_str()), 1u);
    EXPECT_EQ(Stored("erin_sms"), std::string(179, '5'));
    EXPECT_EQ(GetRaw(kOtpModule, "erin#")->Dword(), 0u);
    EXPECT_TRUE(trace.Contains("Manage_SMS_Number_User new phone is set " + std::string(179, '5')));

    PutDword(kOtpModule, "erin#", 9);
    EXPECT_EQ(Manage_SMS_Number_User("erin", std::string(180, '6').c_str()), 0u);
    EXPECT_EQ(Stored("erin_sms"), std::string(179, '5'));
    EXPECT_EQ(GetRaw(kOtpModule, "erin#")->Dword(), 9u);

    EXPECT_EQ(Manage_SMS_Number_User("erin", nullptr), 0u);
    EXPECT_EQ(Stored("erin_sms"), "<missing>");
}

TEST_F(Records, NamesWithTheProtectedMarkKeepPlainRecords) {
    GenerateOTP_Key_User("maxxxine", kTimeBased);
    Manage_SMS_Number_User("maxxxine", "+15550100");
    const std::string secret = Stored("maxxxine_key");
    EXPECT_EQ(secret.size(), 32u);
    EXPECT_EQ(ReadSecret("maxxxine"), secret);
    EXPECT_EQ(Stored("maxxxine_sms"), "+15550100");
}

TEST_F(Records, ValueNamesAndTheWindowSetting) {
    EXPECT_EQ(RecordValueName("alice", kCounterSuffix), "alice#");
    EXPECT_EQ(BlockValueName("alice", 1), "alice_1");
    EXPECT_EQ(BlockValueName("alice", 4294967295u), "alice_-1");
    EXPECT_EQ(ReadVerificationWindow(), 6u);
    for (uint32_t stored : {0u, 19901u, 4294967295u}) {
        PutDword(kOtpModule, "window", stored);
        EXPECT_EQ(ReadVerificationWindow(), 6u) << stored;
    }
    PutDword(kOtpModule, "window", 19900);
    EXPECT_EQ(ReadVerificationWindow(), 19900u);
    PutText(kOtpModule, "window", "3");
    EXPECT_EQ(ReadVerificationWindow(), 3u);
}

TEST_F(Records, SessionIdentityTracesWhatItFound) {
    char user[kSessionNameSize], domain[kSessionNameSize];
    GetSessionUserName(user, domain, kSessionNameSize);
    EXPECT_FALSE(std::string(domain).empty());
    EXPECT_EQ(trace.StartingWith(std::string("Session user name: ") + user + " [" + domain + "] (session ").size(), 1u);
    GetSessionUserName(user, nullptr, kSessionNameSize);
    EXPECT_EQ(trace.StartingWith(std::string("Session user name: ") + user + "  (session ").size(), 1u);
    EXPECT_TRUE(IsVistaOrLater());
    char tinyUser[4], tinyDomain[4];
    GetSessionUserName(tinyUser, tinyDomain, 4);  // cut, never overflowed
    EXPECT_LT(std::strlen(tinyUser), 4u);
    EXPECT_LT(std::strlen(tinyDomain), 4u);
}
