#include "module/logon_verification.h"

#include <windows.h>

#include <cstring>
#include <string>

#include "common/module_state.h"
#include "common/text.h"
#include "common/trace.h"
#include "common/trace_mask.h"
#include "directory/directory_ops.h"
#include "module/user_name.h"
#include "otp/lockout.h"
#include "otp/provisioning.h"
#include "otp/user_record.h"
#include "otp/verification.h"
#include "settings/registry.h"

namespace velmo {

namespace {

constexpr char kAnyUser[] = "AnyUser";
constexpr char kBypassCode = 19;  // the host's code made of the single character 19
constexpr DWORD kDirectoryReplyDelayMs = 200;

bool IsBypassCode(const char* code) { return code[0] == kBypassCode && code[1] == '\0'; }

// An accepted code moved the user's record on: in domain mode the directory
// copy follows it, whichever way the record was found.
void FollowInDirectory(const char* user) { VelmoADAP_AddUserOtpInfo(user, nullptr, nullptr); }

// On a domain workstation a domain controller decides first: 1 or 0 when it
// answered, -1 when the local record decides.
int AskDomainController(const std::string& user, const char* code) {
    TraceLog("VerifyPIN VelmoADmode workstation. Write OTP to DC.");
    const std::wstring request = VelmoADAP_SelfEnroll_PutOTP(user.c_str(), code);
    if (!request.empty()) {
        Sleep(kDirectoryReplyDelayMs);
        const int reply = VelmoADAP_SelfEnroll_GetOTPReply(request, code, user.c_str());
        if (reply == 0 || reply == 1) return reply;
    }
    if (ReadRegDword(RegRoot::LocalMachine, kVelmoKey, "OfflineADMode", 0) != 0) {
        TraceLog("VerifyPIN AD failed. Offline mode OFF");
        return 0;
    }
    TraceLog("VerifyPIN AD failed. Continue in Offline mode , cached credentials.");
    return -1;
}

// A decision made on a compared code counts for the failure limit.
int Counted(const char* countedName, const FailureLimit& limit, int result) {
    if (result == 1)
        CountAcceptedCode(countedName, limit);
    else
        CountRejectedCode(countedName, limit);
    return result;
}

}  // namespace

int VerifyLogonCode(const char* userName, char* codeText) {
    if (!userName || !codeText) return 0;
    const std::string user = LogonWorkingName(userName);
    if (BoundedLength(codeText, kMaxCodeLength + 1) > kMaxCodeLength) codeText[kMaxCodeLength] = '\0';
    const bool anyUser = std::strstr(userName, kAnyUser) != nullptr;

    // The failure limit (off unless set) refuses before anything is compared
    // or sent: not even a domain controller sees a locked user's code.
    const FailureLimit limit = ReadFailureLimit();
    const char* counted = anyUser ? kAnyUserCountName : user.c_str();
    if (RefusedByLock(counted, limit)) return 0;

    if (DomainModeOn() && IsWorkstation(Module())) {
        const int decided = AskDomainController(user, codeText);
        if (decided >= 0) return Counted(counted, limit, decided);
    }

    std::string secret;
    if (!anyUser) {
        if (LastOtpEntryNameLength() < 3 && DomainModeOn()) {
            TraceLog("VerifyPIN get config for %s", user.c_str());
            if (!IsDirectoryOffline()) VelmoADAP_GetUserOtpInfo(user.c_str());
        }
        const char* provisioning = GenerateQR_Code_User(user.c_str(), 0);
        if (provisioning[0] == '\0' || IsBypassCode(codeText)) {
            TraceLog("VerifyOTP, no config. %X %d (%s)", static_cast<int>(static_cast<signed char>(codeText[0])),
                     static_cast<int>(std::strlen(provisioning)), user.c_str());
            return IsBypassCode(codeText) ? 1 : 0;
        }
        secret = ReadSecret(user.c_str());
    }

    char* matched = Module().matchedUserName;
    const int result = !secret.empty()
                           ? (verifyDevicePIN(user.c_str(), secret.c_str(), codeText, FollowInDirectory) ? 1 : 0)
                           : findVerifyUserName(codeText, matched, kMatchedUserNameSize, FollowInDirectory);
    TraceLog("VerifyOTP:\t[in]user=%s  pin = %s %i (%d)", user.c_str(), Masked(codeText), result,
             static_cast<int>(secret.size()));
    ResetLastOtpEntryName();
    if (anyUser && result == 1) CountAcceptedCode(matched, limit);
    return Counted(counted, limit, result);
}

}  // namespace velmo
