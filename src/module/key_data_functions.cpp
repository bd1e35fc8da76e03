#include "module/key_data_functions.h"

#include <cstring>

#include "common/module_state.h"
#include "directory/directory_ops.h"
#include "module/key_data.h"
#include "settings/registry.h"

namespace velmo {

void WriteOtpTypeText(uint8_t* data, OtpKind kind) {
    if (!data) return;
    std::memset(data, 0, kOtpTypeTextSize);
    std::memcpy(data, kind == OtpKind::TimeBased ? "totp" : "hotp", 4);
}

bool IsOtpFunction(uint32_t blockNumber) {
    switch (blockNumber) {
        case kProvisioningUrlBlock:
        case kHexSecretBlock:
        case kSendCodeBlock:
        case kOtpKindBlock:
        case kOtpSettingBlock:
            return true;
        default:
            return false;
    }
}

bool DomainWorkstation() {
    return DomainModeOn() && IsWorkstation(Module());
}

int SendCodeToUser(const std::string&, uint8_t*, uint32_t*) { return 0; }
int QueryOtpKind(const std::string&, uint8_t*, uint32_t*) { return 0; }
int ApplyOtpSetting(const std::string&, uint8_t*, uint32_t*) { return 0; }

}  // namespace velmo
