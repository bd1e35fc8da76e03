// otpadmin users: the OTP records under the module key, as the record scan
// finds them, with each user's kind of code.
#include <cstdio>

#include "commands.h"
#include "otp/record_scan.h"
#include "otp/user_record.h"

namespace otpadmin {

int CommandUsers(const Args&) {
    const auto records = velmo::ScanRecords();
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
    }
    std::printf("%zu record(s)\n", records.size());
    return 0;
}

}  // namespace otpadmin
