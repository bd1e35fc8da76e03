#include "ui/users_file.h"

#include <windows.h>
#include <shlobj.h>
#include <shellapi.h>

#include "common/system_folder.h"
#include "common/text.h"
#include "common/win_handles.h"

namespace velmo {

namespace {

constexpr DWORD kRegistryToolWaitMs = 10000;
constexpr size_t kExplorerPathMax = 90;

// The records live in the 32-bit registry view; the registry tool started
// from this 64-bit module would otherwise export and import the 64-bit view,
// where the key does not exist. "/reg:32" names the view the records are in.
constexpr char kRecordsView[] = " /reg:32";

void RunRegistryTool(const std::string& arguments) {
    const std::string tool = SystemProgramPath("reg.exe");
    SHELLEXECUTEINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    info.lpVerb = "open";
    info.lpFile = tool.c_str();
    info.lpParameters = arguments.c_str();
    info.lpDirectory = "";
    info.nShow = SW_HIDE;
    if (!ShellExecuteExA(&info)) return;
    UniqueHandle process(info.hProcess);
    if (process) WaitForSingleObject(process.get(), kRegistryToolWaitMs);
}

class ComScope {
public:
    ComScope() : initialized_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ~ComScope() {
        if (initialized_) CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

private:
    bool initialized_;
};

}  // namespace

std::string UsersExportPath() {
    char desktop[MAX_PATH] = {};
    SHGetFolderPathA(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, SHGFP_TYPE_CURRENT, desktop);
    return std::string(desktop) + "\\VelmoOtpUsers.reg";
}

void ExportUsers(const std::string& path) {
    RunRegistryTool("EXPORT HKLM\\Software\\Velmo\\OtpModule \"" + path + "\" /y" + kRecordsView);
}

void ImportUsers(const std::string& path) { RunRegistryTool("IMPORT \"" + path + "\"" + kRecordsView); }

void ShowInExplorer(const std::string& path) {
    ComScope com;
    wchar_t wide[kExplorerPathMax + 1] = {};
    const std::string cut = path.substr(0, kExplorerPathMax);
    MultiByteToWideChar(CP_ACP, 0, cut.c_str(), -1, wide, static_cast<int>(kExplorerPathMax + 1));
    PIDLIST_ABSOLUTE item = nullptr;
    if (FAILED(SHParseDisplayName(wide, nullptr, &item, 0, nullptr)) || !item) return;
    SHOpenFolderAndSelectItems(item, 0, nullptr, 0);
    CoTaskMemFree(item);
}

}  // namespace velmo
