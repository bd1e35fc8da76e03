// Runs the administrator's delivery script as a hidden PowerShell process and
// waits a bounded time for it. The script answers through "PSStatus", not
// through the process.
#pragma once

#include <cstddef>
#include <cstdint>

namespace velmo {

constexpr uint32_t kProcessWaitMs = 12000;
constexpr size_t kProductFolderSize = 400;

// PowerShell in the system folder, tried first; then by name on the search path.
inline constexpr char kPowerShellInSystemFolder[] = "WindowsPowerShell\\v1.0\\powershell.exe";
inline constexpr char kPowerShellName[] = "powershell.exe";

// Starts `scriptName` (relative to the product folder, "VelmoPath") with the
// optional argument text, through PowerShell in the system folder and then
// the search path. Makes the product folder the process's current directory.
// Always true: the outcome is in "PSStatus".
// `shownArguments`, when given, stand for the arguments in trace lines.
bool RunPowerShellScript(const char* scriptName, const char* arguments, const char* shownArguments = nullptr);

// Starts `program` (from the product folder when it is there, else as named)
// with `arguments` in a hidden window and waits up to 12 s for it to end;
// a process still running then is left running. False when the argument
// text is empty or no process could be started.
bool StartProcessAndWait(const char* program, const char* arguments, const char* shownArguments = nullptr);

}  // namespace velmo
