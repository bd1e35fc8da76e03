// User records in Wine's registry: which values are records, what an
// accepted or refused code leaves in them, the remote verification service,
// the record-wide search, secret generation and provisioning texts.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/clock.h"
#include "common/session_identity.h"
#include "common/user_list_sink.h"
#include "loopback_http_server.h"
#include "otp/provisioning.h"
#include "otp/record_scan.h"
#include "otp/user_record.h"
#include "otp/verification.h"
#include "support/otp_codes.h"
#include "support/trace_capture.h"
#include "support/windows_env.h"

using namespace velmo;
using namespace velmo::test;

namespace {

constexpr char kSecret[] = "GEZDGNBVGY3TQOJQGEZDGNBVGY3TQOJQ";
constexpr char kBobSecret[] = "MZXW6YTBOIMZXW6YTBOIMZXW6YTBOIMZ";
constexpr int64_t kNow = 1800000000;
constexpr uint32_t kT = kNow / 30;
int64_t FakeNow() { return kNow; }

class Records : public ::testing::Test {
protected:
    void SetUp() override {
        ResetVelmoRegistry();
        SetClockForTesting(FakeNow);
        trace.Clear();
    }
    void TearDown() override {
        SetClockForTesting(nullptr);
        ResetVelmoRegistry();
    }
    static bool Verify(uint32_t counter, const char* user = "alice", const char* secret = kSecret) {
        return verifyDevicePIN(user, secret, CodeText(secret, counter).c_str());
    }
    static std::vector<uint32_t> History(const char* name = "alice_history") {
        const auto raw = GetRaw(kOtpModule, name);
        std::vector<uint32_t> entries(raw ? raw->data.size() / 4 : 0);
        if (raw) std::memcpy(entries.data(), raw->data.data(), entries.size() * 4);
        return entries;
    }
    TraceCapture trace;
};

class RecordingList : public UserListSink {
public:
    void Clear() override { users.clear(); }
    void Add(const char* user) override { users.push_back(user); }
    std::vector<std::string> users;
};

}  // namespace

TEST_F(Records, VerificationReadsAndWritesTheUsersValues) {
    PutText(kOtpModule, "alice_key", kSecret);
    PutText(kOtpModule, "window", "3");  // a number stored as text
    PutDword(kOtpModule, "alice_step", 60);
    const uint32_t t = kNow / 60;
    EXPECT_TRUE(Verify(t + 40));  // the wide search learns the skew
    EXPECT_EQ(Value(kOtpModule, "alice_skew").Dword(), 40u);
    const auto before = AllValues(kOtpModule);
    EXPECT_FALSE(Verify(t + 44));  // outside a window of 3
    EXPECT_TRUE(AllValues(kOtpModule) == before);  // a refusal changes nothing
    EXPECT_TRUE(Verify(t + 43));
    EXPECT_EQ(Value(kOtpModule, "alice_history").type, static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(History().size(), 400u);
    EXPECT_EQ(History()[0], t + 43);
    EXPECT_EQ(History()[1], t + 40);

    // Counter-based: U# moves past the matched counter.
    PutText(kOtpModule, "bob_key", kBobSecret);
    PutDword(kOtpModule, "bob#", 5);
    EXPECT_TRUE(Verify(7, "bob", kBobSecret));
    EXPECT_EQ(Value(kOtpModule, "bob#").Dword(), 8u);

    // "DisableOtpHistory" under the host settings: the same code twice.
    PutDword(kVelmo, "DisableOtpHistory", 1);
    EXPECT_TRUE(Verify(9, "bob", kBobSecret));
    PutDword(kOtpModule, "bob#", 9);
    EXPECT_TRUE(Verify(9, "bob", kBobSecret));
}

TEST_F(Records, AVerificationServiceDecidesInsteadOfTheRecord) {
    PutText(kOtpModule, "alice_key", kSecret);
    PutText(kOtpModule, "URL", "abcde");  // five characters: still local
    EXPECT_TRUE(Verify(kT));
    LoopbackHttpServer service;
    PutText(kOtpModule, "URL", service.Url("/check?user=%user%&otp=%pass%"));
    const auto before = AllValues(kOtpModule);
    service.Answer(200, R"({"status": true, "result": {"value": true}})", "application/json");
    EXPECT_TRUE(verifyDevicePIN("alice", kSecret, "424242"));  // whatever the record says
    EXPECT_TRUE(AllValues(kOtpModule) == before);  // no history, no skew
    service.Answer(200, R"({"status": false})", "application/json");
    EXPECT_FALSE(Verify(kT + 1));
    EXPECT_EQ(Stored("URL-ret"), R"({"status": false})");
}

TEST_F(Records, TheScanFindsRecordsAndStopsAtTheOneThatAccepts) {
    // Created in name order: Wine enumerates by name, Windows mostly in the
    // order of creation.
    const std::vector<uint8_t> history(1600, 7);  // longer than the scan's data buffer
    PutRaw(HKEY_LOCAL_MACHINE, View::Wow32, kOtpModule, "aaa_history", REG_BINARY, history.data(), history.size());
    PutText(kOtpModule, "alice_key", kSecret);
    PutText(kOtpModule, "bob_key", "");             // one byte: not a record
    PutText(kOtpModule, "carol_key2", "MZXW6YTB");  // user "carol_", secret from this value
    PutDword(kOtpModule, "dave_key", 5);            // not a text
    PutText(kOtpModule, "Key #1", kBobSecret);
    PutText(kOtpModule, "zed_key", "MZXW6YTBOI");
    std::vector<std::string> found;
    for (const auto& r : ScanRecords()) found.push_back(r.userName + "=" + r.secret);
    EXPECT_EQ(found, (std::vector<std::string>{"alice=" + std::string(kSecret), "carol_=MZXW6YTB",
                                               "Key #1=" + std::string(kBobSecret), "zed=MZXW6YTBOI"}));

    // Each value is traced as it is met, each record checked when found, and
    // the walk ends at the record that accepts.
    trace.Clear();
    char matched[250] = {};
    EXPECT_EQ(findVerifyUserName(CodeText(kBobSecret, kT + 1).c_str(), matched, sizeof matched), 1);
    EXPECT_STREQ(matched, "Key #1");
    std::vector<std::string> walk;
    for (const auto& line : trace.Lines())
        if (line.rfind("scan ", 0) == 0 || line.rfind("findVerifyUserName ", 0) == 0) walk.push_back(line);
    EXPECT_EQ(walk, (std::vector<std::string>{"scan aaa_history 1600 3", "scan alice_key 33 1",
                                              "findVerifyUserName alice 0", "scan bob_key 1 1", "scan carol_key2 9 1",
                                              "findVerifyUserName carol_ 0", "scan dave_key 4 4", "scan Key #1 33 1",
                                              "findVerifyUserName Key #1 1"}));

    RecordingList list;
    RegisterUserListSink(&list);
    EXPECT_EQ(findVerifyUserName("", matched, sizeof matched), 0);
    RegisterUserListSink(nullptr);
    EXPECT_EQ(list.users, (std::vector<std::string>{"alice", "carol_", "Key #1", "zed"}));
    ResetVelmoRegistry();
    EXPECT_TRUE(ScanRecords().empty());  // no module key at all
}

TEST_F(Records, SecretsDestinationsAndProvisioningTexts) {
    GenerateOTP_Key_User("alice", kCounterBased);
    const std::string secret = Stored("alice_key");
    EXPECT_EQ(secret.size(), 32u);
    EXPECT_EQ(secret.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ234567"), std::string::npos);
    EXPECT_EQ(Value(kOtpModule, "alice#").Dword(), 1u);
    for (const auto& line : trace.Lines()) EXPECT_EQ(line.find(secret.substr(0, 7)), std::string::npos) << line;
    GenerateOTP_Key_User("alice", kTimeBased);
    EXPECT_NE(Stored("alice_key"), secret);
    EXPECT_EQ(Value(kOtpModule, "alice#").Dword(), 0u);

    // A user name with the protected mark keeps a plain record. A destination
    // makes a counter-based user time-based: her codes are sent, not counted.
    PutDword(kOtpModule, "maxxxine#", 5);
    EXPECT_EQ(Manage_SMS_Number_User("maxxxine", std::string(179, '5').c_str()), 1u);
    EXPECT_EQ(Stored("maxxxine_sms"), std::string(179, '5'));
    EXPECT_EQ(Value(kOtpModule, "maxxxine#").Dword(), 0u);
    EXPECT_EQ(Manage_SMS_Number_User("maxxxine", std::string(180, '6').c_str()), 0u);
    EXPECT_EQ(Stored("maxxxine_sms"), std::string(179, '5'));
    EXPECT_EQ(Manage_SMS_Number_User("maxxxine", nullptr), 0u);
    EXPECT_EQ(Stored("maxxxine_sms"), "<missing>");

    char user[kSessionNameSize], domain[kSessionNameSize];
    GetSessionUserName(user, domain, kSessionNameSize);
    ASSERT_STRNE(domain, "");
    PutText(kOtpModule, "bob_key", kSecret);
    const std::string uri = "otpauth://totp/bob@" + std::string(domain) + "?secret=" + kSecret;
    EXPECT_EQ(GenerateQR_Code_User("bob", 0), kBuiltInQrPrefix + uri);
    EXPECT_STREQ(GenerateQR_Code_User("bob", 1), "3132333435363738393031323334353637383930");
    // A prefix too short to be one, or leaving no room for the URI, is not used.
    const std::string own = "https://qr.example.test/make?data=", tooLong = own + std::string(450, 'p');
    for (const auto& [prefix, used] : {std::pair<std::string, std::string>{"x", kBuiltInQrPrefix}, {own, own},
                                       {tooLong, kBuiltInQrPrefix}}) {
        PutText(kOtpModule, "QrCodeGenerator", prefix);
        EXPECT_EQ(GenerateQR_Code_User("bob", 0), used + uri) << prefix;
    }
    EXPECT_STREQ(GenerateQR_Code_User("nobody", 0), "");
    PutText(kOtpModule, "carol_key", "!!!!");  // decodes to nothing
    EXPECT_STREQ(GenerateQR_Code_User("carol", 1), "");
}
