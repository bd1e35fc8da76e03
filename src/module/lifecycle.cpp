#include "module/lifecycle.h"

#include <windows.h>
#include <objbase.h>

#include <cstring>

#include "common/module_state.h"
#include "common/trace.h"
#include "common/trace_log.h"
#include "common/trace_mask.h"
#include "directory/directory_state.h"
#include "module/machine_role.h"
#include "module/trace_file_name.h"
#include "settings/registry.h"

namespace velmo {

namespace {

constexpr char kDefaultGate[] = "OtpDeliveryScript.ps1";
constexpr char kDefaultSuccessValue[] = " OK ";
constexpr char kAccessLibraryKey[] = "SOFTWARE\\Velmo\\Adap";  // the access library's own settings

bool TraceMaskingSetting() { return ReadRegDword(RegRoot::LocalMachine, kVelmoKey, "TraceMasking", 0) == 1; }

void OpenTraceFile(ModuleState& m) {
    SetTraceMaskingSource(&TraceMaskingSetting);  // asked at each line that carries a secret
    char productPath[kProductPathReadSize];
    ReadRegText(RegRoot::LocalMachine, kVelmoKey, "VelmoPath", productPath, sizeof productPath);
    char exe[kHostExePathSize + 1] = {};
    GetModuleFileNameA(nullptr, exe, kHostExePathSize);
    BuildTraceFileName(productPath, exe, m.logFilePath, sizeof m.logFilePath);
    GetTraceMaker().OpenLog(m.logFilePath, kTraceFileLimitKb);
}

void RunOneTimeSetup(ModuleState& m) {
    OpenTraceFile(m);
    m.adMode = ReadRegDword(RegRoot::LocalMachine, kVelmoKey, "VelmoADmode", 0);
    TraceLog("InitLibrary() %d, refs:%d role:%d, admode:%d", static_cast<int>(m.initialized),
             static_cast<int>(m.refCount), m.machineRole, static_cast<int>(m.adMode));
    // Domain mode: the directory access library, and COM for this thread.
    if (m.adMode == 1 && BindAccessLibrary()) CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    EnsureAdminOnlyKey(RegRoot::LocalMachine, kOtpModuleKey);
    // Its service password is protected for the machine, which any local
    // process can undo: the key's access is what keeps it from users.
    if (m.adMode == 1) EnsureAdminOnlyKey(RegRoot::LocalMachine, kAccessLibraryKey);
    m.initialized = 1;
}

// Reads the delivery settings and seeds them when they are unusable.
void RefreshDeliverySettings(ModuleState& m) {
    auto readGate = [&] {
        ReadRegText(RegRoot::LocalMachine, kOtpModuleKey, "SMS-Gate", m.smsGateValue, sizeof m.smsGateValue);
    };
    auto readSuccess = [&] {
        ReadRegText(RegRoot::LocalMachine, kOtpModuleKey, "SMS-Gate-Success-Value", m.smsGateSuccessValue,
                    sizeof m.smsGateSuccessValue);
    };
    readGate();
    readSuccess();
    if (strnlen(m.smsGateValue, 2) < 2) {
        WriteRegString(RegRoot::LocalMachine, kOtpModuleKey, "SMS-Gate", kDefaultGate);
        readGate();
    }
    if (m.smsGateSuccessValue[0] == '\0') {
        WriteRegString(RegRoot::LocalMachine, kOtpModuleKey, "SMS-Gate-Success-Value", kDefaultSuccessValue);
        readSuccess();
    }
}

}  // namespace

void InitializeModule() {
    ModuleState& m = Module();
    ++m.refCount;
    m.machineRole = ComputeMachineRole();
    if (!m.initialized) RunOneTimeSetup(m);
    RefreshDeliverySettings(m);
}

void CloseModule() {
    ModuleState& m = Module();
    // The count is unsigned: an unmatched call wraps it (traced as -1), and
    // the next InitLibrary brings it back to 0.
    --m.refCount;
    TraceLog("CloseLibrary() refs: %i", static_cast<int>(m.refCount));
    if (m.refCount == 0) m.initialized = 0;
}

}  // namespace velmo
