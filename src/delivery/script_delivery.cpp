// Delivery through the administrator's PowerShell script, which answers by
// writing "PSStatus" under HKLM\Software\Velmo.
#include <windows.h>

#include "common/text.h"
#include "common/trace.h"
#include "common/trace_mask.h"
#include "delivery/delivery.h"
#include "delivery/delivery_channels.h"
#include "delivery/script_command.h"
#include "delivery/script_runner.h"
#include "settings/registry.h"

namespace velmo {

namespace {

constexpr DWORD kLateAnswerWaitMs = 8000;
constexpr size_t kMinAnswerLength = 2;  // a blank alone is the reset, not an answer

std::string ReadScriptStatus() { return ReadRegString(RegRoot::LocalMachine, kVelmoKey, "PSStatus"); }

}  // namespace

int SendByScript(const char* scriptName, const char* destination, const char* userName, const char* codeText,
                 char* status, size_t statusSize) {
    // A stale answer of an earlier run must not pass for this one.
    WriteRegString(RegRoot::LocalMachine, kVelmoKey, "PSStatus", " ");

    const std::string arguments = ScriptArguments(userName, codeText, destination);
    const std::string shown = ScriptArguments(userName, Masked(codeText), destination);
    RunPowerShellScript(scriptName, arguments.c_str(), shown.c_str());

    std::string answer = ReadScriptStatus();
    if (answer.size() < kMinAnswerLength) {
        Sleep(kLateAnswerWaitMs);
        answer = ReadScriptStatus();
    }
    CopyText(status, statusSize, ScriptStatusText(answer));
    TraceLog("SriptRet: %s ret:%s [cmd %s]", scriptName, status, shown.c_str());
    return ScriptOutcome(View(status));
}

}  // namespace velmo
