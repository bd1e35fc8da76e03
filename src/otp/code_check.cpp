#include "otp/code_check.h"

#include <algorithm>
#include <array>
#include <string>

#include "common/text.h"
#include "common/trace.h"
#include "common/trace_mask.h"
#include "otp/code_generator.h"
#include "otp/code_search.h"

namespace velmo {

namespace {

constexpr size_t kHistoryWorkEntries = 410;
constexpr size_t kSecretShownInTrace = 4;
constexpr uint32_t kFirstCounterOnly = 2;  // counter-based users from here on search the window only

// The typed code as a number. Ten digits can exceed 32 bits; such values
// saturate (no code is that large) instead of wrapping onto a real code.
uint32_t TypedValue(std::string_view code) {
    uint64_t value = 0;
    for (char c : code) value = std::min<uint64_t>(value * 10 + static_cast<uint64_t>(c - '0'), UINT32_MAX);
    return static_cast<uint32_t>(value);
}

bool Reject(std::string_view code) {
    TraceLog("verifyDevicePIN wrong: rname=%s ", Masked(std::string(code).c_str()));
    return false;
}

// An accepted counter: replay check, then the record moves on. A skew is
// stored only while none is learned.
bool Accept(RecordStore& record, uint32_t counterValue, uint32_t counter, bool learnSkew, int32_t skew) {
    if (!invalidate_timebased_code(record, counter)) return false;
    if (counterValue != 0)
        record.WriteCounter(counter + 1);
    else if (learnSkew)
        record.WriteSkew(static_cast<uint32_t>(skew));
    record.Accepted();
    return true;
}

}  // namespace

int32_t EffectiveStep(uint32_t stored) {
    return stored != 0 ? static_cast<int32_t>(stored) : static_cast<int32_t>(kDefaultStep);
}

uint32_t EffectiveWindow(uint32_t stored) { return stored >= 1 && stored <= kMaxWindow ? stored : kDefaultWindow; }

uint32_t TimeStepNumber(int64_t unixSeconds, int32_t step) {
    if (step == 0) step = static_cast<int32_t>(kDefaultStep);
    // Dividing by -1 negates, which overflows for the lowest clock value:
    // negate in unsigned arithmetic, whose low 32 bits are the same.
    if (step == -1) return static_cast<uint32_t>(0 - static_cast<uint64_t>(unixSeconds));
    return static_cast<uint32_t>(unixSeconds / step);
}

bool WellFormedCode(std::string_view code) { return code.size() <= kMaxCodeLength && AllDigits(code); }

bool CheckCode(RecordStore& record, const char* userName, const char* secretText, std::string_view code,
               int64_t unixNow) {
    const uint32_t counterValue = record.Counter();
    const int32_t step = EffectiveStep(record.Step());
    const uint32_t base = counterValue != 0 ? counterValue : TimeStepNumber(unixNow, step);
    const uint32_t historySize = record.HistorySize();
    const uint32_t storedSkew = record.Skew();
    const int32_t skew = storedSkew == kSkewNotLearned ? 0 : static_cast<int32_t>(storedSkew);
    const uint32_t typed = TypedValue(code);
    const uint32_t w = EffectiveWindow(record.Window());
    const CodeGenerator codes(secretText);

    char shownSecret[kSecretShownInTrace + 1];
    CopyText(shownSecret, View(secretText));
    const std::string codeText(code);
    TraceLog("verifyDevicePIN key:%s now:%s, pin:%s (%s) (time:%X %s# skew:%d his:%d step:%d wnd: %d)",
             Masked(shownSecret), MaskedNumber(codes.CodeAt(base)).c_str(), MaskedNumber(static_cast<int>(typed)).c_str(),
             Masked(codeText.c_str()), base, userName ? userName : "", skew, static_cast<int>(historySize), step,
             static_cast<int>(w));
    if (typed == 0) return false;

    if (auto match = SearchWindow(codes, base + static_cast<uint32_t>(skew), w, typed)) {
        TraceLog("found tm+skew+lap %X", *match);
        // A first code found in the window fixes the skew at 0.
        return Accept(record, counterValue, *match, storedSkew == kSkewNotLearned, 0);
    }
    // A counter-based token past its first accepted code is never searched wider.
    if (counterValue >= kFirstCounterOnly) return Reject(code);

    const uint32_t searchBase = counterValue != 0 ? 0 : base;
    TraceLog("Scanning for new skew (%X)", static_cast<unsigned>(skew));
    const auto found = SearchSkew(codes, searchBase, typed);
    if (!found) {
        TraceLog("verifyDevicePIN failed. new skew was not found. bad OTP.");
        return false;
    }
    const uint32_t skewNow = record.Skew();
    TraceLog("found skew:%d tm+skew:%X (i:%d) old_skew:%X", found->offset, found->counter, found->i, skewNow);
    // A wide-search result is only taken while no skew is learned.
    if (skewNow != kSkewNotLearned) return Reject(code);
    return Accept(record, counterValue, found->counter, true, found->offset);
}

bool invalidate_timebased_code(RecordStore& record, uint32_t counter) {
    if (record.HistoryDisabled()) {
        TraceLog("invalidate_timebased_code DisableOtpHistory=1 %X", counter);
        return true;
    }
    // Slot 0 takes the new counter; the stored history follows it.
    std::array<uint32_t, kHistoryWorkEntries> entries{};
    const uint32_t stored = record.ReadHistory(&entries[1], kHistoryReadLimit) / sizeof(uint32_t);
    TraceLog("invalidate_timebased_code %X %d ([0]=%X, [1]=%X)", counter, static_cast<int>(stored), entries[0],
             entries[1]);
    for (uint32_t i = 1; i <= stored; ++i) {
        if (entries[i] == counter) {
            TraceLog("invalidate_timebased_code fail %X == %X", entries[i], counter);
            return false;
        }
    }
    entries[0] = counter;
    record.WriteHistory(entries.data(), kHistoryEntries);
    return true;
}

}  // namespace velmo
