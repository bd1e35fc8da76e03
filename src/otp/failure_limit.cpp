#include "otp/failure_limit.h"

#include <algorithm>

namespace velmo {

namespace {

constexpr size_t kStoredSize = 16;

void Put(std::vector<uint8_t>& out, uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

uint64_t Get(std::span<const uint8_t> in, size_t at, int bytes) {
    uint64_t value = 0;
    for (int i = 0; i < bytes; ++i) value |= static_cast<uint64_t>(in[at + i]) << (8 * i);
    return value;
}

}  // namespace

FailureLimit MakeFailureLimit(uint32_t maxFailedCodes, uint32_t failureLockSeconds) {
    return {maxFailedCodes, failureLockSeconds != 0 ? failureLockSeconds : kDefaultFirstLockSeconds};
}

uint32_t LockSeconds(const FailureLimit& limit, uint32_t lockNumber) {
    uint64_t seconds = std::min(limit.firstLockSeconds, kMaxLockSeconds);
    for (uint32_t n = 1; n < lockNumber && seconds < kMaxLockSeconds; ++n) seconds *= 2;
    return static_cast<uint32_t>(std::min<uint64_t>(seconds, kMaxLockSeconds));
}

LockCheck CheckLock(const FailureCount& count, const FailureLimit& limit, int64_t now) {
    LockCheck check{0, count};
    if (!limit.On() || count.lockStart == 0) return check;
    if (count.lockStart > now) check.count.lockStart = now;
    const int64_t end = check.count.lockStart + LockSeconds(limit, std::max(count.locks, 1u));
    if (now < end) {
        check.remainingSeconds = static_cast<uint32_t>(end - now);
        return check;
    }
    check.count.failures = 0;
    check.count.lockStart = 0;
    return check;
}

FailureCount AfterRejection(FailureCount count, const FailureLimit& limit, int64_t now) {
    if (!limit.On()) return count;
    count.failures = std::min(count.failures, limit.maxFailures - 1) + 1;
    if (count.failures >= limit.maxFailures) {
        count.locks = std::min(count.locks, UINT32_MAX - 1) + 1;
        count.lockStart = now;
    }
    return count;
}

std::vector<uint8_t> EncodeFailureCount(const FailureCount& count) {
    std::vector<uint8_t> out;
    out.reserve(kStoredSize);
    Put(out, count.failures, 4);
    Put(out, count.locks, 4);
    Put(out, static_cast<uint64_t>(count.lockStart), 8);
    return out;
}

FailureCount DecodeFailureCount(std::span<const uint8_t> bytes) {
    if (bytes.size() != kStoredSize) return {};
    return {static_cast<uint32_t>(Get(bytes, 0, 4)), static_cast<uint32_t>(Get(bytes, 4, 4)),
            static_cast<int64_t>(Get(bytes, 8, 8))};
}

}  // namespace velmo
