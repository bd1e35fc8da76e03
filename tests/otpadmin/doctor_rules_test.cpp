// The rules of otpadmin doctor: clock offsets, origins and HTTP dates,
// certificate names and dates, damaged records, unanswered self-enrolment
// requests, the service's key, and the report's escaping.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "doctor_certificate_rules.h"
#include "doctor_directory_rules.h"
#include "doctor_network_rules.h"
#include "doctor_record_rules.h"
#include "pki_text.h"

using namespace otpadmin::doctor;

namespace {

constexpr int64_t kNow = 1800000000;  // 2027-01-15 08:00 UTC
constexpr int64_t kDay = 86400;

StoredValue Text(const std::string& s) { return {true, 1, std::vector<uint8_t>(s.begin(), s.end() + 1)}; }
StoredValue Binary(size_t n) { return {true, 3, std::vector<uint8_t>(n, 0)}; }
StoredValue Dword(uint32_t v) { return {true, 4, {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)}}; }
StoredRecord Record(StoredValue key, StoredValue counter = {}, StoredValue step = {}, StoredValue skew = {},
                    StoredValue history = {}) {
    return {"a", std::move(key), std::move(counter), std::move(step), std::move(skew), std::move(history)};
}

}  // namespace

TEST(DoctorRules, ClockOffsetsAgainstTheTimeStep) {
    const struct {
        int64_t offset;
        int32_t step;
        Verdict verdict;
    } rows[] = {{0, 30, Verdict::Ok},      {7, 30, Verdict::Ok},    {8, 30, Verdict::Warn},
                {-8, 30, Verdict::Warn},   {29, 30, Verdict::Warn}, {30, 30, Verdict::Fail},
                {-300, 30, Verdict::Fail}, {14, 60, Verdict::Ok},   {15, 60, Verdict::Warn}};
    for (const auto& r : rows)
        EXPECT_EQ(ClockFinding("s", r.offset, r.step).verdict, r.verdict) << r.offset << " s, step " << r.step;
}

TEST(DoctorRules, OnlyTheOriginOfAConfiguredUrlIsAsked) {
    const std::pair<const char*, const char*> rows[] = {
        {"https://otp.example/verify?user=%user%&pass=%pass%", "https://otp.example:443/"},
        {"http://127.0.0.1:8080/send?to=%phone%&text=%text%", "http://127.0.0.1:8080/"},
        {"gw.example:81/x", "http://gw.example:81/"},
        {"https://%host%/x", ""},
        {"", ""}};
    for (const auto& [url, origin] : rows) EXPECT_EQ(OriginOf(url), origin) << url;
}

TEST(DoctorRules, HttpDatesAndTheirText) {
    EXPECT_EQ(HttpDateSeconds("Sun, 06 Nov 1994 08:49:37 GMT"), 784111777);
    EXPECT_EQ(HttpDateSeconds("Mon, 29 Feb 2016 23:59:60 GMT"), 1456790400);
    for (const char* bad : {"Sun, 06 Nov 1994 08:49:37 CET", "Sun, 06 Xyz 1994 08:49:37 GMT",
                            "Sun, 06 Nov 1994 08:49:37 GMTx", "Sunday, 06-Nov-94 08:49:37 GMT", ""})
        EXPECT_FALSE(HttpDateSeconds(bad)) << bad;
    EXPECT_EQ(UtcText(784111777), "1994-11-06 08:49 UTC");
    EXPECT_EQ(UtcText(-1), "1969-12-31 23:59 UTC");
}

TEST(DoctorRules, CertificateNamesAndDates) {
    const CertificateFacts san{
        {"otp.example", "*.corp.example"}, {"10.0.0.5"}, "ignored", kNow - kDay, kNow + 90 * kDay};
    CertificateFacts cnOnly{{}, {}, "gw.example", kNow - kDay, kNow + 90 * kDay};
    const struct {
        const CertificateFacts& facts;
        const char* host;
        int64_t now;
        Verdict verdict;
    } rows[] = {{san, "otp.example", kNow, Verdict::Ok},
                {san, "OTP.Example", kNow, Verdict::Ok},
                {san, "a.corp.example", kNow, Verdict::Ok},
                {san, "a.b.corp.example", kNow, Verdict::Fail},
                {san, "corp.example", kNow, Verdict::Fail},
                {san, ".corp.example", kNow, Verdict::Fail},
                {san, "10.0.0.5", kNow, Verdict::Ok},
                {san, "ignored", kNow, Verdict::Fail},
                {san, "10.0.0.6", kNow, Verdict::Fail},
                {cnOnly, "gw.example", kNow, Verdict::Ok},
                {san, "otp.example", kNow - 2 * kDay, Verdict::Fail},
                {san, "otp.example", kNow + 91 * kDay, Verdict::Fail},
                {san, "otp.example", kNow + 80 * kDay, Verdict::Warn}};
    for (const auto& r : rows)
        EXPECT_EQ(CertificateFinding("gateway", r.host, r.facts, r.now).verdict, r.verdict) << r.host << " " << r.now;
}

TEST(DoctorRules, DamagedRecords) {
    const std::string secret = "JBSWY3DPEHPK3PXPJBSWY3DPEHPK3PXP";
    std::string hexHistory(3200, '0');
    const struct {
        const char* what;
        StoredRecord record;
        std::vector<std::string> faults;
    } rows[] = {
        {"sound", Record(Text(secret), Dword(0), Dword(30), Dword(1048575), Binary(1600)), {}},
        {"history as hex text", Record(Text(secret), {}, {}, {}, Text(hexHistory)), {}},
        {"empty secret", Record(Text("")), {"empty secret"}},
        {"not Base32", Record(Text("NOT-BASE32!")), {"secret is not Base32"}},
        {"secret as a number", Record(Dword(7)), {"secret stored of another type, not as text"}},
        {"too long", Record(Text(std::string(97, 'A'))), {"secret of 97 characters, of which the module reads 96"}},
        {"counter and skew as text",
         Record(Text(secret), Text("5"), {}, Text("0")),
         {"counter (U#) stored as text", "skew stored as text"}},
        {"negative step", Record(Text(secret), {}, Dword(uint32_t(-5))), {"odd time step of -5 s"}},
        {"long step", Record(Text(secret), {}, Dword(7200)), {"odd time step of 7200 s"}},
        {"counter-based, step ignored", Record(Text(secret), Dword(3), Dword(7200)), {}},
        {"skew too far",
         Record(Text(secret), {}, {}, Dword(1500)),
         {"skew of 1500 steps, beyond what the module learns"}},
        {"short history", Record(Text(secret), {}, {}, {}, Binary(6)), {"history of 6 bytes, not whole counters"}},
        {"long history",
         Record(Text(secret), {}, {}, {}, Binary(2000)),
         {"history of 2000 bytes cannot be read (at most 1608)"}},
    };
    for (const auto& r : rows) EXPECT_EQ(RecordDamage(r.record), r.faults) << r.what;
    EXPECT_EQ(TimeStepOf(Record(Text(secret), {}, Dword(0))), 30);
}

TEST(DoctorRules, RequestsLeftInSelfEnrolls) {
    EXPECT_EQ(PostedTime(u"6b49d1c4", kNow), kNow - 60);
    EXPECT_EQ(PostedTime(u"ffffffff", kNow), -1);  // low bits past now's: the time before
    EXPECT_EQ(PostedTime(u"6B49D1C4", kNow), 0);
    EXPECT_EQ(PostedTime(u"123456789", kNow), 0);
    const struct {
        std::vector<EnrolRequest> requests;
        Verdict verdict;
    } rows[] = {{{}, Verdict::Ok},
                {{{kNow - 3, 1}}, Verdict::Ok},           // still in flight
                {{{kNow - 60, 1}}, Verdict::Fail},        // the service is not answering now
                {{{kNow - 2 * 3600, 1}}, Verdict::Warn},  // it was down then
                {{{kNow - 60, 184}}, Verdict::Warn},      // answered after the workstation gave up
                {{{kNow - 2 * 3600, 1}, {kNow - 30, 0}}, Verdict::Fail}};
    for (const auto& r : rows) EXPECT_EQ(RequestsFinding(r.requests, kNow).verdict, r.verdict) << r.requests.size();
}

TEST(DoctorRules, TheServiceKeyAsTheCompanionTakesIt) {
    std::vector<uint8_t> modulus(138, 0x5A);
    modulus.back() |= 1;
    EXPECT_EQ(ServerKeyFinding(velmo::ui::EncodeBase64(modulus)).verdict, Verdict::Ok);
    for (const std::string& bad : {std::string(), std::string("not a key"), velmo::ui::EncodeBase64({1, 2, 3})})
        EXPECT_EQ(ServerKeyFinding(bad).verdict, Verdict::Fail) << bad;
}

TEST(DoctorRules, ReportsCarryNoControlCharacters) {
    const Findings f = {Fail("records", "bad\r\nFAKE  line", "fix\x1b[2J")};
    EXPECT_EQ(TextReport(f),
              "FAIL  records        bad??FAKE  line\n      -> fix?[2J\n1 checks: 0 OK, 0 WARN, 1 FAIL\n");
    EXPECT_EQ(JsonString("a\"b\\c\n\xe9"), "\"a\\\"b\\\\c\\u000a\\u00e9\"");
}
