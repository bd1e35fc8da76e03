#include "delivery/script_runner.h"

#include <windows.h>

#include "common/system_folder.h"
#include "common/text.h"
#include "common/trace.h"
#include "common/win_handles.h"
#include "delivery/script_command.h"
#include "settings/registry.h"

namespace velmo {

namespace {

constexpr size_t kProgramPathSize = kProductFolderSize + MAX_PATH;
constexpr size_t kCommandLineSize = kProgramPathSize + kScriptCommandSize + 4;

void ReadProductFolder(char (&folder)[kProductFolderSize]) {
    ReadRegText(RegRoot::LocalMachine, kVelmoKey, "VelmoPath", folder, sizeof folder);
}

bool IsFile(const char* path) {
    const DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// CreateProcessA with a hidden window and inherited handles; `commandLine`
// is copied because CreateProcess may write into it.
bool StartHidden(const char* applicationPath, const char* commandLine, PROCESS_INFORMATION& process) {
    char writable[kCommandLineSize];
    CopyText(writable, View(commandLine));
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    return CreateProcessA(applicationPath, writable, nullptr, nullptr, TRUE, NORMAL_PRIORITY_CLASS, nullptr, nullptr,
                          &startup, &process) != FALSE;
}

}  // namespace

bool RunPowerShellScript(const char* scriptName, const char* arguments, const char* shownArguments) {
    if (!scriptName) scriptName = "";
    char folder[kProductFolderSize];
    ReadProductFolder(folder);
    SetCurrentDirectoryA(folder);

    const std::string command = PowerShellArguments(folder, scriptName, arguments);
    const std::string shown = PowerShellArguments(folder, scriptName, shownArguments ? shownArguments : arguments);
    if (!StartProcessAndWait(SystemProgramPath(kPowerShellInSystemFolder).c_str(), command.c_str(), shown.c_str()))
        StartProcessAndWait(kPowerShellName, command.c_str(), shown.c_str());
    return true;
}

bool StartProcessAndWait(const char* program, const char* arguments, const char* shownArguments) {
    if (!program) program = "";
    if (!arguments) arguments = "";
    if (!shownArguments) shownArguments = arguments;
    char folder[kProductFolderSize];
    ReadProductFolder(folder);
    char candidate[kProgramPathSize];
    FormatText(candidate, sizeof candidate, "%s%s", folder, program);

    const char* applicationPath = nullptr;
    char commandLine[kCommandLineSize];
    // Without a program file in the product folder, the error traced for the
    // first attempt is the one the file check left.
    DWORD firstError = ERROR_SUCCESS;
    if (IsFile(candidate))
        applicationPath = candidate;
    else
        firstError = GetLastError();
    CopyText(commandLine, ProcessCommandLine(applicationPath, program, arguments));
    char shownCommandLine[kCommandLineSize];
    CopyText(shownCommandLine, ProcessCommandLine(applicationPath, program, shownArguments));
    if (arguments[0] == '\0') return false;

    PROCESS_INFORMATION process = {};
    bool started = applicationPath && StartHidden(applicationPath, commandLine, process);
    if (!started) {
        if (applicationPath) firstError = GetLastError();
        TraceLog("Create process failed %s %s %X", applicationPath ? applicationPath : "", shownCommandLine,
                 static_cast<unsigned>(firstError));
        started = StartHidden(nullptr, commandLine, process);
        if (!started) {
            TraceLog("CreateProcess2 failed %s %s %X", applicationPath ? applicationPath : "", shownCommandLine,
                     static_cast<unsigned>(GetLastError()));
            return false;
        }
    }
    const UniqueHandle processHandle(process.hProcess);
    const UniqueHandle threadHandle(process.hThread);
    WaitForSingleObject(processHandle.get(), kProcessWaitMs);
    TraceLog("CreateProcess wait done");
    return true;
}

}  // namespace velmo
