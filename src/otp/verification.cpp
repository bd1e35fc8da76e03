#include "otp/verification.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "common/clock.h"
#include "common/text.h"
#include "common/trace.h"
#include "common/user_list_sink.h"
#include "delivery/remote_verification.h"
#include "directory/directory_ops.h"
#include "otp/code_generator.h"
#include "otp/code_search.h"
#include "otp/record_scan.h"
#include "otp/user_record.h"
#include "settings/registry.h"

namespace velmo {

namespace {

constexpr size_t kHistoryWorkEntries = 410;
constexpr size_t kSecretShownInTrace = 4;

// The typed code as a number. Ten digits can exceed 32 bits; such values
// saturate (no code is that large) instead of wrapping onto a real code.
uint32_t TypedValue(std::string_view code) {
    uint64_t value = 0;
    for (char c : code) value = std::min<uint64_t>(value * 10 + static_cast<uint64_t>(c - '0'), UINT32_MAX);
    return static_cast<uint32_t>(value);
}

bool VerifyRemotely(const char* userName, const char* codeText) {
    char answer[kRemoteAnswerSize] = {};
    const int result = verifyOTP_Web(userName, codeText, answer, sizeof answer);
    if (result == kRemoteConfirmed) return true;
    TraceLog("verifyDevicePIN, verifyOTP_Web() ret: %d", result);
    WriteRegString(RegRoot::LocalMachine, kOtpModuleKey, "URL-ret", answer);
    return false;
}

struct RecordState {
    uint32_t counterValue;  // U#: 0 time-based, else the counter expected next
    int32_t step;
    uint32_t base;          // T: time step number, or U# for counter-based users
    uint32_t storedSkew;    // U_skew as read (kSkewNotLearned when absent)
    int32_t skew;           // 0 while no skew is learned
    bool CounterBased() const { return counterValue != 0; }
};

RecordState ReadRecordState(const char* userName) {
    RecordState s{};
    s.counterValue = ReadRecordNumber(userName, kCounterSuffix, 0);
    s.step = ReadTimeStep(userName);
    s.base = s.CounterBased() ? s.counterValue : TimeStepNumber(UnixNow(), s.step);
    s.storedSkew = ReadRecordNumber(userName, kSkewSuffix, kSkewNotLearned);
    s.skew = s.storedSkew == kSkewNotLearned ? 0 : static_cast<int32_t>(s.storedSkew);
    return s;
}

uint32_t HistorySize(const char* userName) {
    uint32_t size = 0;
    ReadRegBinary(RegRoot::LocalMachine, kOtpModuleKey, RecordValueName(userName, kHistorySuffix).c_str(), nullptr,
                  &size);
    return size;
}

bool Reject(const char* codeText) {
    TraceLog("verifyDevicePIN wrong: rname=%s ", codeText);
    return false;
}

// An accepted counter: replay check, then the record moves on.
bool Accept(const char* userName, const RecordState& s, uint32_t counter, bool learnSkew, int32_t skew) {
    if (!invalidate_timebased_code(userName, counter)) return false;
    if (s.CounterBased())
        WriteRecordNumber(userName, kCounterSuffix, counter + 1);
    else if (learnSkew)
        WriteRecordNumber(userName, kSkewSuffix, static_cast<uint32_t>(skew));
    VelmoADAP_AddUserOtpInfo(userName, nullptr, nullptr);
    return true;
}

}  // namespace

bool verifyDevicePIN(const char* userName, const char* secretText, const char* codeText) {
    if (!userName || !secretText || !codeText) return false;
    const std::string_view code(codeText, BoundedLength(codeText, kMaxCodeLength + 1));
    if (code.size() > kMaxCodeLength || !AllDigits(code)) return false;

    if (RemoteVerificationConfigured()) return VerifyRemotely(userName, codeText);

    const RecordState s = ReadRecordState(userName);
    const uint32_t historySize = HistorySize(userName);
    const uint32_t typed = TypedValue(code);
    const uint32_t w = ReadVerificationWindow();
    const CodeGenerator codes(secretText);

    char shownSecret[kSecretShownInTrace + 1];
    CopyText(shownSecret, View(secretText));
    TraceLog("verifyDevicePIN key:%s now:%d, pin:%d (%s) (time:%X %s skew:%d his:%d step:%d wnd: %d)", shownSecret,
             codes.CodeAt(s.base), static_cast<int>(typed), codeText, s.base,
             RecordValueName(userName, kCounterSuffix).c_str(), s.skew, static_cast<int>(historySize), s.step,
             static_cast<int>(w));
    if (typed == 0) return false;

    if (auto match = SearchWindow(codes, s.base + static_cast<uint32_t>(s.skew), w, typed)) {
        TraceLog("found tm+skew+lap %X", *match);
        // A first code found in the window fixes the skew at 0.
        return Accept(userName, s, *match, s.storedSkew == kSkewNotLearned, 0);
    }
    // A counter-based token past its first accepted code is never searched wider.
    if (s.counterValue >= 2) return Reject(codeText);

    const uint32_t searchBase = s.CounterBased() ? 0 : s.base;
    TraceLog("Scanning for new skew (%X)", static_cast<unsigned>(s.skew));
    const auto found = SearchSkew(codes, searchBase, typed);
    if (!found) {
        TraceLog("verifyDevicePIN failed. new skew was not found. bad OTP.");
        return false;
    }
    const uint32_t skewNow = ReadRecordNumber(userName, kSkewSuffix, kSkewNotLearned);
    TraceLog("found skew:%d tm+skew:%X (i:%d) old_skew:%X", found->offset, found->counter, found->i, skewNow);
    // A wide-search result is only taken while no skew is learned.
    if (skewNow != kSkewNotLearned) return Reject(codeText);
    return Accept(userName, s, found->counter, true, found->offset);
}

bool invalidate_timebased_code(const char* userName, uint32_t counter) {
    if (ReadRegDword(RegRoot::LocalMachine, kVelmoKey, "DisableOtpHistory", 0) != 0) {
        TraceLog("invalidate_timebased_code DisableOtpHistory=1 %X", counter);
        return true;
    }
    // Slot 0 takes the new counter; the stored history follows it.
    std::array<uint32_t, kHistoryWorkEntries> entries{};
    uint32_t bytes = kHistoryReadLimit;
    const std::string name = RecordValueName(userName, kHistorySuffix);
    ReadRegBinary(RegRoot::LocalMachine, kOtpModuleKey, name.c_str(), reinterpret_cast<uint8_t*>(&entries[1]), &bytes);
    const uint32_t stored = bytes / sizeof(uint32_t);
    TraceLog("invalidate_timebased_code %X %d ([0]=%X, [1]=%X)", counter, static_cast<int>(stored), entries[0],
             entries[1]);
    for (uint32_t i = 1; i <= stored; ++i) {
        if (entries[i] == counter) {
            TraceLog("invalidate_timebased_code fail %X == %X", entries[i], counter);
            return false;
        }
    }
    entries[0] = counter;
    WriteRegBinary(RegRoot::LocalMachine, kOtpModuleKey, name.c_str(), reinterpret_cast<const uint8_t*>(entries.data()),
                   static_cast<uint32_t>(kHistoryEntries * sizeof(uint32_t)));
    return true;
}

int findVerifyUserName(const char* codeText, char* outUserName, size_t outSize) {
    const bool listing = !codeText || codeText[0] == '\0';
    UserListSink* list = listing ? CurrentUserListSink() : nullptr;
    if (list) list->Clear();
    int found = 0;
    ForEachRecord([&](const OtpRecord& record) {
        if (listing) {
            if (list) list->Add(record.userName.c_str());
            return true;
        }
        const bool accepted = verifyDevicePIN(record.userName.c_str(), record.secret.c_str(), codeText);
        TraceLog("findVerifyUserName %s %d", record.userName.c_str(), accepted ? 1 : 0);
        if (!accepted) return true;
        CopyText(outUserName, outSize, record.userName);
        found = 1;
        return false;
    });
    return found;
}

}  // namespace velmo
