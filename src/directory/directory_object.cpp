#include "directory/directory_object.h"

#include <windows.h>
#include <ole2.h>
#include <dsgetdc.h>
#include <iads.h>
#include <adshlp.h>
#include <lm.h>
#include <ntdsapi.h>

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <memory>

#include "common/code_page.h"
#include "common/trace.h"
#include "directory/directory_state.h"
#include "directory/record_names.h"
#include "settings/registry.h"

namespace velmo {

namespace {

constexpr char kVolatileKey[] = "SOFTWARE\\Velmo\\Volatile";
constexpr uint32_t kLocatedReadSize = 110;
constexpr DWORD kOnlyLdapNeeded = 0x8000;  // DS_ONLY_LDAP_NEEDED
constexpr uint32_t kNoMemory = 8;

bool Unreachable(uint32_t status) { return status == kStatusNoSuchDomain || status == kStatusServerDown; }

void RememberController(const char* name) {
    WriteRegString(RegRoot::LocalMachine, kVolatileKey, "ldapip", name);
}

struct DcInfoFree {
    void operator()(DOMAIN_CONTROLLER_INFOA* p) const { NetApiBufferFree(p); }
};
struct AdsMemFree {
    void operator()(char* p) const { FreeADsMem(p); }
};
struct NetBufferFree {
    void operator()(void* p) const { NetApiBufferFree(p); }
};

}  // namespace

void DirectoryObjectHandle::reset(uint32_t handle) {
    if (handle_ != 0) {
        const uint32_t status = CallEntry(Directory().entries.LDAP_CloseObject, handle_);
        if (status != 0) {
            std::fputs("Can't LDAP_CloseObject", stdout);
            ReportDirectoryStatus(status);
        }
    }
    handle_ = handle;
}

uint32_t OpenAsConfigured(DirectoryObjectHandle& owner, const std::u16string& path, std::u16string* usedPath) {
    checkCustomLdapIPsettings();
    DirectoryState& d = Directory();
    std::u16string used = path;
    const wchar_t* account = nullptr;
    const void* credential = nullptr;
    if (std::wcslen(d.customUser) >= 2 || HasDirectoryServer()) {
        if (HasDirectoryServer()) used = ServerQualifiedPath(DirectoryServer(), path);
        if (std::wcslen(d.customUser) > 1) {
            account = d.customUser;
            credential = &d.customCredential;
        }
    }
    uint32_t handle = 0;
    const uint32_t status = CallEntry(d.entries.LDAP_OpenObject, &handle, Wide(used), account, credential);
    TraceLogW(L" LDAP_OpenObject to %s", Wide(used));
    if (status == 0) owner.reset(handle);
    if (usedPath) *usedPath = std::move(used);
    return status;
}

bool OpenDirectoryObject(DirectoryObjectHandle& owner, const std::u16string& path) {
    DirectoryState& d = Directory();
    bool retried = false;
    while (true) {
        std::u16string used;
        const uint32_t status = OpenAsConfigured(owner, path, &used);
        if (status == 0) {
            d.directoryOffline = 0;
            return true;
        }
        if (d.directoryOffline != 1) {
            TraceLogW(L"Can't LDAP_OpenObject %X %s", status, Wide(used));
            ReportDirectoryStatus(status);
        }
        if (Unreachable(status)) {
            TraceLog("LDAP_OpenObject err %X. Set Offline mode.", status);
            d.directoryOffline = 1;
        }
        if (status != kStatusReferral || HasDirectoryServer()) return false;
        PrintDCFromAppPartition(kPartitionName);
        if (retried || !HasDirectoryServer()) return false;
        TraceLog("OpenObject again...");
        retried = true;
        WriteRegDword(RegRoot::LocalMachine, kVolatileKey, "AdapReturnedReference", 1);
    }
}

uint32_t PrintDCFromAppPartition(const char* partitionName) {
    if (HasDirectoryServer()) return 0;
    const std::string located = ReadRegText(RegRoot::LocalMachine, kVolatileKey, "ldapip", kLocatedReadSize);
    if (located.size() >= 2) {
        SetDirectoryServer(FromAnsi(located), kLocatedServerMax);
        return 1;
    }
    LPSTR names[1] = {const_cast<LPSTR>(partitionName)};
    PDS_NAME_RESULTA cracked = nullptr;
    const DWORD crackError = DsCrackNamesA(nullptr, DS_NAME_FLAG_SYNTACTICAL_ONLY, DS_FQDN_1779_NAME,
                                           DS_CANONICAL_NAME, 1, names, &cracked);
    if (crackError != ERROR_SUCCESS || !cracked) {
        TraceLog("DsCrackNames err %X", static_cast<unsigned>(crackError));
        if (cracked) DsFreeNameResultA(cracked);
        return crackError != ERROR_SUCCESS ? crackError : ERROR_INVALID_DATA;
    }
    const char* domainPart =
        cracked->cItems > 0 && cracked->rItems[0].pDomain ? cracked->rItems[0].pDomain : "";
    const size_t domainSize = std::strlen(domainPart) + 1;
    std::unique_ptr<char, AdsMemFree> domain(static_cast<char*>(AllocADsMem(static_cast<DWORD>(domainSize))));
    if (domain) std::memcpy(domain.get(), domainPart, domainSize);
    DsFreeNameResultA(cracked);
    if (!domain) return kNoMemory;

    DOMAIN_CONTROLLER_INFOA* raw = nullptr;
    const DWORD locateError = DsGetDcNameA(nullptr, domain.get(), nullptr, nullptr, kOnlyLdapNeeded, &raw);
    std::unique_ptr<DOMAIN_CONTROLLER_INFOA, DcInfoFree> info(raw);
    if (locateError == ERROR_SUCCESS && info && info->DomainControllerName) {
        TraceLog("PrintDCFromAppPartition %s located at %s", partitionName, info->DomainControllerName);
        SetDirectoryServer(FromAnsi(info->DomainControllerName), kLocatedServerMax);
        RememberController(info->DomainControllerName);
        return 0;
    }
    TraceLog("PrintDCFromAppPartition DsGetDcName err %X %s", static_cast<unsigned>(locateError), domain.get());
    LPBYTE pdc = nullptr;
    if (NetGetDCName(nullptr, nullptr, &pdc) == NERR_Success && pdc) {
        std::unique_ptr<void, NetBufferFree> owner(pdc);
        SetDirectoryServer(Utf16(reinterpret_cast<const wchar_t*>(pdc)), kLocatedServerMax);
        const std::string name = ToAnsi(DirectoryServer());
        TraceLogW(L"PrintDCFromAppPartition NetGetDCName %X %s", static_cast<unsigned>(locateError),
                  Directory().directoryServer);
        RememberController(name.c_str());
    }
    return locateError;
}

}  // namespace velmo
