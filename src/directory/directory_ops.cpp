// The directory operations the logon flows call that are not yet backed by
// directory records: the OTP configuration and the self-enrolment exchange
// behave as on a computer without a reachable directory.
#include "directory/directory_ops.h"

#include "common/trace.h"
#include "settings/registry.h"

namespace velmo {

namespace {
std::wstring g_lastOtpEntryName;
}

bool DomainModeOn() { return ReadRegDword(RegRoot::LocalMachine, kVelmoKey, "VelmoADmode", 0) == 1; }

void VelmoADAP_GetUserOtpInfo(const char*) {}

void VelmoADAP_AddUserOtpInfo(const char*, const char*, const char*) {}

std::wstring VelmoADAP_SelfEnroll_PutOTP(const char*, const char*) { return {}; }

int VelmoADAP_SelfEnroll_GetOTPReply(const std::wstring&, const char*, const char*) { return -1; }

size_t LastOtpEntryNameLength() { return g_lastOtpEntryName.size(); }

void ResetLastOtpEntryName() { g_lastOtpEntryName = L" "; }

}  // namespace velmo
