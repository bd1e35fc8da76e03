// The failure limit, off unless an administrator sets it: after a number of
// consecutive rejected codes a user is locked for a while, each further lock
// (without an accepted code in between) twice as long as the one before, up
// to a day. During a lock every code is refused without being compared, and
// attempts neither count nor extend the lock. Pure code: the state is a
// small value beside the user's record, the clock is passed in.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace velmo {

inline constexpr uint32_t kDefaultFirstLockSeconds = 300;
inline constexpr uint32_t kMaxLockSeconds = 86'400;

struct FailureLimit {
    uint32_t maxFailures = 0;  // 0: off
    uint32_t firstLockSeconds = kDefaultFirstLockSeconds;
    bool On() const { return maxFailures != 0; }
};

// The limit from the stored settings: a first lock of 0 means the default.
FailureLimit MakeFailureLimit(uint32_t maxFailedCodes, uint32_t failureLockSeconds);

// One user's count. `lockStart` is 0 while no lock runs (a clock at 1970's
// first second starts none); `locks` counts the
// locks since the last accepted code and sets the next one's length.
struct FailureCount {
    uint32_t failures = 0;
    uint32_t locks = 0;
    int64_t lockStart = 0;
    bool operator==(const FailureCount&) const = default;
};

// The length of the n-th lock (n from 1).
uint32_t LockSeconds(const FailureLimit& limit, uint32_t lockNumber);

struct LockCheck {
    uint32_t remainingSeconds = 0;  // 0: not locked
    FailureCount count;             // to be stored when it differs from the one read
};

// Whether a code may be compared now. A lock that ran out ends (its count
// starts again from 0, the growth stays); a lock that would start in the
// future (the clock was set back) counts from now, so it never lasts longer
// than its length.
LockCheck CheckLock(const FailureCount& count, const FailureLimit& limit, int64_t now);

// The count after a rejected code that was compared (not during a lock): the
// limit-th one starts the next lock.
FailureCount AfterRejection(FailureCount count, const FailureLimit& limit, int64_t now);

// The stored form: 16 bytes, little-endian (failures, locks, lock start).
// Anything else reads as no count.
std::vector<uint8_t> EncodeFailureCount(const FailureCount& count);
FailureCount DecodeFailureCount(std::span<const uint8_t> bytes);

}  // namespace velmo
