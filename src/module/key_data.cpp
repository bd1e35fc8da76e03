#include "module/key_data.h"

#include <cstring>
#include <string>

#include "common/module_state.h"
#include "common/text.h"
#include "common/trace.h"
#include "module/key_data_functions.h"
#include "module/user_name.h"
#include "otp/provisioning.h"
#include "otp/user_record.h"
#include "settings/registry.h"

namespace velmo {

namespace {

constexpr long kErrorFileNotFound = 2;
constexpr char kAnyUser[] = "AnyUser";

// Copies a provisioning text and its NUL; creates a secret of `kind` first
// when the user has none.
int ProvisioningText(const std::string& user, int mode, int kind, uint8_t* data, uint32_t* length) {
    const char* text = GenerateQR_Code_User(user.c_str(), mode);
    if (text[0] == '\0') {
        GenerateOTP_Key_User(user.c_str(), kind);
        text = GenerateQR_Code_User(user.c_str(), mode);
    }
    const size_t size = std::strlen(text) + 1;
    std::memcpy(data, text, size);
    if (length) *length = static_cast<uint32_t>(size);
    return 1;
}

int StoredBlock(const std::string& user, uint32_t blockNumber, uint8_t* data, uint32_t* length) {
    const uint32_t room = (length && data) ? *length : 0;
    const bool anyUser = user.find(kAnyUser) != std::string::npos;
    const std::string name = BlockValueName(anyUser ? Module().matchedUserName : user.c_str(), blockNumber);
    const int block = static_cast<int>(blockNumber);

    uint32_t got = room;
    const long rc = ReadRegRaw(RegRoot::LocalMachine, kOtpModuleKey, name.c_str(), data, &got);
    if (rc == kRegKeyUnavailable) {
        TraceLog("ReadData error: rname=%s appid=%i (ret:%i)", user.c_str(), block, static_cast<int>(room));
        return 0;
    }
    if (rc == kErrorFileNotFound) {
        if (length) *length = 0;
        TraceLog("ReadData: rname=%s appid=%i (ret:%i)", user.c_str(), block, 0);
        return 1;
    }
    if (rc != 0) {
        TraceLog("ReadData error: rname=%s appid=%i (ret:%i)", user.c_str(), block, static_cast<int>(got));
        return 0;
    }
    if (length) *length = got;
    TraceLog("ReadData: rname=%s appid=%i (ret:%i)", user.c_str(), block, static_cast<int>(got));
    return 1;
}

}  // namespace

int ReadKeyData(const char* userName, uint32_t blockNumber, uint8_t* data, uint32_t* length) {
    if (!AcceptableName(userName, kReadDataNameMax)) return 0;
    if (length)
        TraceLog("ReadData %s appid:%d len:%d", userName, static_cast<int>(blockNumber), static_cast<int>(*length));
    const std::string user = DataWorkingName(userName);

    // On a domain workstation the directory decides: every OTP function and
    // every block from 5 on answers "totp".
    if (blockNumber >= kProvisioningUrlBlock && DomainWorkstation()) {
        WriteOtpTypeText(data, OtpKind::TimeBased);
        return static_cast<int>(kOtpTypeTextSize);
    }
    // The OTP functions answer in the host's buffer (which the host sizes for
    // them); without one there is nowhere to answer.
    if (IsOtpFunction(blockNumber) && !data) return 0;

    switch (blockNumber) {
        case kProvisioningUrlBlock: return ProvisioningText(user, 0, kTimeBased, data, length);
        case kHexSecretBlock: return ProvisioningText(user, 1, kCounterBased, data, length);
        case kSendCodeBlock: return SendCodeToUser(user, data, length);
        case kOtpKindBlock: return QueryOtpKind(user, data, length);
        case kOtpSettingBlock: return ApplyOtpSetting(user, data, length);
        default: return StoredBlock(user, blockNumber, data, length);
    }
}

}  // namespace velmo
