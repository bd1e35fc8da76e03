// Module-wide state shared by the exports and the flows: one copy per
// process, zero at load, never freed. The host calls one export at a time.
#pragma once

#include <cstddef>
#include <cstdint>

namespace velmo {

constexpr size_t kLogFilePathSize = 512;
constexpr size_t kSmsGateValueSize = 340;
constexpr size_t kSmsGateSuccessValueSize = 140;
constexpr size_t kMatchedUserNameSize = 250;

struct ModuleState {
    uint32_t refCount;      // InitLibrary calls not yet matched by CloseLibrary
    uint32_t initialized;   // 1 once the one-time setup of InitLibrary has run
    int32_t machineRole;    // below 3: the computer counts as a workstation
    uint32_t adMode;        // "VelmoADmode" at the first InitLibrary
    char logFilePath[kLogFilePathSize];
    char smsGateValue[kSmsGateValueSize];                // "SMS-Gate"
    char smsGateSuccessValue[kSmsGateSuccessValueSize];  // "SMS-Gate-Success-Value"
    char matchedUserName[kMatchedUserNameSize];          // last "AnyUser" match
    void* moduleInstance;   // the DLL's instance handle, set by DllMain
};

ModuleState& Module();

// A computer counts as a workstation when its role is below 3 (signed).
inline bool IsWorkstation(const ModuleState& state) { return state.machineRole < 3; }

}  // namespace velmo
