// The local decision on one typed code against one user's record: the
// verification window around the time step (or counter) plus the learned
// skew, the wide search that learns a skew once, counter advance and the
// replay history. The record is reached through RecordStore, read when each
// value is needed and written once the code is accepted, so the same rules
// serve the registry and anything that mirrors it. Pure code.
#pragma once

#include <cstdint>
#include <string_view>

namespace velmo {

constexpr uint32_t kDefaultStep = 30;
constexpr uint32_t kSkewNotLearned = 1048575;  // 0xFFFFF: U_skew missing or reset
constexpr uint32_t kDefaultWindow = 6;
constexpr uint32_t kMaxWindow = 19900;
constexpr uint32_t kHistoryEntries = 400;
constexpr uint32_t kHistoryReadLimit = 1608;  // longer histories cannot be read

// One user's record as the decision reads and changes it.
class RecordStore {
public:
    virtual ~RecordStore() = default;
    virtual uint32_t Counter() = 0;      // U#: 0 time-based, else the counter expected next
    virtual uint32_t Step() = 0;         // U_step as stored, 30 when missing
    virtual uint32_t HistorySize() = 0;  // bytes of U_history, for the trace
    virtual uint32_t Skew() = 0;         // U_skew, kSkewNotLearned when missing
    virtual uint32_t Window() = 0;       // "window" as stored, 6 when missing
    virtual bool HistoryDisabled() = 0;  // "DisableOtpHistory" is not 0
    // U_history into `entries` (room for `maxBytes`); the bytes read, 0 when
    // it is missing or longer than the room.
    virtual uint32_t ReadHistory(uint32_t* entries, uint32_t maxBytes) = 0;
    virtual void WriteHistory(const uint32_t* entries, uint32_t count) = 0;
    virtual void WriteCounter(uint32_t counter) = 0;
    virtual void WriteSkew(uint32_t skew) = 0;
    // The record moved on after an accepted code.
    virtual void Accepted() = 0;
};

// A stored step of 0 cannot divide the clock: it counts as 30 seconds.
int32_t EffectiveStep(uint32_t stored);
// "window" outside 1 to 19,900 counts as 6.
uint32_t EffectiveWindow(uint32_t stored);
// The time step number: signed 64-bit division cut to 32 bits.
uint32_t TimeStepNumber(int64_t unixSeconds, int32_t step);

// 1 to 10 decimal digits (the text is read as a number, 0 when empty).
constexpr size_t kMaxCodeLength = 10;
bool WellFormedCode(std::string_view code);

// Decides `code` (well formed) for `userName` with the secret `secretText`
// at `unixNow`, tracing each step; an accepted code moves the record on, a
// rejected one leaves it as it was.
bool CheckCode(RecordStore& record, const char* userName, const char* secretText, std::string_view code,
               int64_t unixNow);

// False when `counter` was used before; otherwise records it (newest first,
// 400 entries) and answers true. "DisableOtpHistory" switches this off.
bool invalidate_timebased_code(RecordStore& record, uint32_t counter);

}  // namespace velmo
