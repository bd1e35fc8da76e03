// ReadData through the real DLL: stored blocks, the provisioning functions,
// the OTP kind query and the setting commands.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "common/clock.h"
#include "otp/otp_code.h"
#include "support/module_trace.h"
#include "support/otp_codes.h"
#include "support/velmo_dll.h"
#include "support/windows_env.h"

using namespace velmo::test;

namespace {

constexpr char kSecret[] = "GEZDGNBVGY3TQOJQGEZDGNBVGY3TQOJQ";
constexpr uint32_t kNoChange = 0xA5A5A5A5;

struct Answer {
    int result;
    std::string bytes;  // the first 990 bytes of the buffer
    uint32_t length;
    std::string Text() const { return bytes.c_str(); }
};

class KeyData : public ::testing::Test {
protected:
    void SetUp() override {
        ResetVelmoRegistry();
        trace = std::make_unique<ModuleTrace>();
        dll.InitLibrary();
    }
    void TearDown() override {
        dll.CloseLibrary();
        trace.reset();
        ResetVelmoRegistry();
    }
    Answer Read(const char* user, uint32_t block, const std::string& input = "", uint32_t room = 990) {
        std::string buffer(990, '\xEE');
        if (!input.empty()) std::memcpy(buffer.data(), input.c_str(), std::min<size_t>(input.size() + 1, buffer.size()));
        uint32_t length = room == 990 ? kNoChange : room;
        const int result = dll.ReadData(user, block, reinterpret_cast<uint8_t*>(buffer.data()), &length);
        return {result, buffer, length};
    }
    Answer Set(const char* user, const std::string& command) { return Read(user, 11, command); }
    static std::string Stored(const std::string& name) {
        auto raw = GetRaw(kOtpModule, name);
        return raw ? raw->Text() : "<missing>";
    }
    static uint32_t Number(const std::string& name) {
        auto raw = GetRaw(kOtpModule, name);
        return raw ? raw->Dword() : 0xDEAD;
    }
    VelmoDll dll;
    std::unique_ptr<ModuleTrace> trace;
};

}  // namespace

TEST_F(KeyData, BadUserNamesGetZeroAndNothingElse) {
    for (const char* name : {static_cast<const char*>(nullptr), ""}) {
        const Answer a = Read(name, 5);
        EXPECT_EQ(a.result, 0);
        EXPECT_EQ(a.length, kNoChange);
        EXPECT_EQ(a.bytes[0], '\xEE');
    }
    const std::string name141(141, 'u'), name140(140, 'u');
    EXPECT_EQ(Read(name141.c_str(), 5).result, 0);
    EXPECT_EQ(Read(name140.c_str(), 5).result, 1);
    EXPECT_TRUE(GetRaw(kOtpModule, std::string(90, 'u') + "_key"));  // the working name is cut to 90
    EXPECT_TRUE(trace->StartingWith("ReadData " + name141).empty());
}

TEST_F(KeyData, ProvisioningUrlAndHexSecretCreateTheMissingSecret) {
    const Answer url = Read("CORP\\alice", 5);
    EXPECT_EQ(url.result, 1);
    EXPECT_NE(url.Text().find("otpauth://totp/alice@"), std::string::npos);
    EXPECT_EQ(url.length, url.Text().size() + 1);
    EXPECT_EQ(Number("alice#"), 0u);  // a time-based secret
    const std::string secret = Stored("alice_key");
    EXPECT_NE(url.Text().find("?secret=" + secret), std::string::npos);
    EXPECT_TRUE(trace->Contains("ReadData CORP\\alice appid:5 len:" + std::to_string(static_cast<int>(kNoChange))));

    const Answer hex = Read("alice", 6);
    EXPECT_EQ(hex.result, 1);
    EXPECT_EQ(hex.Text().size(), 40u);
    EXPECT_EQ(hex.Text().find_first_not_of("0123456789abcdef"), std::string::npos);
    EXPECT_EQ(Stored("alice_key"), secret);  // asked again: the same secret

    EXPECT_EQ(Read("bob", 6).result, 1);
    EXPECT_EQ(Number("bob#"), 1u);  // the hex function creates a counter-based secret

    // Without a length pointer the functions still answer; nothing is traced
    // for the missing count.
    uint8_t buffer[990] = {};
    EXPECT_EQ(dll.ReadData("bob", 5, buffer, nullptr), 1);
    EXPECT_NE(std::string(reinterpret_cast<char*>(buffer)).find("otpauth://"), std::string::npos);
    EXPECT_EQ(dll.ReadData("bob", 10, buffer, nullptr), 10);
    EXPECT_EQ(dll.ReadData("bob", 5, nullptr, nullptr), 0);
}

TEST_F(KeyData, StoredBlocksAndTheirSizes) {
    const uint8_t block[] = {0, 1, 2, 3};
    PutRaw(HKEY_LOCAL_MACHINE, View::Wow32, kOtpModule, "carol_3", REG_BINARY, block, 4);
    PutText(kOtpModule, "carol_4", "text block");
    Answer a = Read("carol", 3, "", 16);
    EXPECT_EQ(a.result, 1);
    EXPECT_EQ(a.length, 4u);
    EXPECT_EQ(a.bytes.substr(0, 4), std::string("\0\1\2\3", 4));
    EXPECT_TRUE(trace->Contains("ReadData: rname=carol appid=3 (ret:4)"));

    a = Read("carol", 4, "", 64);  // the stored type is not checked
    EXPECT_EQ(a.Text(), "text block");
    EXPECT_EQ(a.length, 11u);

    a = Read("carol", 2, "", 16);
    EXPECT_EQ(a.result, 1);
    EXPECT_EQ(a.length, 0u);
    EXPECT_TRUE(trace->Contains("ReadData: rname=carol appid=2 (ret:0)"));

    a = Read("carol", 3, "", 2);  // too small
    EXPECT_EQ(a.result, 0);
    EXPECT_TRUE(trace->Contains("ReadData error: rname=carol appid=3 (ret:4)"));

    for (uint32_t number : {0u, 4294967295u}) EXPECT_EQ(Read("carol", number, "", 16).result, 1) << number;
    uint8_t out[8];
    EXPECT_EQ(dll.ReadData("carol", 3, out, nullptr), 0);  // no room given: an error, nothing written
    EXPECT_EQ(dll.ReadData("carol", 3, nullptr, nullptr), 0);
}

TEST_F(KeyData, AnyUserReadsTheBlocksOfTheLastMatchedUser) {
    PutText(kOtpModule, "dave_key", kSecret);
    const uint8_t block[] = {42};
    PutRaw(HKEY_LOCAL_MACHINE, View::Wow32, kOtpModule, "dave_1", REG_BINARY, block, 1);
    ASSERT_EQ(dll.VerifyPIN("AnyUser", CodeText(kSecret, static_cast<uint32_t>(velmo::UnixNow() / 30))), 1);
    const Answer a = Read("AnyUser", 1, "", 8);
    EXPECT_EQ(a.result, 1);
    EXPECT_EQ(a.length, 1u);
    EXPECT_EQ(a.bytes[0], 42);
}

TEST_F(KeyData, TheKindOfOtpAUserHas) {
    PutText(kOtpModule, "tina_key", kSecret);
    PutDword(kOtpModule, "tina#", 0);
    Answer a = Read("tina", 10);
    EXPECT_EQ(a.result, 10);
    EXPECT_EQ(a.bytes.substr(0, 10), std::string("totp\0\0\0\0\0\0", 10));
    EXPECT_EQ(a.length, kNoChange);
    EXPECT_TRUE(trace->Contains("ReadData get config for tina"));

    PutDword(kOtpModule, "tina#", 5);
    a = Read("tina", 10);
    EXPECT_EQ(a.result, 10);
    EXPECT_EQ(a.bytes.substr(0, 10), std::string("hotp\0\0\0\0\0\0", 10));

    PutText(kOtpModule, "tina_sms", "+15550100");
    a = Read("tina", 10);
    EXPECT_EQ(a.result, 8 + 9 + 1);
    EXPECT_EQ(a.bytes.substr(0, 18), std::string("sms-otp,+15550100\0", 18));
    EXPECT_EQ(a.length, kNoChange);
    EXPECT_TRUE(trace->Contains("FindADUser_DomainGroup failed "));

    a = Read("nobody", 10);
    EXPECT_EQ(a.result, 1);
    EXPECT_EQ(a.bytes.substr(0, 5), std::string(5, '\0'));
    EXPECT_EQ(a.length, 0u);
    PutDword(kVelmo, "USB_Only_login", 3);  // no directory answers: still nothing configured
    EXPECT_EQ(Read("nobody", 10).result, 1);
    EXPECT_FALSE(GetRaw(kOtpModule, "nobody_key"));
}

TEST_F(KeyData, SettingCommands) {
    // "totp" on a new user: a secret, U# 0, no destination, no skew.
    PutText(kOtpModule, "uma_sms", "+15550100");
    PutDword(kOtpModule, "uma_skew", 7);
    Answer a = Set("uma", "totp");
    EXPECT_EQ(a.result, 1);
    EXPECT_EQ(a.length, 0u);
    EXPECT_EQ(Stored("uma_key").size(), 32u);
    EXPECT_EQ(Number("uma#"), 0u);
    EXPECT_FALSE(GetRaw(kOtpModule, "uma_sms"));
    EXPECT_FALSE(GetRaw(kOtpModule, "uma_skew"));
    EXPECT_TRUE(trace->Contains("ReadData: Set OTP uma totp"));

    EXPECT_EQ(Set("uma", "hotp").result, 1);
    EXPECT_EQ(Number("uma#"), 1u);

    PutText(kOtpModule, "SMS-Gate", "https://sms.example.test/send?to=%phone%&text=%text%");
    EXPECT_EQ(Set("uma", "sms-otp,+15550199").result, 1);
    EXPECT_EQ(Stored("uma_sms"), "+15550199");
    EXPECT_EQ(Number("uma#"), 0u);

    // 40 hex digits and a step: a 32-character Base32 secret and U_step 60.
    PutDword(kOtpModule, "uma_skew", 7);
    a = Set("uma", "token-otp,3132333435363738393031323334353637383930,60");
    EXPECT_EQ(a.result, 1);
    EXPECT_EQ(Stored("uma_key"), kSecret);
    EXPECT_EQ(Number("uma_step"), 60u);
    EXPECT_FALSE(GetRaw(kOtpModule, "uma_skew"));
    EXPECT_TRUE(trace->Contains("ReadData: Set otp Key 40 bytes,  token-otp,3132333435363738393031323334353637383930,60"));

    // 32 hex digits are taken as Base32 as they stand (the length test first).
    EXPECT_EQ(Set("uma", "token-otp,31323334353637383930313233343536").result, 1);
    EXPECT_EQ(Stored("uma_key"), "31323334353637383930313233343536");
    EXPECT_EQ(Number("uma_step"), 30u);
    // 20 hex digits: a 16-character secret; a step of 0 or garbage means 30.
    EXPECT_EQ(Set("uma", "token-otp,3132333435363738393a,0").result, 1);
    EXPECT_EQ(Stored("uma_key").size(), 16u);
    EXPECT_EQ(Number("uma_step"), 30u);
    EXPECT_EQ(Set("uma", "token-otp,MZXW6YTBOIMZXW6YTBOIMZXW6YTBOIMZXW6YTBOIMZXW6YTBOI12,abc").result, 1);
    EXPECT_EQ(Stored("uma_key").size(), 52u);
    EXPECT_EQ(Set("uma", "token-otp,MZXW6YTBOI,-5").result, 0);
}

TEST_F(KeyData, SecretsOfTheWrongLengthAreRefused) {
    PutText(kOtpModule, "vic_key", kSecret);
    PutDword(kOtpModule, "vic_skew", 7);
    // 20 characters with a letter from G to Z: kept as text, wrong length.
    Answer a = Set("vic", "token-otp,ABCDEFGHIJKLMNOPQRST");
    EXPECT_EQ(a.result, 0);
    EXPECT_EQ(a.length, 0u);
    EXPECT_TRUE(trace->Contains("ReadData: len err 20 bytes,  ABCDEFGHIJKLMNOPQRST"));
    // The secret is read from the command's eleventh character on, wherever
    // the keyword stands; what the other keywords changed stays changed.
    a = Set("vic", "token-otp,ABCDEFGHIJKLMNOPQRST hotp");
    EXPECT_EQ(a.result, 0);
    EXPECT_EQ(Stored("vic_key"), kSecret);
    EXPECT_EQ(Number("vic#"), 1u);
    EXPECT_EQ(Number("vic_skew"), 7u);
    EXPECT_TRUE(trace->Contains("ReadData: len err 25 bytes,  ABCDEFGHIJKLMNOPQRST hotp"));

    // Every odd length of hex digits, and commands past 90 characters.
    for (size_t digits = 1; digits <= 64; ++digits) {
        const std::string hex(digits, 'a');
        // 16 or 32 characters as Base32; 10, 20 or 32 bytes of hex.
        const bool accepted = digits == 16 || digits == 32 || digits / 2 == 10 || digits / 2 == 20 || digits / 2 == 32;
        EXPECT_EQ(Set("vic", "token-otp," + hex).result, accepted ? 1 : 0) << digits;
    }
    const std::string longCommand = "token-otp," + std::string(200, 'Z');
    EXPECT_EQ(Set("vic", longCommand).result, 0);  // 64 characters at most are the secret
    EXPECT_TRUE(trace->Contains("ReadData: len err 64 bytes,  " + std::string(64, 'Z')));
    EXPECT_EQ(Set("vic", "token-otp,").result, 0);
    std::string unterminated(990, 'x');  // no NUL within the buffer: at most 90 bytes are read
    EXPECT_EQ(Read("vic", 11, unterminated).result, 1);
}

TEST_F(KeyData, DomainWorkstationsAnswerTotpForEveryFunction) {
    PutDword(kVelmo, "VelmoADmode", 1);
    PutDword(kVelmo, "OtpModeAD", 1);
    dll.InitLibrary();
    for (uint32_t number : {5u, 7u, 11u, 12u, 4294967295u}) {
        const Answer a = Read("alice", number);
        EXPECT_EQ(a.result, 10) << number;
        EXPECT_EQ(a.bytes.substr(0, 10), std::string("totp\0\0\0\0\0\0", 10));
    }
    EXPECT_FALSE(GetRaw(kOtpModule, "alice_key"));
    EXPECT_EQ(Read("alice", 4, "", 16).result, 1);  // blocks below 5 are still read
    dll.CloseLibrary();
}
