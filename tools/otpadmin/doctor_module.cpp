// The module as the host meets it: where it is loaded from, its version,
// what InitLibrary answers, the machine role and domain mode as it sees them,
// and, where domain mode needs them, its companions beside it.
#include <windows.h>

#include <vector>

#include "common/module_state.h"
#include "common/text.h"
#include "common/win_handles.h"
#include "directory/access_library.h"
#include "directory/companion_library.h"
#include "doctor_checks.h"
#include "module/machine_role.h"
#include "settings/registry.h"

namespace otpadmin::doctor {

namespace {

using velmo::Format;

std::string FilePath(HMODULE module) {
    char path[MAX_PATH + 1] = {};
    GetModuleFileNameA(module, path, MAX_PATH);
    return path;
}

std::string FileVersion(const std::string& path) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
    std::vector<char> block(size ? size : 1);
    VS_FIXEDFILEINFO* info = nullptr;
    UINT infoSize = 0;
    if (!size || !GetFileVersionInfoA(path.c_str(), 0, size, block.data()) ||
        !VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&info), &infoSize) || !info ||
        infoSize < sizeof *info)
        return "no version record";
    return Format("version %u.%u.%u.%u", HIWORD(info->dwFileVersionMS), LOWORD(info->dwFileVersionMS),
                  HIWORD(info->dwFileVersionLS), LOWORD(info->dwFileVersionLS));
}

const char* RoleName(int32_t role) {
    switch (role) {
        case 0:
            return "stand-alone";
        case 1:
            return "domain workstation";
        case 3:
            return "member server";
        case 4:
        case 5:
            return "domain controller";
        default:
            return "unknown: the role query failed";
    }
}

// A companion as the module loads it (from the module's folder, by full
// path, the first file name that loads) and the entries it must have.
template <size_t N>
void CheckCompanion(Context& c, const char* const (&files)[2], const char* const (&entries)[N], const char* why) {
    const std::string name = files[0];
    velmo::UniqueModule library(velmo::LoadCompanionLibrary(files[0]));
    if (!library) library.reset(velmo::LoadCompanionLibrary(files[1]));
    if (!library) {
        c.Add(Fail(
            name,
            Format("neither %s nor %s loads from the module's folder (error %lu)", files[0], files[1], GetLastError()),
            Format("install the product's %s beside velmo_otp.dll; without it %s", files[0], why)));
        return;
    }
    std::string missing;
    for (const char* entry : entries)
        if (!GetProcAddress(library.get(), entry)) missing += (missing.empty() ? "" : ", ") + std::string(entry);
    const std::string path = FilePath(library.get());
    if (!missing.empty())
        c.Add(Fail(name, Format("%s lacks %s", path.c_str(), missing.c_str()),
                   Format("install the product's own %s, of the module's version", files[0])));
    else
        c.Add(Ok(name, Format("%s, %s, all %zu entries", path.c_str(), FileVersion(path).c_str(), N)));
}

}  // namespace

void CheckModule(Context& c, const ModuleHost& module) {
    c.domainMode = velmo::ReadRegDword(velmo::RegRoot::LocalMachine, velmo::kVelmoKey, "VelmoADmode", 0) == 1;
    c.role = velmo::ComputeMachineRole();
    c.workstation = c.role < 3;
    if (!module.Ready()) {
        c.Add(Fail("module",
                   Format("velmo_otp.dll cannot be loaded beside otpadmin.exe (error %lu)", module.LoadError()),
                   "run otpadmin from the product folder, where velmo_otp.dll is"));
        return;
    }
    // The companions are looked for where this DLL is, as the module does.
    velmo::Module().moduleInstance = module.Handle();
    const std::string path = FilePath(module.Handle());
    const bool answered = module.InfoBlock() != nullptr;
    c.Add(Finding{"module", answered ? Verdict::Ok : Verdict::Fail,
                  Format("%s, %s; InitLibrary answered %s; role %d (%s%s), domain mode %s", path.c_str(),
                         FileVersion(path).c_str(), module.InfoBlock() ? "its block" : "null", c.role, RoleName(c.role),
                         c.role < 3 ? ", counts as a workstation" : "", c.domainMode ? "on" : "off"),
                  answered ? "" : "install a velmo_otp.dll of the product: this one breaks the host's calls"});
    if (!c.domainMode) return;
    CheckCompanion(c, velmo::kAccessLibraryFiles, velmo::kAccessLibraryEntries,
                   "no record reaches the directory and domain logons fail");
    if (c.workstation)
        CheckCompanion(c, velmo::kUiLibraryFiles, velmo::kUiLibraryEntries,
                       "the OTP service's answers cannot be checked and every domain logon is refused");
}

}  // namespace otpadmin::doctor
