// Who may read what the module keeps: the product folder with the delivery
// script and the trace files, and the registry keys that hold secrets.
#include <windows.h>

#include <optional>
#include <vector>

#include "common/admin_only.h"
#include "common/text.h"
#include "common/win_handles.h"
#include "doctor_checks.h"
#include "module/trace_file_name.h"
#include "settings/registry.h"

namespace otpadmin::doctor {

namespace {

using velmo::Format;

constexpr char kDisableLogKey[] = "Software\\Velmo";
constexpr char kPrivateFileFix[] =
    "let only SYSTEM and Administrators read it (icacls \"FILE\" /inheritance:r /grant:r SYSTEM:F "
    "Administrators:F), or delete it: the module makes a new one private";

struct KeyRule {
    const char* path;
    const char* check;
    const char* secrets[2];  // values that make the key secret; none: the key always is
};

const KeyRule kKeys[] = {
    {velmo::kOtpModuleKey, "record key", {}},
    {velmo::kVelmoKey, "settings key", {"ADAP_Pwdxxx", "ProxyServerPwd"}},
    {"SOFTWARE\\Velmo\\Adap", "library key", {"ServicePassword"}},
};

bool LogDisabled(velmo::RegRoot root) { return velmo::ReadRegDword(root, kDisableLogKey, "DisableLog", 0) == 1; }

struct TraceFile {
    std::string name;
    uint64_t bytes = 0;
    std::optional<bool> readable;
};

std::vector<TraceFile> TraceFiles(const std::string& folder) {
    std::vector<TraceFile> files;
    WIN32_FIND_DATAA found;
    const HANDLE search = FindFirstFileA((folder + "otp_*.log").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return files;
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        TraceFile f{found.cFileName, (uint64_t{found.nFileSizeHigh} << 32) | found.nFileSizeLow, std::nullopt};
        const velmo::UniqueFile file(CreateFileA((folder + f.name).c_str(), READ_CONTROL,
                                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                                 OPEN_EXISTING, 0, nullptr));
        if (file) f.readable = velmo::ReadableByUsers(file.get(), SE_FILE_OBJECT);
        files.push_back(std::move(f));
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return files;
}

void CheckTraceFiles(Context& c) {
    const bool offMachine = LogDisabled(velmo::RegRoot::LocalMachine);
    const bool offUser = LogDisabled(velmo::RegRoot::CurrentUser);
    std::string found, readable;
    for (const auto& f : TraceFiles(c.productFolder)) {
        found += Format("%s%s %llu KB of %u KB", found.empty() ? "" : ", ", f.name.c_str(),
                        static_cast<unsigned long long>((f.bytes + 1023) / 1024), velmo::kTraceFileLimitKb);
        if (f.readable.value_or(false)) readable += (readable.empty() ? "" : ", ") + f.name;
    }
    if (found.empty()) found = "no trace file in the product folder yet";
    found += offMachine ? "; logging off (\"DisableLog\" = 1)"
             : offUser  ? "; logging off for this user only (HKCU \"DisableLog\" = 1)"
                        : "; logging on: each attempt's code goes into the trace";
    if (!readable.empty())
        c.Add(Fail("trace files", readable + " may be read by users: " + found, kPrivateFileFix));
    else
        c.Add(Ok("trace files", found));
}

std::string PresentSecrets(HKEY key, const KeyRule& rule) {
    std::string present;
    for (const char* name : rule.secrets)
        if (name && RegQueryValueExA(key, name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS)
            present += Format("%s\"%s\"", present.empty() ? "" : ", ", name);
    return present;
}

void CheckKey(Context& c, const KeyRule& rule) {
    velmo::UniqueHkey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, rule.path, 0, KEY_READ | KEY_WOW64_32KEY, key.put()) != ERROR_SUCCESS) {
        if (!rule.secrets[0]) c.Add(Ok(rule.check, Format("HKLM\\%s does not exist yet", rule.path)));
        return;
    }
    const bool alwaysSecret = !rule.secrets[0];
    const std::string secrets = PresentSecrets(key.get(), rule);
    const std::optional<bool> readable = velmo::ReadableByUsers(key.get(), SE_REGISTRY_KEY);
    const std::string what = alwaysSecret      ? "holds every user's secret"
                             : secrets.empty() ? "holds no password"
                                               : "holds " + secrets;
    const std::string found = Format("HKLM\\%s %s", rule.path, what.c_str());
    if (!readable)
        c.Add(Warn(rule.check, found + ", its access list cannot be read", "run otpadmin as an administrator"));
    else if (*readable && (alwaysSecret || !secrets.empty()))
        c.Add(Fail(rule.check, found + " and users may read it",
                   "give only SYSTEM and Administrators access to the key (regedit, Permissions; the 32-bit "
                   "view, under WOW6432Node)"));
    else
        c.Add(Ok(rule.check, found + (*readable ? ", users may read it" : ", private to SYSTEM and Administrators")));
}

}  // namespace

void CheckProductFolder(Context& c) {
    char folder[velmo::kProductPathReadSize];
    velmo::ReadRegText(velmo::RegRoot::LocalMachine, velmo::kVelmoKey, "VelmoPath", folder, sizeof folder);
    c.productFolder = folder;
    if (c.productFolder.empty()) {
        c.Add(Warn("product folder",
                   "\"VelmoPath\" is not set: trace files and the delivery script are looked for "
                   "in each host's current folder",
                   "set HKLM\\SOFTWARE\\Velmo \"VelmoPath\" to the product folder, ending with a backslash"));
        return;
    }
    const DWORD attributes = GetFileAttributesA(folder);
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        c.Add(Fail("product folder", Format("\"VelmoPath\" %s is not a folder", folder),
                   "create it or correct \"VelmoPath\""));
    else if (c.productFolder.back() != '\\')
        c.Add(Warn("product folder", Format("\"VelmoPath\" %s does not end with a backslash", folder),
                   "add the backslash: file names are joined to it as they stand"));
    else
        c.Add(Ok("product folder", Format("%s (\"VelmoPath\"); keep it writable by administrators only", folder)));
}

void CheckAccess(Context& c) {
    CheckTraceFiles(c);
    for (const auto& rule : kKeys) CheckKey(c, rule);
}

}  // namespace otpadmin::doctor
