// Code verification on a controlled clock against Wine's registry: the
// window, the wide skew search, counters, the replay history and the
// record-wide search.
#include <gtest/gtest.h>

#include <cstdio>
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "common/clock.h"
#include "common/user_list_sink.h"
#include "otp/otp_code.h"
#include "otp/verification.h"
#include "loopback_http_server.h"
#include "support/otp_codes.h"
#include "support/trace_capture.h"
#include "support/windows_env.h"

using namespace velmo;
using namespace velmo::test;

namespace {

constexpr char kSecret[] = "GEZDGNBVGY3TQOJQGEZDGNBVGY3TQOJQ";
int64_t g_now = 1800000000;  // T = 60,000,000 with 30-second steps
int64_t FakeNow() { return g_now; }

std::string Code(uint32_t counter, const char* secret = kSecret) { return CodeText(secret, counter); }

std::string Hex(uint32_t v) {
    char text[12];
    std::snprintf(text, sizeof text, "%X", v);
    return text;
}

class Verification : public ::testing::Test {
protected:
    void SetUp() override {
        ResetVelmoRegistry();
        g_now = 1800000000;
        SetClockForTesting(FakeNow);
        PutText(kOtpModule, "alice_key", kSecret);
        trace.Clear();
    }
    void TearDown() override {
        SetClockForTesting(nullptr);
        ResetVelmoRegistry();
    }
    static uint32_t T() { return static_cast<uint32_t>(g_now / 30); }
    static bool Verify(const std::string& code, const char* user = "alice", const char* secret = kSecret) {
        return verifyDevicePIN(user, secret, code.c_str());
    }
    static uint32_t Number(const char* name, uint32_t missing = 0xDEAD) {
        auto raw = GetRaw(kOtpModule, name);
        return raw ? raw->Dword() : missing;
    }
    static std::vector<uint32_t> History(const char* user = "alice") {
        std::vector<uint32_t> entries;
        auto raw = GetRaw(kOtpModule, std::string(user) + "_history");
        if (!raw) return entries;
        entries.resize(raw->data.size() / 4);
        std::memcpy(entries.data(), raw->data.data(), entries.size() * 4);
        return entries;
    }
    TraceCapture trace;
};

class RecordingList : public UserListSink {
public:
    void Clear() override { users.clear(), ++clears; }
    void Add(const char* user) override { users.push_back(user); }
    std::vector<std::string> users;
    int clears = 0;
};

}  // namespace

TEST_F(Verification, MalformedCodesAreRejectedBeforeTheRecordIsRead) {
    for (const char* code : {"12345678901", "12a456", "-12345", " 12345", "123456 "}) {
        EXPECT_FALSE(Verify(code)) << code;
    }
    EXPECT_TRUE(trace.Lines().empty());
    EXPECT_FALSE(Verify(""));  // read, then refused as the value 0
    EXPECT_FALSE(Verify("000000"));
    EXPECT_EQ(trace.StartingWith("verifyDevicePIN key:").size(), 2u);
    EXPECT_EQ(Number("alice_skew"), 0xDEADu);
    EXPECT_FALSE(verifyDevicePIN(nullptr, kSecret, "123456"));
    EXPECT_FALSE(verifyDevicePIN("alice", nullptr, "123456"));
    EXPECT_FALSE(verifyDevicePIN("alice", kSecret, nullptr));
}

TEST_F(Verification, TheTraceLineDescribesTheCheck) {
    const std::string code = Code(T() + 4);
    EXPECT_TRUE(Verify(code));
    const std::string expected = "verifyDevicePIN key:GEZD now:" + std::to_string(ComputeCode(kSecret, T())) +
                                 ", pin:" + std::to_string(std::stoi(code)) + " (" + code + ") (time:" + Hex(T()) +
                                 " alice# skew:0 his:0 step:30 wnd: 6)";
    EXPECT_TRUE(trace.Contains(expected)) << expected;
    EXPECT_TRUE(trace.Contains("found tm+skew+lap " + Hex(T() + 4)));
    EXPECT_TRUE(trace.Contains("invalidate_timebased_code " + Hex(T() + 4) + " 0 ([0]=0, [1]=0)"));
}

TEST_F(Verification, AFirstCodeInTheWindowLearnsSkewZeroAndCannotBeReplayed) {
    const std::string code = Code(T() + 4);
    EXPECT_TRUE(Verify(code));
    EXPECT_EQ(Number("alice_skew"), 0u);  // not 4
    ASSERT_EQ(History().size(), 400u);
    EXPECT_EQ(History()[0], T() + 4);
    EXPECT_EQ(History()[1], 0u);

    const auto before = AllValues(kOtpModule);
    EXPECT_FALSE(Verify(code));
    EXPECT_TRUE(trace.Contains("invalidate_timebased_code fail " + Hex(T() + 4) + " == " + Hex(T() + 4)));
    EXPECT_TRUE(AllValues(kOtpModule) == before);

    // The leading zeros carry no meaning: ten digits with zeros in front are the same code.
    g_now += 30;
    const std::string next = Code(T() + 1);
    EXPECT_TRUE(Verify("0000" + next));
}

TEST_F(Verification, TheWideSearchLearnsAClockOffsetOnce) {
    EXPECT_TRUE(Verify(Code(T() + 40)));
    EXPECT_EQ(Number("alice_skew"), 40u);
    EXPECT_TRUE(trace.Contains("Scanning for new skew (0)"));
    EXPECT_TRUE(trace.Contains("found skew:40 tm+skew:" + Hex(T() + 40) + " (i:40) old_skew:FFFFF"));
    EXPECT_TRUE(Verify(Code(T() + 46)));  // window around T + 40
    EXPECT_TRUE(Verify(Code(T() + 34)));

    const auto before = AllValues(kOtpModule);
    const std::string distant = Code(T() + 47);
    EXPECT_FALSE(Verify(distant));
    EXPECT_TRUE(trace.Contains("verifyDevicePIN wrong: rname=" + distant + " "));
    EXPECT_TRUE(AllValues(kOtpModule) == before);

    // A late token: the offset is stored as a 32-bit two's complement.
    PutText(kOtpModule, "bob_key", kSecret);
    EXPECT_TRUE(Verify(Code(T() - 40), "bob"));
    EXPECT_EQ(Number("bob_skew"), 4294967256u);
    EXPECT_TRUE(Verify(Code(T() - 45), "bob"));
}

TEST_F(Verification, ALearnedSkewRejectsWhatTheWideSearchFinds) {
    PutDword(kOtpModule, "alice_skew", 40);
    const auto before = AllValues(kOtpModule);
    const std::string code = Code(T() - 100);
    EXPECT_FALSE(Verify(code));
    EXPECT_TRUE(trace.Contains("Scanning for new skew (28)"));
    EXPECT_TRUE(trace.Contains("found skew:-100 tm+skew:" + Hex(T() - 100) + " (i:100) old_skew:28"));
    EXPECT_TRUE(trace.Contains("verifyDevicePIN wrong: rname=" + code + " "));
    EXPECT_TRUE(AllValues(kOtpModule) == before);

    // The mark 1048575 reads exactly like no skew at all.
    PutDword(kOtpModule, "alice_skew", 1048575);
    EXPECT_TRUE(Verify(Code(T() + 40)));
    EXPECT_EQ(Number("alice_skew"), 40u);
}

TEST_F(Verification, CounterBasedTokensMoveTheCounterAndStayInTheWindow) {
    PutDword(kOtpModule, "alice#", 1);
    EXPECT_TRUE(Verify(Code(3)));  // window around counter 1
    EXPECT_EQ(Number("alice#"), 4u);

    PutDword(kOtpModule, "alice#", 1);
    PutText(kOtpModule, "alice_history", "");
    EXPECT_TRUE(Verify(Code(30)));  // wide search from 0
    EXPECT_EQ(Number("alice#"), 31u);
    EXPECT_EQ(Number("alice_skew"), 0xDEADu);  // counters, not skews, are learned

    const auto before = AllValues(kOtpModule);
    const std::string old = Code(20);
    EXPECT_FALSE(Verify(old));  // outside 31 +- 6, and no wider search any more
    EXPECT_TRUE(trace.Contains("verifyDevicePIN wrong: rname=" + old + " "));
    EXPECT_TRUE(AllValues(kOtpModule) == before);
    EXPECT_TRUE(Verify(Code(35)));
    EXPECT_EQ(Number("alice#"), 36u);
}

TEST_F(Verification, TheReplayHistory) {
    // Switched off: the same code twice.
    PutDword(kVelmo, "DisableOtpHistory", 1);
    const std::string code = Code(T());
    EXPECT_TRUE(Verify(code));
    EXPECT_TRUE(Verify(code));
    EXPECT_TRUE(trace.Contains("invalidate_timebased_code DisableOtpHistory=1 " + Hex(T())));
    EXPECT_TRUE(History().empty());
    PutDword(kVelmo, "DisableOtpHistory", 0);

    // A full history loses its oldest entry.
    std::vector<uint32_t> full(400);
    for (uint32_t i = 0; i < 400; ++i) full[i] = 1000 + i;
    PutRaw(HKEY_LOCAL_MACHINE, View::Wow32, kOtpModule, "alice_history", REG_BINARY, full.data(), 1600);
    EXPECT_TRUE(Verify(Code(T() + 1)));
    auto history = History();
    ASSERT_EQ(history.size(), 400u);
    EXPECT_EQ(history[0], T() + 1);
    EXPECT_EQ(history[1], 1000u);
    EXPECT_EQ(history[399], 1398u);

    // Kept as hexadecimal text it still refuses a replay.
    const uint32_t used = T() + 2;
    char hex[9];
    std::snprintf(hex, sizeof hex, "%02X%02X%02X%02X", used & 0xFF, (used >> 8) & 0xFF, (used >> 16) & 0xFF, used >> 24);
    PutText(kOtpModule, "alice_history", std::string("00000000") + hex);
    EXPECT_FALSE(Verify(Code(used)));

    // Odd sizes are read as far as they go; an over-long history counts as
    // empty and is replaced by a fresh block.
    const uint8_t odd[7] = {1, 2, 3, 4, 5, 6, 7};
    PutRaw(HKEY_LOCAL_MACHINE, View::Wow32, kOtpModule, "alice_history", REG_BINARY, odd, sizeof odd);
    EXPECT_TRUE(Verify(Code(T() + 3)));
    EXPECT_EQ(History().size(), 400u);
    const std::vector<uint8_t> huge(2000, 0xAB);
    PutRaw(HKEY_LOCAL_MACHINE, View::Wow32, kOtpModule, "alice_history", REG_BINARY, huge.data(), huge.size());
    EXPECT_TRUE(Verify(Code(T() - 1)));
    history = History();
    ASSERT_EQ(history.size(), 400u);
    EXPECT_EQ(history[0], T() - 1);
    EXPECT_EQ(history[1], 0u);
}

TEST_F(Verification, StepsAndOddRecordValues) {
    PutDword(kOtpModule, "alice_step", 60);
    EXPECT_TRUE(Verify(Code(static_cast<uint32_t>(g_now / 60))));
    // A stored step of 0 cannot divide the clock: it counts as 30 seconds.
    PutDword(kOtpModule, "alice_step", 0);
    EXPECT_TRUE(Verify(Code(T() + 2)));
    const auto checks = trace.StartingWith("verifyDevicePIN key:GEZD");
    ASSERT_FALSE(checks.empty());
    EXPECT_NE(checks.back().find("step:30"), std::string::npos);
    // A negative step divides the clock as a signed number.
    PutDword(kOtpModule, "alice_step", 0xFFFFFFFFu);
    EXPECT_TRUE(Verify(Code(static_cast<uint32_t>(-g_now))));
    PutDword(kOtpModule, "alice_step", 0x80000000u);
    EXPECT_TRUE(Verify(Code(1)));  // T = 0 (counter 0 sits in the zero-filled history)

    // A counter stored as text is read as its number.
    PutText(kOtpModule, "alice#", "12");
    EXPECT_TRUE(Verify(Code(13)));
    EXPECT_EQ(Number("alice#"), 14u);
}

TEST_F(Verification, ASecretThatDoesNotDecodeRejectsAfterTheWholeSearch) {
    PutText(kOtpModule, "alice_key", "NOT BASE32 !");
    const auto before = AllValues(kOtpModule);
    EXPECT_FALSE(Verify("123456", "alice", "NOT BASE32 !"));
    EXPECT_TRUE(trace.Contains("verifyDevicePIN failed. new skew was not found. bad OTP."));
    EXPECT_TRUE(AllValues(kOtpModule) == before);
}

TEST_F(Verification, AVerificationUrlDecidesInsteadOfTheRecord) {
    PutText(kOtpModule, "URL", "abcde");  // five characters: still local
    EXPECT_TRUE(Verify(Code(T())));
    PutText(kOtpModule, "URL", "abcdef");
    const auto before = AllValues(kOtpModule);
    trace.Clear();
    EXPECT_FALSE(Verify(Code(T() + 1)));
    EXPECT_EQ(trace.StartingWith("verifyDevicePIN, verifyOTP_Web() ret: ").size(), 1u);
    EXPECT_TRUE(trace.StartingWith("verifyDevicePIN key:").empty());
    auto after = AllValues(kOtpModule);
    ASSERT_TRUE(after.count("URL-ret"));
    EXPECT_FALSE(after["URL-ret"].Text().empty());
    after.erase("URL-ret");
    EXPECT_TRUE(after == before);
}

TEST_F(Verification, TheVerificationServiceConfirmsOrRefuses) {
    LoopbackHttpServer service;
    PutText(kOtpModule, "URL", service.Url("/check?user=%user%&otp=%pass%"));
    const auto before = AllValues(kOtpModule);
    service.Answer(200, R"({"status": true, "result": {"value": true}})", "application/json");
    EXPECT_TRUE(Verify("424242"));  // the service decides, whatever the record says
    EXPECT_EQ(service.LastRequest().query, "user=alice&otp=424242");
    EXPECT_TRUE(AllValues(kOtpModule) == before);  // no history, no skew

    service.Answer(200, R"({"status": false})", "application/json");
    EXPECT_FALSE(Verify(Code(T())));
    EXPECT_TRUE(trace.Contains("verifyDevicePIN, verifyOTP_Web() ret: 1"));
    EXPECT_EQ(GetRaw(kOtpModule, "URL-ret")->Text(), R"({"status": false})");
}

TEST_F(Verification, FindingTheRecordACodeBelongsTo) {
    const char* bobSecret = "MZXW6YTBOIMZXW6YTBOIMZXW6YTBOIMZ";
    PutText(kOtpModule, "bob_key", bobSecret);
    PutText(kOtpModule, "carl_key", kSecret);
    char found[250] = "untouched";
    const std::string code = Code(T() + 1, bobSecret);
    EXPECT_EQ(findVerifyUserName(code.c_str(), found, sizeof found), 1);
    EXPECT_STREQ(found, "bob");
    // Each value is traced as it is met, each record checked when found, and
    // the walk ends at the record that accepts.
    std::vector<std::string> walk;
    for (const auto& line : trace.Lines())
        if (line.rfind("scan ", 0) == 0 || line.rfind("findVerifyUserName ", 0) == 0) walk.push_back(line);
    EXPECT_EQ(walk, (std::vector<std::string>{"scan alice_key 33 1", "findVerifyUserName alice 0", "scan bob_key 33 1",
                                              "findVerifyUserName bob 1"}));
    EXPECT_EQ(findVerifyUserName(code.c_str(), found, sizeof found), 0);  // replayed
    EXPECT_TRUE(trace.Contains("findVerifyUserName alice 0"));

    RecordingList list;
    RegisterUserListSink(&list);
    EXPECT_EQ(findVerifyUserName("", found, sizeof found), 0);
    RegisterUserListSink(nullptr);
    EXPECT_EQ(list.clears, 1);
    std::sort(list.users.begin(), list.users.end());
    EXPECT_EQ(list.users, (std::vector<std::string>{"alice", "bob", "carl"}));
    EXPECT_EQ(findVerifyUserName("", found, sizeof found), 0);  // no list open: nothing to fill
}
