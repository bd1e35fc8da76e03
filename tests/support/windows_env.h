// Helpers for tests that run under Wine against the real registry and files.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace velmo::test {

// A fresh path in the temporary folder, unique within the test run.
std::string ScratchFilePath(const std::string& tag);
std::string ReadWholeFile(const std::string& path);
void WriteWholeFile(const std::string& path, const std::string& data);
bool FileExists(const std::string& path);
// Splits on CR LF.
std::vector<std::string> SplitLines(const std::string& text);
// Runs a command line (UTF-8) and waits for it; `output`, when given, gets
// what it wrote to stdout and stderr. Returns its exit code (~0u when it did
// not start or did not end within 60 s).
DWORD RunProcess(const std::string& commandLine, std::string* output = nullptr);

// Removes HKLM\Software\Velmo in both registry views and HKCU\Software\Velmo,
// so each test starts from an empty configuration.
void ResetVelmoRegistry();

// Raw registry access that bypasses the module, for arranging and checking.
enum class View { Wow32, Wow64 };
struct RawValue {
    DWORD type = REG_NONE;
    std::vector<uint8_t> data;
    std::string Text() const;  // the data up to its first NUL
    uint32_t Dword() const;
    bool operator==(const RawValue&) const = default;
};
void PutRaw(HKEY root, View view, const std::string& path, const std::string& name, DWORD type, const void* data,
            size_t size);
void PutText(const std::string& path, const std::string& name, const std::string& text, View view = View::Wow32);
void PutDword(const std::string& path, const std::string& name, uint32_t value, View view = View::Wow32);
std::optional<RawValue> GetRaw(HKEY root, View view, const std::string& path, const std::string& name);
std::optional<RawValue> GetRaw(const std::string& path, const std::string& name, View view = View::Wow32);
// The value, for checking what it holds: a missing one is a test failure and
// reads as an empty value (no type, no data).
RawValue Value(const std::string& path, const std::string& name, View view = View::Wow32);
bool KeyExists(HKEY root, View view, const std::string& path);
// Every value of a key (32-bit view), by name: for "nothing changed" checks.
std::map<std::string, RawValue> AllValues(const std::string& path);
bool KeyIsVolatile(HKEY root, View view, const std::string& path);
// The text of a value under kOtpModule, or "<missing>".
std::string Stored(const std::string& name);

// The access list of a file or an HKLM key (32-bit view) as SDDL text
// ("D:..."), or setting it (inherited entries stay); empty / false on failure.
enum class Secured { File, Key };
std::string Access(Secured kind, const std::string& path);
bool SetAccess(Secured kind, const std::string& path, const std::string& sddl);
// Whether an access list lets Everyone, Users, Authenticated or Interactive
// users read.
bool WideGroupMayRead(const std::string& sddl);

inline constexpr char kVelmo[] = "SOFTWARE\\Velmo";
inline constexpr char kOtpModule[] = "Software\\Velmo\\OtpModule";

}  // namespace velmo::test
