#include "support/windows_env.h"

#include <atomic>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>

#include <aclapi.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include "common/win_handles.h"

namespace velmo::test {

namespace {

REGSAM ViewFlag(View view) { return view == View::Wow32 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY; }

void DeleteTree(HKEY root, REGSAM view, const char* parent, const char* child) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, parent, 0, KEY_ALL_ACCESS | view, &key) != ERROR_SUCCESS) return;
    RegDeleteTreeA(key, child);
    RegCloseKey(key);
}

}  // namespace

std::string ScratchFilePath(const std::string& tag) {
    static std::atomic<int> counter{0};
    char dir[MAX_PATH + 1] = {};
    GetTempPathA(MAX_PATH, dir);
    return std::string(dir) + "velmo_" + tag + "_" + std::to_string(GetCurrentProcessId()) + "_" +
           std::to_string(counter++) + ".txt";
}

std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void WriteWholeFile(const std::string& path, const std::string& data) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << data;
}

bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t at; (at = text.find("\r\n", start)) != std::string::npos; start = at + 2)
        lines.push_back(text.substr(start, at - start));
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
}

DWORD RunProcess(const std::string& commandLine, std::string* output) {
    std::wstring command(commandLine.size() + 1, L'\0');
    command.resize(MultiByteToWideChar(CP_UTF8, 0, commandLine.c_str(), -1, command.data(),
                                       static_cast<int>(command.size())));
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    UniqueHandle readEnd, writeEnd;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    if (output && CreatePipe(readEnd.put(), writeEnd.put(), &inherit, 0)) {
        SetHandleInformation(readEnd.get(), HANDLE_FLAG_INHERIT, 0);
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = startup.hStdError = writeEnd.get();
    }
    PROCESS_INFORMATION started = {};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, static_cast<bool>(writeEnd), 0, nullptr, nullptr,
                        &startup, &started))
        return ~0u;
    const UniqueHandle process(started.hProcess), thread(started.hThread);
    writeEnd.reset();  // the child's copy stays open until it ends
    char piece[512];
    DWORD got = 0;
    while (readEnd && ReadFile(readEnd.get(), piece, sizeof piece, &got, nullptr) && got) output->append(piece, got);
    DWORD exitCode = ~0u;
    if (WaitForSingleObject(process.get(), 60000) == WAIT_OBJECT_0) GetExitCodeProcess(process.get(), &exitCode);
    return exitCode;
}

void ResetVelmoRegistry() {
    DeleteTree(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, "SOFTWARE", "Velmo");
    DeleteTree(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, "SOFTWARE", "Velmo");
    DeleteTree(HKEY_CURRENT_USER, 0, "SOFTWARE", "Velmo");
}

std::string RawValue::Text() const {
    if (data.empty()) return {};
    const char* p = reinterpret_cast<const char*>(data.data());
    return std::string(p, strnlen(p, data.size()));
}

uint32_t RawValue::Dword() const {
    uint32_t v = 0;
    std::memcpy(&v, data.data(), std::min<size_t>(data.size(), sizeof v));
    return v;
}

void PutRaw(HKEY root, View view, const std::string& path, const std::string& name, DWORD type, const void* data,
            size_t size) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | ViewFlag(view), nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return;
    RegSetValueExA(key, name.c_str(), 0, type, static_cast<const BYTE*>(data), static_cast<DWORD>(size));
    RegCloseKey(key);
}

void PutText(const std::string& path, const std::string& name, const std::string& text, View view) {
    PutRaw(HKEY_LOCAL_MACHINE, view, path, name, REG_SZ, text.c_str(), text.size() + 1);
}

void PutDword(const std::string& path, const std::string& name, uint32_t value, View view) {
    PutRaw(HKEY_LOCAL_MACHINE, view, path, name, REG_DWORD, &value, sizeof value);
}

std::optional<RawValue> GetRaw(HKEY root, View view, const std::string& path, const std::string& name) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ | ViewFlag(view), &key) != ERROR_SUCCESS) return std::nullopt;
    RawValue value;
    DWORD size = 0;
    LONG rc = RegQueryValueExA(key, name.c_str(), nullptr, &value.type, nullptr, &size);
    if (rc == ERROR_SUCCESS) {
        value.data.resize(size);
        rc = RegQueryValueExA(key, name.c_str(), nullptr, &value.type, value.data.data(), &size);
        value.data.resize(size);
    }
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS) return std::nullopt;
    return value;
}

std::optional<RawValue> GetRaw(const std::string& path, const std::string& name, View view) {
    return GetRaw(HKEY_LOCAL_MACHINE, view, path, name);
}

RawValue Value(const std::string& path, const std::string& name, View view) {
    if (auto raw = GetRaw(path, name, view)) return *raw;
    ADD_FAILURE() << path << "\\" << name << " is missing";
    return {};
}

bool KeyExists(HKEY root, View view, const std::string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ | ViewFlag(view), &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

std::map<std::string, RawValue> AllValues(const std::string& path) {
    std::map<std::string, RawValue> values;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ | KEY_WOW64_32KEY, &key) != ERROR_SUCCESS)
        return values;
    char name[16384];
    DWORD size = sizeof name;
    for (DWORD i = 0; RegEnumValueA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_NO_MORE_ITEMS;
         ++i, size = sizeof name)
        if (auto read = GetRaw(path, name)) values[name] = *read;
    RegCloseKey(key);
    return values;
}

std::string Stored(const std::string& name) {
    const auto raw = GetRaw(kOtpModule, name);
    return raw ? raw->Text() : "<missing>";
}

bool KeyIsVolatile(HKEY root, View view, const std::string& path) {
    // A volatile key cannot hold a non-volatile subkey: creating one fails
    // with ERROR_CHILD_MUST_BE_VOLATILE.
    HKEY key = nullptr;
    const LONG rc = RegCreateKeyExA(root, (path + "\\velmo_probe").c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                    KEY_ALL_ACCESS | ViewFlag(view), nullptr, &key, nullptr);
    if (rc == ERROR_SUCCESS) RegCloseKey(key);
    DeleteTree(root, ViewFlag(view), path.c_str(), "velmo_probe");
    return rc == ERROR_CHILD_MUST_BE_VOLATILE;
}

namespace {

// A file or key opened to read and change its access list; null when it cannot be.
std::shared_ptr<void> OpenSecured(Secured kind, const std::string& path) {
    if (kind == Secured::File) {
        const HANDLE file = CreateFileA(path.c_str(), READ_CONTROL | WRITE_DAC,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                        0, nullptr);
        return file == INVALID_HANDLE_VALUE ? nullptr : std::shared_ptr<void>(file, CloseHandle);
    }
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, READ_CONTROL | WRITE_DAC | KEY_WOW64_32KEY, &key) !=
        ERROR_SUCCESS)
        return nullptr;
    return std::shared_ptr<void>(key, [](void* k) { RegCloseKey(static_cast<HKEY>(k)); });
}

SE_OBJECT_TYPE TypeOf(Secured kind) { return kind == Secured::File ? SE_FILE_OBJECT : SE_REGISTRY_KEY; }

std::string DaclText(HANDLE object, SE_OBJECT_TYPE type) {
    PSECURITY_DESCRIPTOR sd = nullptr;
    if (GetSecurityInfo(object, type, DACL_SECURITY_INFORMATION, nullptr, nullptr, nullptr, nullptr, &sd) !=
        ERROR_SUCCESS)
        return {};
    char* text = nullptr;
    std::string result;
    if (ConvertSecurityDescriptorToStringSecurityDescriptorA(sd, SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &text,
                                                             nullptr))
        result = text;
    LocalFree(text);
    LocalFree(sd);
    return result;
}

bool SetDacl(HANDLE object, SE_OBJECT_TYPE type, const std::string& sddl) {
    PSECURITY_DESCRIPTOR sd = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl.c_str(), SDDL_REVISION_1, &sd, nullptr)) return false;
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    GetSecurityDescriptorDacl(sd, &present, &dacl, &defaulted);
    const SECURITY_INFORMATION what = DACL_SECURITY_INFORMATION | UNPROTECTED_DACL_SECURITY_INFORMATION;
    const bool ok = SetSecurityInfo(object, type, what, nullptr, nullptr, dacl, nullptr) == ERROR_SUCCESS;
    LocalFree(sd);
    return ok;
}

}  // namespace

std::string Access(Secured kind, const std::string& path) {
    const auto object = OpenSecured(kind, path);
    return object ? DaclText(object.get(), TypeOf(kind)) : std::string();
}

bool SetAccess(Secured kind, const std::string& path, const std::string& sddl) {
    const auto object = OpenSecured(kind, path);
    return object && SetDacl(object.get(), TypeOf(kind), sddl);
}

bool WideGroupMayRead(const std::string& sddl) {
    if (sddl.empty() || sddl == "D:NO_ACCESS_CONTROL") return true;
    for (const char* group : {";;;WD)", ";;;BU)", ";;;AU)", ";;;IU)"})
        for (size_t at = sddl.find(group); at != std::string::npos; at = sddl.find(group, at + 1)) {
            const std::string ace = sddl.substr(sddl.rfind('(', at), at - sddl.rfind('(', at));
            // Any allowed right, read included, unless it only passes to children.
            if (ace.rfind("(A;", 0) == 0 && ace.find("IO;") == std::string::npos) return true;
        }
    return false;
}

}  // namespace velmo::test
