// The exports through the real DLL, as the logon host calls them: lifecycle,
// VerifyPIN, ReadData and the data-block writers reach their rules and the
// right registry values.
#include <gtest/gtest.h>

#include <string>

#include "common/clock.h"
#include "support/otp_codes.h"
#include "support/trace_capture.h"
#include "support/velmo_dll.h"
#include "support/windows_env.h"

using namespace velmo::test;

namespace {

constexpr char kSecret[] = "GEZDGNBVGY3TQOJQGEZDGNBVGY3TQOJQ";
constexpr char kBobSecret[] = "MZXW6YTBOIMZXW6YTBOIMZXW6YTBOIMZ";
const std::string kBypass(1, '\x13');
constexpr uint32_t kNoChange = VelmoDll::kUntouched;
using Answer = VelmoDll::Answer;

std::string CurrentCode(const char* secret = kSecret, int offsetSteps = 0) {
    return CodeText(secret, static_cast<uint32_t>(velmo::UnixNow() / 30 + offsetSteps));
}

class Exports : public ::testing::Test {
protected:
    void SetUp() override {
        ResetVelmoRegistry();
        trace = std::make_unique<TraceCapture>(TraceCapture::OfDll{});
        ASSERT_TRUE(dll.Loaded());
    }
    void TearDown() override {
        trace.reset();
        ResetVelmoRegistry();
    }
    VelmoDll dll;
    std::unique_ptr<TraceCapture> trace;
};

// Initialised for the whole test.
class Initialised : public Exports {
protected:
    void SetUp() override {
        Exports::SetUp();
        dll.InitLibrary();
    }
    void TearDown() override {
        dll.CloseLibrary();
        Exports::TearDown();
    }
};

}  // namespace

TEST_F(Exports, LifecycleCountsItsCallersAndSetsUpOnce) {
    // The reader name is cleared for every caller, before InitLibrary too.
    char* reader = dll.Get<velmo::exports::ReaderNameFn>("IsAnyReaderConnected")();
    reader[3] = 'x';  // a host scribbling on it gets a clean buffer next time
    EXPECT_EQ(std::string(dll.Get<velmo::exports::ReaderNameFn>("IsAnyReaderConnected")(), 150), std::string(150, '\0'));

    const auto* block = static_cast<const unsigned char*>(dll.InitLibrary());
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(block), 1008), std::string(1008, '\0'));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, View::Wow32, kOtpModule));
    dll.InitLibrary();
    dll.CloseLibrary();
    dll.CloseLibrary();
    dll.CloseLibrary();  // unmatched: the unsigned count wraps
    dll.InitLibrary();   // back to 0, and set up again since the count had reached 0
    dll.InitLibrary();
    dll.CloseLibrary();
    // The trace file is "VelmoPath" + "otp_" + this program's name + ".log".
    for (auto [line, count] : {std::pair<const char*, size_t>{"InitLibrary() 0, refs:1 role:0, admode:0", 1},
                               {"InitLibrary() 0, refs:0 role:0, admode:0", 1}, {"CloseLibrary() refs: 1", 1},
                               {"CloseLibrary() refs: -1", 1}, {"CloseLibrary() refs: 0", 2}})
        EXPECT_EQ(trace->Count(line), count) << line;
    PutDword(kVelmo, "OtpModeAD", 1);
    PutDword(kVelmo, "VelmoADmode", 2);
    dll.InitLibrary();
    EXPECT_TRUE(trace->Contains("InitLibrary() 0, refs:1 role:1, admode:2"));
    EXPECT_EQ(trace->Count(std::string(50, '=') + " "), 3u);  // a header at each setup
    dll.CloseLibrary();
}

TEST_F(Exports, InitLibrarySeedsUnusableDeliverySettings) {
    const struct {
        const char *gate, *success;  // null: missing
        const char *gateAfter, *successAfter;
    } rows[] = {{nullptr, nullptr, "OtpDeliveryScript.ps1", " OK "},
                {"x", "queued", "OtpDeliveryScript.ps1", "queued"},
                {"ab", "", "ab", " OK "}};
    for (const auto& row : rows) {
        ResetVelmoRegistry();
        if (row.gate) PutText(kOtpModule, "SMS-Gate", row.gate);
        if (row.success) PutText(kOtpModule, "SMS-Gate-Success-Value", row.success);
        dll.InitLibrary();
        EXPECT_EQ(Stored("SMS-Gate"), row.gateAfter);
        EXPECT_EQ(Stored("SMS-Gate-Success-Value"), row.successAfter);
        dll.CloseLibrary();
    }
}

TEST_F(Initialised, VerifyPinNamedUsersAndTheBypass) {
    PutText(kOtpModule, "alice_key", kSecret);
    std::string seen;
    // The name is cut at "@"; the host's code buffer is cut to 10 characters.
    EXPECT_EQ(dll.VerifyPIN("alice@corp.example", "0000" + CurrentCode() + "99", &seen), 1);
    EXPECT_EQ(seen, "0000" + CurrentCode());
    EXPECT_EQ(dll.VerifyPIN("alice", CurrentCode()), 0);  // replayed
    EXPECT_EQ(dll.VerifyPIN("CORP\\alice", CurrentCode(kSecret, 1)), 0);  // no record named so
    EXPECT_EQ(dll.VerifyPIN("alice", kBypass), 1);
    EXPECT_EQ(dll.VerifyPIN("bob", CurrentCode()), 0);  // no record at all
    EXPECT_EQ(dll.VerifyPIN("bob", kBypass), 1);
    // The only evidence of the no-config path: its trace line.
    EXPECT_TRUE(trace->Contains("VerifyOTP, no config. 13 0 (bob)"));

    auto verify = dll.Get<velmo::exports::VerifyPinFn>("VerifyPIN");
    char code[16] = "123456";
    EXPECT_EQ(verify(nullptr, code), 0);
    EXPECT_EQ(verify("alice", nullptr), 0);
    EXPECT_EQ(dll.VerifyPIN(std::string(5000, 'n').c_str(), CurrentCode()), 0);
}

TEST_F(Initialised, AnyUserFindsTheUserWhoseBlocksReadDataThenReads) {
    PutText(kOtpModule, "alice_key", kSecret);
    PutText(kOtpModule, "bob_key", kBobSecret);
    const uint8_t block[] = {42};
    PutRaw(HKEY_LOCAL_MACHINE, View::Wow32, kOtpModule, "bob_1", REG_BINARY, block, 1);
    EXPECT_EQ(dll.VerifyPIN("x-AnyUser-x", CurrentCode(kBobSecret)), 1);
    const Answer a = dll.Read("AnyUser", 1, "", 8);
    EXPECT_EQ(a.result, 1);
    EXPECT_EQ(a.length, 1u);
    EXPECT_EQ(a.bytes[0], 42);
    EXPECT_EQ(dll.VerifyPIN("anyuser", CurrentCode(kSecret)), 0);  // case matters: a named user
}

TEST_F(Initialised, TheFailureLimitLocksAUserWithoutComparingHerCodes) {
    PutText(kOtpModule, "alice_key", kSecret);
    PutText(kOtpModule, "bob_key", kBobSecret);
    PutDword(kVelmo, "MaxFailedCodes", 2);
    PutDword(kVelmo, "FailureLockSeconds", 60);
    EXPECT_EQ(dll.VerifyPIN("alice", "000001"), 0);
    EXPECT_EQ(dll.VerifyPIN("alice", "000002"), 0);
    EXPECT_EQ(dll.VerifyPIN("alice", CurrentCode()), 0);  // locked: even the right code
    // The record scan passes her by; bob's record still answers.
    EXPECT_EQ(dll.VerifyPIN("AnyUser", CurrentCode()), 0);
    EXPECT_EQ(dll.VerifyPIN("AnyUser", CurrentCode(kBobSecret)), 1);
    // Her lock, not her code, refused her: the only evidence is the trace.
    EXPECT_EQ(trace->StartingWith("VerifyPIN alice is locked for ").size(), 4u);  // locked, then refused 3 times
    EXPECT_EQ(dll.DeleteData("alice", 1), 1);  // the count goes with the record
    EXPECT_FALSE(GetRaw(kOtpModule, "alice_failures"));
}

TEST_F(Initialised, DomainWorkstationsWithoutADirectory) {
    PutText(kOtpModule, "alice_key", kSecret);
    PutDword(kVelmo, "VelmoADmode", 1);
    PutDword(kVelmo, "OtpModeAD", 1);  // a member workstation
    dll.InitLibrary();
    EXPECT_EQ(dll.VerifyPIN("alice", CurrentCode()), 1);  // no directory: the cached record decides
    // The directory decides the OTP functions: every block from 5 on is "totp".
    for (uint32_t number : {5u, 11u, 4294967295u}) {
        const Answer a = dll.Read("carol", number);
        EXPECT_EQ(a.result, 10) << number;
        EXPECT_EQ(a.bytes.substr(0, 10), std::string("totp\0\0\0\0\0\0", 10));
    }
    EXPECT_FALSE(GetRaw(kOtpModule, "carol_key"));
    EXPECT_EQ(dll.Read("carol", 4, "", 16).result, 1);
    dll.CloseLibrary();
}

TEST_F(Initialised, DataBlocksAreWrittenReadAndDeletedWithTheRecord) {
    const uint8_t block[] = {1, 2, 3, 0, 5};
    uint32_t length = sizeof block;
    EXPECT_EQ(dll.WriteData("carol", 3, block, &length), 1);
    EXPECT_EQ(Stored("carol_key").size(), 32u);  // a secret is made sure of
    EXPECT_EQ(Value(kOtpModule, "carol_3").type, static_cast<DWORD>(REG_BINARY));
    Answer a = dll.Read("CORP\\carol", 3, "", 16);
    EXPECT_EQ(a.result, 1);
    EXPECT_EQ(a.bytes.substr(0, 5), std::string(reinterpret_cast<const char*>(block), 5));
    EXPECT_EQ(a.length, 5u);
    EXPECT_EQ(dll.Read("carol", 3, "", 2).result, 0);  // no room
    EXPECT_EQ(dll.Read("carol", 2, "", 16).length, 0u);  // not there: 1 with length 0
    length = 0;
    EXPECT_EQ(dll.WriteData("carol", 3, block, &length), 1);  // a length of 0 deletes
    EXPECT_FALSE(GetRaw(kOtpModule, "carol_3"));
    EXPECT_EQ(dll.WriteData(std::string(41, 'w').c_str(), 1, block, &length), 0);
    EXPECT_EQ(dll.WriteData("", 2, block, &(length = 1)), 1);  // an empty name is a name
    EXPECT_TRUE(GetRaw(kOtpModule, "_2"));
    EXPECT_EQ(dll.WriteData("dan", 1, nullptr, &length), 1);  // nothing to store
    EXPECT_FALSE(GetRaw(kOtpModule, "dan_1"));

    PutText(kOtpModule, "erin_key", kSecret);
    for (const char* name : {"erin_sms", "erin_2", "erin_5", "erin_history"})
        PutRaw(HKEY_LOCAL_MACHINE, View::Wow32, kOtpModule, name, REG_BINARY, block, 1);
    for (const char* name : {"erin#", "erin_skew", "erin_step"}) PutDword(kOtpModule, name, 3);
    EXPECT_EQ(dll.DeleteData(std::string(21, 'e').c_str(), 2), 0);
    EXPECT_EQ(dll.DeleteData("erin", 2), 1);
    for (const char* gone : {"erin_2", "erin_key", "erin_sms", "erin_history", "erin_skew", "erin#"})
        EXPECT_FALSE(GetRaw(kOtpModule, gone)) << gone;
    for (const char* kept : {"erin_step", "erin_5"}) EXPECT_TRUE(GetRaw(kOtpModule, kept)) << kept;
    EXPECT_EQ(dll.VerifyPIN("erin", CurrentCode()), 0);
}

TEST_F(Initialised, ReadDataFunctions) {
    for (const std::string& name : {std::string(), std::string(141, 'u')}) {
        const Answer a = dll.Read(name.c_str(), 5);
        EXPECT_EQ(a.result, 0);
        EXPECT_EQ(a.length, kNoChange);
    }
    EXPECT_EQ(dll.ReadData(nullptr, 5, nullptr, nullptr), 0);

    // 5 and 6 create a missing secret: time-based for 5, counter-based for 6.
    const Answer url = dll.Read("CORP\\alice", 5);
    EXPECT_EQ(url.result, 1);
    EXPECT_EQ(url.length, url.Text().size() + 1);
    EXPECT_NE(url.Text().find("otpauth://totp/alice@"), std::string::npos);
    EXPECT_NE(url.Text().find("?secret=" + Stored("alice_key")), std::string::npos);
    EXPECT_EQ(Value(kOtpModule, "alice#").Dword(), 0u);
    EXPECT_EQ(dll.Read("bob", 6).Text().size(), 40u);
    EXPECT_EQ(Value(kOtpModule, "bob#").Dword(), 1u);

    // 10: the kind of OTP, or five zero bytes when nothing is configured.
    const struct {
        const char* user;
        int result;
        std::string bytes;
        uint32_t length;
    } kinds[] = {{"alice", 10, std::string("totp\0\0\0\0\0\0", 10), kNoChange},
                 {"bob", 10, std::string("hotp\0\0\0\0\0\0", 10), kNoChange},
                 {"sam", 18, std::string("sms-otp,+15550100\0", 18), kNoChange},
                 {"nobody", 1, std::string(5, '\0'), 0}};
    PutText(kOtpModule, "sam_sms", "+15550100");
    for (const auto& kind : kinds) {
        const Answer a = dll.Read(kind.user, 10);
        EXPECT_EQ(a.result, kind.result) << kind.user;
        EXPECT_EQ(a.bytes.substr(0, kind.bytes.size()), kind.bytes) << kind.user;
        EXPECT_EQ(a.length, kind.length) << kind.user;
    }

    // 11: the setting command reaches the record.
    PutDword(kOtpModule, "uma_skew", 7);
    Answer a = dll.Read("uma", 11, "token-otp,3132333435363738393031323334353637383930,60");
    EXPECT_EQ(a.result, 1);
    EXPECT_EQ(a.length, 0u);
    EXPECT_EQ(Stored("uma_key"), kSecret);
    EXPECT_EQ(Value(kOtpModule, "uma_step").Dword(), 60u);
    EXPECT_FALSE(GetRaw(kOtpModule, "uma_skew"));
    a = dll.Read("uma", 11, "token-otp,MZXW6YTBOI,-5 hotp");  // wrong length: refused, hotp stays applied
    EXPECT_EQ(a.result, 0);
    EXPECT_EQ(a.length, 0u);
    EXPECT_EQ(Stored("uma_key"), kSecret);
    EXPECT_EQ(Value(kOtpModule, "uma#").Dword(), 1u);
}

TEST_F(Exports, TheRecordKeyIsForSystemAndAdministratorsOnly) {
    dll.InitLibrary();
    dll.CloseLibrary();
    EXPECT_FALSE(WideGroupMayRead(Access(Secured::Key, kOtpModule))) << Access(Secured::Key, kOtpModule);
    // A key users may read, as another tool may have left it, is tightened once.
    ASSERT_TRUE(SetAccess(Secured::Key, kOtpModule, "D:(A;OICI;KR;;;BU)(A;OICI;KA;;;BA)(A;OICI;KA;;;SY)"));
    for (int i = 0; i < 2; ++i) {
        dll.InitLibrary();
        dll.CloseLibrary();
    }
    EXPECT_FALSE(WideGroupMayRead(Access(Secured::Key, kOtpModule))) << Access(Secured::Key, kOtpModule);
    EXPECT_EQ(trace->StartingWith(std::string(kOtpModule) + " was readable by users").size(), 1u);
    // In domain mode the access library's key too: it holds its service password.
    PutDword(kVelmo, "VelmoADmode", 1);
    PutText("SOFTWARE\\Velmo\\Adap", "Server", "dc1");
    ASSERT_TRUE(SetAccess(Secured::Key, "SOFTWARE\\Velmo\\Adap", "D:(A;OICI;KR;;;BU)(A;OICI;KA;;;BA)(A;OICI;KA;;;SY)"));
    dll.InitLibrary();
    dll.CloseLibrary();
    EXPECT_FALSE(WideGroupMayRead(Access(Secured::Key, "SOFTWARE\\Velmo\\Adap")));
}
