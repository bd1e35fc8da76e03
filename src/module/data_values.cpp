#include "module/data_values.h"

#include "common/trace.h"
#include "module/user_name.h"
#include "otp/lockout.h"
#include "otp/provisioning.h"
#include "otp/user_record.h"
#include "settings/registry.h"

namespace velmo {

int WriteDataBlock(const char* userName, uint32_t blockNumber, const uint8_t* data, const uint32_t* length) {
    if (!AcceptableName(userName, kWriteDataNameMax, EmptyName::Allowed)) return 0;
    TraceLog("WriteData: rname =%s  appid=%i", userName, static_cast<int>(blockNumber));
    if (!HasOtpConfiguration(userName)) GenerateOTP_Key_User(userName, kTimeBased);
    EnsureAdminOnlyKey(RegRoot::LocalMachine, kOtpModuleKey);

    const std::string name = BlockValueName(userName, blockNumber);
    // Without a length, or with a length but no data, there is nothing to
    // store: the block is left as it is rather than guessed at.
    if (!length || (*length != 0 && !data)) return 1;
    WriteRegBinary(RegRoot::LocalMachine, kOtpModuleKey, name.c_str(), *length ? data : nullptr, *length);
    return 1;
}

int DeleteDataBlock(const char* userName, uint32_t blockNumber) {
    if (!AcceptableName(userName, kDeleteDataNameMax, EmptyName::Allowed)) return 0;
    TraceLog("DeleteData: rname=%s appid=%i", userName, static_cast<int>(blockNumber));
    WriteRegString(RegRoot::LocalMachine, kOtpModuleKey, BlockValueName(userName, blockNumber).c_str(), nullptr);
    for (const char* suffix : {kKeySuffix, kDestinationSuffix, kHistorySuffix, kSkewSuffix, kCounterSuffix})
        DeleteRecordValue(userName, suffix);
    ClearFailureCount(userName);  // the failure limit's count goes with the record
    return 1;
}

}  // namespace velmo
