// otpadmin check-remote USER CODE: asks the "URL" verification service about
// a code, exactly as a logon with remote verification does.
#include <windows.h>

#include <cstdio>

#include "commands.h"
#include "common/trace_log.h"
#include "delivery/remote_verification.h"
#include "module/trace_file_name.h"
#include "settings/registry.h"

namespace otpadmin {

namespace {

const char* Meaning(int result) {
    switch (result) {
    case velmo::kRemoteConfirmed: return "confirmed";
    case velmo::kRemoteNoStatus: return "refused: no \"status\": true";
    case velmo::kRemoteNoValue: return "refused: no \"value\": true after the status";
    case velmo::kRemoteNetworkError: return "request failed";
    case velmo::kRemoteBadTemplate: return "URL template lacks %user% and %pass%";
    default: return "unknown";
    }
}

// The request's details go to this program's trace file in the product
// folder, where the module's own trace files are.
void OpenTrace(char (&path)[MAX_PATH * 2]) {
    char folder[velmo::kProductPathReadSize];
    velmo::ReadRegText(velmo::RegRoot::LocalMachine, velmo::kVelmoKey, "VelmoPath", folder, sizeof folder);
    char exe[velmo::kHostExePathSize + 1] = {};
    GetModuleFileNameA(nullptr, exe, velmo::kHostExePathSize);
    velmo::BuildTraceFileName(folder, exe, path, sizeof path);
    velmo::GetTraceMaker().OpenLog(path, velmo::kTraceFileLimitKb);
}

}  // namespace

int CommandCheckRemote(const Args& args) {
    if (args.size() != 2) return UsageError("check-remote needs a user name and a code");
    char tracePath[MAX_PATH * 2] = {};
    OpenTrace(tracePath);
    char answer[velmo::kRemoteAnswerSize];
    const int result = velmo::verifyOTP_Web(args[0].c_str(), args[1].c_str(), answer, sizeof answer);
    std::printf("verifyOTP_Web -> %d (%s)\n", result, Meaning(result));
    std::printf("answer: %s\n", answer);
    if (result != velmo::kRemoteConfirmed) std::printf("trace: %s\n", tracePath);
    return result == velmo::kRemoteConfirmed ? 0 : 1;
}

}  // namespace otpadmin
