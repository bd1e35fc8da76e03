// This build keeps every record locally: the directory store is not linked
// in, so the operations behave as on a computer outside domain mode and
// without a reachable directory.
#include "directory/directory_ops.h"

#include "common/text.h"
#include "common/trace.h"
#include "settings/registry.h"

namespace velmo {

namespace {
std::wstring g_lastOtpEntryName;
}

bool DomainModeOn() { return ReadRegDword(RegRoot::LocalMachine, kVelmoKey, "VelmoADmode", 0) == 1; }

int IsDirectoryOffline() { return 0; }

void VelmoADAP_GetUserOtpInfo(const char*) {}

void VelmoADAP_AddUserOtpInfo(const char*, const char*, const char*) {}

std::wstring VelmoADAP_SelfEnroll_PutOTP(const char*, const char*) { return {}; }

int VelmoADAP_SelfEnroll_GetOTPReply(const std::wstring&, const char*, const char*) { return -1; }

int FindADUser_DomainGroup(const char*, char* destination, size_t destinationSize) {
    CopyText(destination, destinationSize, "");
    TraceLog("FindADUser_DomainGroup failed %s", "");
    return -1;
}

size_t LastOtpEntryNameLength() { return g_lastOtpEntryName.size(); }

void ResetLastOtpEntryName() { g_lastOtpEntryName = L" "; }

}  // namespace velmo
