// VerifyPIN, WriteData and DeleteData through the real DLL on the real clock.
#include <gtest/gtest.h>

#include <cstdio>
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
const std::string kBypass(1, '\x13');

std::string CurrentCode(const char* secret = kSecret, int offsetSteps = 0) {
    return CodeText(secret, static_cast<uint32_t>(velmo::UnixNow() / 30 + offsetSteps));
}

class Logon : public ::testing::Test {
protected:
    void SetUp() override {
        ResetVelmoRegistry();
        trace = std::make_unique<ModuleTrace>();
        ASSERT_TRUE(dll.Loaded());
        dll.InitLibrary();
    }
    void TearDown() override {
        dll.CloseLibrary();
        trace.reset();
        ResetVelmoRegistry();
    }
    static std::string Stored(const std::string& name) {
        auto raw = GetRaw(kOtpModule, name);
        return raw ? raw->Text() : "<missing>";
    }
    VelmoDll dll;
    std::unique_ptr<ModuleTrace> trace;
};

}  // namespace

TEST_F(Logon, NamedUsersVerifyAgainstTheirRecord) {
    PutText(kOtpModule, "alice_key", kSecret);
    const std::string code = CurrentCode();
    EXPECT_EQ(dll.VerifyPIN("alice@corp.example", code), 1);
    EXPECT_TRUE(trace->Contains("VerifyOTP:\t[in]user=alice  pin = " + code + " 1 (32)"));
    EXPECT_EQ(dll.VerifyPIN("alice", code), 0);  // replay
    EXPECT_EQ(dll.VerifyPIN("alice", "123x56"), 0);
    EXPECT_EQ(dll.VerifyPIN("CORP\\alice", CurrentCode(kSecret, 1)), 0);  // no record named so

    // A 12-digit text is cut to 10 in the host's buffer; leading zeros carry
    // no meaning.
    std::string seen;
    EXPECT_EQ(dll.VerifyPIN("alice", "0000" + CurrentCode(kSecret, 2) + "99", &seen), 1);
    EXPECT_EQ(seen, "0000" + CurrentCode(kSecret, 2));
}

TEST_F(Logon, TheBypassCharacterAndUsersWithoutARecord) {
    EXPECT_EQ(dll.VerifyPIN("bob", "123456"), 0);
    EXPECT_EQ(dll.VerifyPIN("bob", kBypass), 1);
    EXPECT_TRUE(trace->Contains("VerifyOTP, no config. 13 0 (bob)"));
    EXPECT_TRUE(trace->Contains("VerifyOTP, no config. 31 0 (bob)"));

    PutText(kOtpModule, "alice_key", kSecret);
    EXPECT_EQ(dll.VerifyPIN("alice", kBypass), 1);
    EXPECT_EQ(trace->StartingWith("verifyDevicePIN key:").size(), 0u);
    // A code whose first character does not fit a signed byte is shown as one.
    EXPECT_EQ(dll.VerifyPIN("bob", "\xE9"), 0);
    EXPECT_TRUE(trace->Contains("VerifyOTP, no config. FFFFFFE9 0 (bob)"));
}

TEST_F(Logon, AnyUserFindsTheRecordTheCodeBelongsTo) {
    const char* bobSecret = "MZXW6YTBOIMZXW6YTBOIMZXW6YTBOIMZ";
    PutText(kOtpModule, "alice_key", kSecret);
    PutText(kOtpModule, "bob_key", bobSecret);
    EXPECT_EQ(dll.VerifyPIN("AnyUser", CurrentCode(bobSecret)), 1);
    EXPECT_TRUE(trace->Contains("findVerifyUserName bob 1"));
    EXPECT_EQ(dll.VerifyPIN("x-AnyUser-x", CurrentCode(kSecret)), 1);
    EXPECT_TRUE(trace->Contains("findVerifyUserName alice 1"));
    EXPECT_EQ(dll.VerifyPIN("AnyUser", "999999999"), 0);
    EXPECT_EQ(dll.VerifyPIN("anyuser", CurrentCode(kSecret, 1)), 0);  // case matters: a named user
}

TEST_F(Logon, DomainWorkstationsAskTheDirectoryFirst) {
    PutText(kOtpModule, "alice_key", kSecret);
    PutDword(kVelmo, "VelmoADmode", 1);
    PutDword(kVelmo, "OtpModeAD", 1);  // counts as a member workstation
    dll.InitLibrary();
    PutDword(kVelmo, "OfflineADMode", 1);
    EXPECT_EQ(dll.VerifyPIN("alice", CurrentCode()), 0);
    EXPECT_TRUE(trace->Contains("VerifyPIN VelmoADmode workstation. Write OTP to DC."));
    EXPECT_TRUE(trace->Contains("VerifyPIN AD failed. Offline mode OFF"));

    PutDword(kVelmo, "OfflineADMode", 0);
    EXPECT_EQ(dll.VerifyPIN("alice", CurrentCode()), 1);
    EXPECT_TRUE(trace->Contains("VerifyPIN AD failed. Continue in Offline mode , cached credentials."));
    EXPECT_TRUE(trace->Contains("VerifyPIN get config for alice"));
    dll.CloseLibrary();
}

TEST_F(Logon, HostileArgumentsGetZero) {
    PutText(kOtpModule, "alice_key", kSecret);
    auto verify = dll.Get<VelmoDll::VerifyPinFn>("VerifyPIN");
    char code[16] = "123456";
    EXPECT_EQ(verify(nullptr, code), 0);
    EXPECT_EQ(verify("alice", nullptr), 0);
    EXPECT_EQ(verify("", code), 0);
    for (size_t length : {90u, 91u, 140u, 141u, 5000u}) {
        const std::string name(length, 'n');
        EXPECT_EQ(dll.VerifyPIN(name.c_str(), CurrentCode()), 0) << length;
    }
    // A 91-character name is its first 90 characters.
    const std::string longName(90, 'l');
    PutText(kOtpModule, longName + "_key", kSecret);
    EXPECT_EQ(dll.VerifyPIN((longName + "z").c_str(), CurrentCode()), 1);
}

TEST_F(Logon, WriteDataStoresBlocksAndMakesSureOfASecret) {
    const uint8_t block[] = {1, 2, 3, 0, 5};
    uint32_t length = sizeof block;
    EXPECT_EQ(dll.WriteData("carol", 3, block, &length), 1);
    EXPECT_TRUE(trace->Contains("WriteData: rname =carol  appid=3"));
    EXPECT_EQ(Stored("carol_key").size(), 32u);
    EXPECT_EQ(GetRaw(kOtpModule, "carol#")->Dword(), 0u);
    auto stored = GetRaw(kOtpModule, "carol_3");
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->type, static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(stored->data, std::vector<uint8_t>(block, block + sizeof block));
    const std::string secret = Stored("carol_key");

    // Read back through ReadData, then deleted with a length of 0.
    uint8_t out[16] = {};
    uint32_t room = sizeof out;
    EXPECT_EQ(dll.ReadData("carol", 3, out, &room), 1);
    EXPECT_EQ(room, sizeof block);
    length = 0;
    EXPECT_EQ(dll.WriteData("carol", 3, block, &length), 1);
    EXPECT_FALSE(GetRaw(kOtpModule, "carol_3"));
    room = sizeof out;
    EXPECT_EQ(dll.ReadData("carol", 3, out, &room), 1);
    EXPECT_EQ(room, 0u);
    EXPECT_EQ(Stored("carol_key"), secret);  // an existing secret is kept

    const std::string name40(40, 'w'), name41(41, 'w');
    length = 1;
    EXPECT_EQ(dll.WriteData(name41.c_str(), 1, block, &length), 0);
    EXPECT_FALSE(GetRaw(kOtpModule, name41 + "_key"));
    EXPECT_EQ(dll.WriteData(name40.c_str(), 1, block, &length), 1);
    EXPECT_TRUE(GetRaw(kOtpModule, name40 + "_1"));
    EXPECT_EQ(dll.WriteData(nullptr, 1, block, &length), 0);
    EXPECT_EQ(dll.WriteData("", 2, block, &length), 1);  // an empty name is a name
    EXPECT_TRUE(GetRaw(kOtpModule, "_2"));
    EXPECT_EQ(Stored("_key").size(), 32u);
    EXPECT_EQ(dll.WriteData("dan", 1, nullptr, &length), 1);  // nothing to store
    EXPECT_FALSE(GetRaw(kOtpModule, "dan_1"));
    EXPECT_EQ(dll.WriteData("dan", 1, block, nullptr), 1);
    EXPECT_EQ(dll.WriteData("dan", 4294967295u, block, &length), 1);
    EXPECT_TRUE(GetRaw(kOtpModule, "dan_-1"));
}

TEST_F(Logon, DeleteDataRemovesTheRecordButKeepsStepAndOtherBlocks) {
    PutText(kOtpModule, "erin_key", kSecret);
    PutText(kOtpModule, "erin_sms", "+15550100");
    PutDword(kOtpModule, "erin#", 0);
    PutDword(kOtpModule, "erin_skew", 3);
    PutDword(kOtpModule, "erin_step", 60);
    const uint8_t data[] = {9};
    PutRaw(HKEY_LOCAL_MACHINE, View::Wow32, kOtpModule, "erin_2", REG_BINARY, data, 1);
    PutRaw(HKEY_LOCAL_MACHINE, View::Wow32, kOtpModule, "erin_5", REG_BINARY, data, 1);
    PutRaw(HKEY_LOCAL_MACHINE, View::Wow32, kOtpModule, "erin_history", REG_BINARY, data, 1);

    EXPECT_EQ(dll.DeleteData("erin", 2), 1);
    EXPECT_TRUE(trace->Contains("DeleteData: rname=erin appid=2"));
    for (const char* gone : {"erin_2", "erin_key", "erin_sms", "erin_history", "erin_skew", "erin#"})
        EXPECT_FALSE(GetRaw(kOtpModule, gone)) << gone;
    EXPECT_TRUE(GetRaw(kOtpModule, "erin_step"));
    EXPECT_TRUE(GetRaw(kOtpModule, "erin_5"));

    EXPECT_EQ(dll.VerifyPIN("erin", CurrentCode()), 0);
    EXPECT_EQ(dll.VerifyPIN("erin", kBypass), 1);

    const std::string name21(21, 'd');
    PutText(kOtpModule, name21 + "_key", kSecret);
    EXPECT_EQ(dll.DeleteData(name21.c_str(), 1), 0);
    EXPECT_TRUE(GetRaw(kOtpModule, name21 + "_key"));
    uint32_t length = 1;
    EXPECT_EQ(dll.WriteData(name21.c_str(), 1, data, &length), 1);
    EXPECT_EQ(dll.DeleteData(nullptr, 1), 0);
    EXPECT_EQ(dll.DeleteData("", 2), 1);
    EXPECT_FALSE(GetRaw(kOtpModule, "_2"));
}
