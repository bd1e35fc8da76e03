// The failure limit on the registry: the host settings "MaxFailedCodes" and
// "FailureLockSeconds" under HKLM\SOFTWARE\Velmo (read at each use), and each
// user's count beside the record, "%s_failures" (REG_BINARY) under the module
// key, so that only SYSTEM and Administrators can change it and it goes with
// the record. With "MaxFailedCodes" missing or 0 nothing here reads or
// writes a record value.
#pragma once

#include <cstdint>

#include "otp/failure_limit.h"

namespace velmo {

inline constexpr char kFailuresSuffix[] = "_failures";
// "AnyUser" logons share one count, whatever name carries the word: they
// guess against every record at once.
inline constexpr char kAnyUserCountName[] = "AnyUser";

FailureLimit ReadFailureLimit();

struct UserLock {
    uint32_t remainingSeconds = 0;  // 0: not locked
    uint32_t failures = 0;          // consecutive rejected codes
};

// The user's lock now. A lock that ran out, or one the clock went back
// behind, is stored as it now stands.
UserLock CurrentLock(const char* userName, const FailureLimit& limit);

// The same, only read (for administrators' listings): nothing is stored.
UserLock PeekLock(const char* userName, const FailureLimit& limit);

// Refuses a code for a locked user, with the trace line that says so.
bool RefusedByLock(const char* userName, const FailureLimit& limit);

// A code that was compared and rejected, or accepted (the count and the
// growth of the locks start again).
void CountRejectedCode(const char* userName, const FailureLimit& limit);
void CountAcceptedCode(const char* userName, const FailureLimit& limit);

// Lifts the lock and forgets the count, whatever the settings.
void ClearFailureCount(const char* userName);

}  // namespace velmo
