// The local decision on a typed code over a record held in memory: window,
// learned skew, wide search, counters, steps and the replay history.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "otp/code_check.h"
#include "support/otp_codes.h"
#include "support/trace_capture.h"

using namespace velmo;

namespace {

constexpr char kSecret[] = "GEZDGNBVGY3TQOJQGEZDGNBVGY3TQOJQ";  // RFC 4226's secret
constexpr int64_t kNow = 1800000000;
constexpr uint32_t kT = kNow / 30;
constexpr uint32_t kNone = 0xFFFFFFFFu;  // "not written" in the expectations

struct MemoryRecord final : RecordStore {
    uint32_t counter = 0, step = kDefaultStep, skew = kSkewNotLearned, window = kDefaultWindow;
    bool historyDisabled = false;
    std::vector<uint32_t> history;
    int accepted = 0;

    uint32_t Counter() override { return counter; }
    uint32_t Step() override { return step; }
    uint32_t HistorySize() override { return static_cast<uint32_t>(history.size() * 4); }
    uint32_t Skew() override { return skew; }
    uint32_t Window() override { return window; }
    bool HistoryDisabled() override { return historyDisabled; }
    uint32_t ReadHistory(uint32_t* entries, uint32_t maxBytes) override {
        if (HistorySize() > maxBytes) return 0;  // as the registry: too long to read at all
        std::copy(history.begin(), history.end(), entries);
        return HistorySize();
    }
    void WriteHistory(const uint32_t* entries, uint32_t count) override { history.assign(entries, entries + count); }
    void WriteCounter(uint32_t c) override { counter = c; }
    void WriteSkew(uint32_t s) override { skew = s; }
    void Accepted() override { ++accepted; }
};

std::vector<uint32_t> Range(uint32_t first, uint32_t count) {
    std::vector<uint32_t> v(count);
    for (uint32_t i = 0; i < count; ++i) v[i] = first + i;
    return v;
}

struct Row {
    const char* what;
    MemoryRecord before;
    uint32_t counter;            // whose code is typed
    bool accepted;
    uint32_t counterAfter = kNone, skewAfter = kNone;  // kNone: as before
    int64_t now = kNow;
    const char* typed = nullptr;  // typed as is, instead of the counter's code
    const char* secret = kSecret;
};

MemoryRecord With(uint32_t counter, uint32_t step, uint32_t skew, uint32_t window = kDefaultWindow,
                  std::vector<uint32_t> history = {}, bool disabled = false) {
    MemoryRecord r;
    r.counter = counter, r.step = step, r.skew = skew, r.window = window;
    r.history = std::move(history), r.historyDisabled = disabled;
    return r;
}

const MemoryRecord kFresh = With(0, 30, kSkewNotLearned);
const MemoryRecord kSkew0 = With(0, 30, 0);

}  // namespace

TEST(CodeCheck, Decisions) {
    const Row rows[] = {
        {"a first code in the window learns skew 0, not its offset", kFresh, kT + 4, true, kNone, 0},
        {"the window's top step", kSkew0, kT + 6, true}, {"the window's bottom step", kSkew0, kT - 6, true},
        {"past the window with a learned skew", kSkew0, kT + 7, false},
        {"the wide search learns an early token's offset", kFresh, kT + 40, true, kNone, 40},
        {"a late token's offset in two's complement", kFresh, kT - 40, true, kNone, 0xFFFFFFD8u},
        {"the mark 1048575 is no skew", With(0, 30, 1048575), kT + 1499, true, kNone, 1499},
        {"1500 steps away is too far", kFresh, kT + 1500, false},
        {"a learned skew moves the window", With(0, 30, 40), kT + 46, true},
        {"a learned skew refuses what the wide search finds", With(0, 30, 40), kT - 100, false},
        // T - 587 and T + 587 share a code and nothing nearer has it: below wins.
        {"below wins a tie in the wide search", kFresh, 62352000u - 587, true, kNone, static_cast<uint32_t>(-587),
         62352000ll * 30, "278162"},
        {"a replayed counter", With(0, 30, 0, 6, {kT - 1, kT + 2}), kT + 2, false},
        {"history switched off", With(0, 30, 0, 6, {kT + 2}, true), kT + 2, true},
        {"a counter-based token in its window", With(1, 30, kSkewNotLearned), 3, true, 4},
        {"a counter-based token's first code, found wide from 0", With(1, 30, kSkewNotLearned), 30, true, 31},
        {"past its first code only the window counts", With(2, 30, kSkewNotLearned), 30, false},
        {"... around the counter", With(31, 30, kSkewNotLearned), 20, false},
        {"... which moves with the counter", With(31, 30, kSkewNotLearned), 35, true, 36},
        {"the typed value 0 is refused", kFresh, 0, false, kNone, kNone, kNow, "000000"},
        {"an empty code is 0", kFresh, 0, false, kNone, kNone, kNow, ""},
        {"leading zeros carry no meaning", kSkew0, kT + 1, true, kNone, kNone, kNow, "0000%c"},
        {"ten digits above 2^32 do not wrap onto the code", kSkew0, kT, false, kNone, kNone, kNow, "%w"},
        {"a 60-second step", With(0, 60, 0), kNow / 60, true},
        {"a stored step of 0 counts as 30", With(0, 0, 0), kT + 2, true},
        {"a negative step divides as a signed number", With(0, 0xFFFFFFFFu, 0), static_cast<uint32_t>(-kNow), true},
        {"the most negative step", With(0, 0x80000000u, 0), 1, true},
        {"a wider window", With(0, 30, 0, 10), kT + 10, true},
        {"a window past 19,900 counts as 6", With(0, 30, 0, 19901), kT + 7, false},
        {"a window of 0 counts as 6", With(0, 30, 0, 0), kT + 6, true},
        {"a secret that does not decode", kFresh, kT, false, kNone, kNone, kNow, "123456", "NOT BASE32 !"},
    };
    for (const Row& row : rows) {
        MemoryRecord record = row.before;
        // "%c" in a typed text stands for the counter's code, "%w" for 2^32 plus it.
        std::string code = row.typed ? row.typed : "%c";
        const std::string counterCode = test::CodeText(kSecret, row.counter);
        if (const size_t at = code.find("%c"); at != std::string::npos) code.replace(at, 2, counterCode);
        if (code == "%w") code = std::to_string((uint64_t{1} << 32) + std::stoull(counterCode));
        EXPECT_EQ(CheckCode(record, "alice", row.secret, code, row.now), row.accepted) << row.what;
        EXPECT_EQ(record.counter, row.counterAfter == kNone ? row.before.counter : row.counterAfter) << row.what;
        EXPECT_EQ(record.skew, row.skewAfter == kNone ? row.before.skew : row.skewAfter) << row.what;
        EXPECT_EQ(record.accepted, row.accepted ? 1 : 0) << row.what;
        if (!row.accepted || row.before.historyDisabled) {
            EXPECT_EQ(record.history, row.before.history) << row.what;
        } else {
            ASSERT_EQ(record.history.size(), kHistoryEntries) << row.what;
            EXPECT_EQ(record.history[0], row.counter) << row.what;
        }
    }
}

TEST(CodeCheck, TheReplayHistoryKeepsTheNewest400) {
    const std::vector<uint32_t> full = Range(1000, 400);
    const std::vector<uint32_t> overLong = Range(kT + 1, 403);  // 1,612 bytes cannot be read: counts as empty
    const std::vector<uint32_t> shortOne = {7, 8};
    for (const auto* stored : {&full, &overLong, &shortOne}) {
        MemoryRecord record = With(0, 30, 0, 6, *stored);
        ASSERT_TRUE(CheckCode(record, "alice", kSecret, test::CodeText(kSecret, kT + 1), kNow));
        std::vector<uint32_t> expected = {kT + 1};
        if (stored != &overLong) expected.insert(expected.end(), stored->begin(), stored->end());
        expected.resize(kHistoryEntries, 0);
        EXPECT_EQ(record.history, expected) << stored->size();
    }
}

TEST(CodeCheck, TheTraceShowsNoMoreThanFourCharactersOfTheSecret) {
    test::TraceCapture trace;
    MemoryRecord record = With(0, 30, kSkewNotLearned, 6, {1, 2});
    ASSERT_TRUE(CheckCode(record, "alice", kSecret, test::CodeText(kSecret, kT + 40), kNow));
    EXPECT_FALSE(trace.Lines().empty());
    for (const auto& line : trace.Lines()) EXPECT_EQ(line.find("GEZDG"), std::string::npos) << line;
}

TEST(CodeCheck, WellFormedCodesAndSteps) {
    for (const char* code : {"", "0", "123456", "1234567890"}) EXPECT_TRUE(WellFormedCode(code)) << code;
    for (const char* code : {"12345678901", "12a456", "-12345", " 12345", "123456 "})
        EXPECT_FALSE(WellFormedCode(code)) << code;
    const struct {
        int64_t clock;
        int32_t step;
        uint32_t number;
    } steps[] = {{kNow, 0, kT},
                 {-1, 30, 0},  // division truncates towards zero
                 {-90, -1, 90},
                 {INT64_MIN, -1, 0}};  // 2^63 cut to 32 bits, not an overflow
    for (const auto& row : steps) EXPECT_EQ(TimeStepNumber(row.clock, row.step), row.number) << row.clock;
    EXPECT_EQ(EffectiveWindow(kMaxWindow), kMaxWindow);
}
