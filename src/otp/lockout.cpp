#include "otp/lockout.h"

#include <algorithm>
#include <array>
#include <span>
#include <string>

#include "common/clock.h"
#include "common/trace.h"
#include "otp/user_record.h"
#include "settings/registry.h"

namespace velmo {

namespace {

constexpr uint32_t kStoredRoom = 32;  // more than the 16 bytes of a count: a longer value is not one

FailureCount ReadCount(const char* userName) {
    std::array<uint8_t, kStoredRoom> bytes{};
    uint32_t size = static_cast<uint32_t>(bytes.size());
    // The raw read writes no trace line for a user who has no count.
    const std::string name = RecordValueName(userName, kFailuresSuffix);
    if (ReadRegRaw(RegRoot::LocalMachine, kOtpModuleKey, name.c_str(), bytes.data(), &size) != 0) return {};
    return DecodeFailureCount(std::span<const uint8_t>(bytes.data(), std::min<uint32_t>(size, kStoredRoom)));
}

void WriteCount(const char* userName, const FailureCount& count) {
    const std::string name = RecordValueName(userName, kFailuresSuffix);
    if (count == FailureCount{}) {
        WriteRegBinary(RegRoot::LocalMachine, kOtpModuleKey, name.c_str(), nullptr, 0);
        return;
    }
    const auto bytes = EncodeFailureCount(count);
    WriteRegBinary(RegRoot::LocalMachine, kOtpModuleKey, name.c_str(), bytes.data(),
                   static_cast<uint32_t>(bytes.size()));
}

}  // namespace

FailureLimit ReadFailureLimit() {
    return MakeFailureLimit(ReadRegDword(RegRoot::LocalMachine, kVelmoKey, "MaxFailedCodes", 0),
                            ReadRegDword(RegRoot::LocalMachine, kVelmoKey, "FailureLockSeconds", 0));
}

namespace {

UserLock LockNow(const char* userName, const FailureLimit& limit, bool store) {
    if (!limit.On() || !userName) return {};
    const FailureCount stored = ReadCount(userName);
    const LockCheck check = CheckLock(stored, limit, UnixNow());
    if (store && !(check.count == stored)) WriteCount(userName, check.count);
    return {check.remainingSeconds, check.count.failures};
}

}  // namespace

UserLock CurrentLock(const char* userName, const FailureLimit& limit) { return LockNow(userName, limit, true); }

UserLock PeekLock(const char* userName, const FailureLimit& limit) { return LockNow(userName, limit, false); }

bool RefusedByLock(const char* userName, const FailureLimit& limit) {
    const UserLock lock = CurrentLock(userName, limit);
    if (lock.remainingSeconds == 0) return false;
    // No word of the code: a locked user's attempts tell a guesser nothing.
    TraceLog("VerifyPIN %s is locked for %u s more after %u rejected codes: the code is not checked", userName,
             lock.remainingSeconds, lock.failures);
    return true;
}

void CountRejectedCode(const char* userName, const FailureLimit& limit) {
    if (!limit.On() || !userName) return;
    const FailureCount before = ReadCount(userName);
    const FailureCount after = AfterRejection(before, limit, UnixNow());
    WriteCount(userName, after);
    if (after.lockStart != 0 && before.lockStart == 0)
        TraceLog("VerifyPIN %s is locked for %u s after %u rejected codes", userName,
                 LockSeconds(limit, after.locks), after.failures);
}

void CountAcceptedCode(const char* userName, const FailureLimit& limit) {
    if (!limit.On() || !userName) return;
    if (!(ReadCount(userName) == FailureCount{})) WriteCount(userName, {});
}

void ClearFailureCount(const char* userName) {
    if (userName) WriteCount(userName, {});
}

}  // namespace velmo
