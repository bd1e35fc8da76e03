// otpadmin users: the OTP records under the module key, as the record scan
// finds them, with each user's kind of code and, when the failure limit is
// on, a lock or a count of rejected codes.
#include <cstdio>

#include "commands.h"
#include "otp/lockout.h"
#include "otp/record_scan.h"
#include "otp/user_record.h"

namespace otpadmin {

int CommandUsers(const Args&) {
    const auto records = velmo::ScanRecords();
    const velmo::FailureLimit limit = velmo::ReadFailureLimit();
    for (const auto& r : records) {
        const char* name = r.userName.c_str();

        const std::string destination = velmo::ReadRecordText(name, velmo::kDestinationSuffix, 280);
        const uint32_t counter = velmo::ReadRecordNumber(name, velmo::kCounterSuffix, 0);
        const uint32_t skew = velmo::ReadRecordNumber(name, velmo::kSkewSuffix, velmo::kSkewNotLearned);
        std::printf("%-24s ", name);
        if (!destination.empty())
            std::printf("code by SMS/e-mail to %s\n", destination.c_str());
        else if (counter != 0)
            std::printf("HOTP, next counter %u\n", counter);
        else if (skew == velmo::kSkewNotLearned)
            std::printf("TOTP, step %u s, skew not learned yet\n", velmo::ReadRecordNumber(name, velmo::kStepSuffix, 30));
        else
            std::printf("TOTP, step %u s, skew %d steps\n", velmo::ReadRecordNumber(name, velmo::kStepSuffix, 30),
                        static_cast<int32_t>(skew));
        if (const velmo::UserLock lock = velmo::PeekLock(name, limit); lock.remainingSeconds != 0)
            std::printf("%-24s LOCKED for %u s more after %u rejected codes (otpadmin unlock %s)\n", "",
                        lock.remainingSeconds, lock.failures, name);
        else if (lock.failures != 0)
            std::printf("%-24s %u rejected code(s) in a row, %u more before a lock\n", "", lock.failures,
                        limit.maxFailures - lock.failures);
    }
    std::printf("%zu record(s)\n", records.size());
    return 0;
}

}  // namespace otpadmin
