#include "otp/user_record.h"

#include "common/text.h"
#include "common/trace.h"
#include "delivery/destination.h"
#include "settings/registry.h"

namespace velmo {

std::string RecordValueName(const char* userName, const char* suffix) {
    return std::string(View(userName)) + std::string(View(suffix));
}

std::string BlockValueName(const char* userName, uint32_t blockNumber) {
    return Format("%s_%i", userName ? userName : "", static_cast<int>(blockNumber));
}

std::string ReadRecordText(const char* userName, const char* suffix, uint32_t readSize) {
    return ReadRegText(RegRoot::LocalMachine, kOtpModuleKey, RecordValueName(userName, suffix).c_str(), readSize);
}

bool WriteRecordText(const char* userName, const char* suffix, const char* text) {
    return WriteRegString(RegRoot::LocalMachine, kOtpModuleKey, RecordValueName(userName, suffix).c_str(), text,
                          TextProtection::None);
}

void DeleteRecordValue(const char* userName, const char* suffix) { WriteRecordText(userName, suffix, nullptr); }

uint32_t ReadRecordNumber(const char* userName, const char* suffix, uint32_t defaultValue) {
    return ReadRegDword(RegRoot::LocalMachine, kOtpModuleKey, RecordValueName(userName, suffix).c_str(),
                        defaultValue);
}

bool WriteRecordNumber(const char* userName, const char* suffix, uint32_t value) {
    return WriteRegDword(RegRoot::LocalMachine, kOtpModuleKey, RecordValueName(userName, suffix).c_str(), value);
}

std::string ReadSecret(const char* userName) { return ReadRecordText(userName, kKeySuffix, kSecretReadSize); }

uint32_t Manage_SMS_Number_User(const char* userName, const char* newDestination) {
    if (!newDestination) {
        DeleteRecordValue(userName, kDestinationSuffix);
        return 0;
    }
    if (BoundedLength(newDestination, kMaxDestinationLength + 1) > kMaxDestinationLength) return 0;
    if (!IsStorableDestination(newDestination)) return 0;
    TraceLog("Manage_SMS_Number_User new phone is set %s", newDestination);
    WriteRecordText(userName, kDestinationSuffix, newDestination);
    WriteRecordNumber(userName, kCounterSuffix, 0);
    return 1;
}

int32_t ReadTimeStep(const char* userName) {
    return EffectiveStep(ReadRecordNumber(userName, kStepSuffix, kDefaultStep));
}

}  // namespace velmo
