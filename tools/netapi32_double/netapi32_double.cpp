// A stand-in for netapi32.dll in the test world: it answers the questions the
// module asks about this computer's place in a domain with the role and the
// domain of its own settings, so that a Wine prefix can play a domain member
// server. Wine loads it instead of its own netapi32 only where
// WINEDLLOVERRIDES names it native and it lies beside the host program.
//
// Settings, under HKEY_LOCAL_MACHINE\SOFTWARE\NetapiDouble:
//   "MachineRole"       number  the role answered (default 3, a member server)
//   "DomainName"        text    the flat domain name (default "CORP")
//   "DomainController"  text    the controller the locators name; without it
//                               they answer that none can be found
//   "DnsDomainName"     text    the domain's DNS name the locator gives with
//                               it (default "velmo.com")
// Besides the module's own imports it exports what Wine's directory clients
// ask of netapi32: ADSI's locator for paths that name no server
// (DsGetDcNameW) and the NTLM package's question for the logged-on user
// (NetWkstaUserGetInfo). A missing export would end the process.
// These functions are defined here, not imported.
#define _DSGETDCAPI_
#include <windows.h>
#include <dsgetdc.h>
#include <lmwksta.h>
#include <dsrole.h>
#include <lm.h>

#include <cstring>
#include <cwchar>
#include <new>

namespace {

constexpr wchar_t kSettingsKey[] = L"SOFTWARE\\NetapiDouble";
constexpr DWORD kDefaultRole = DsRole_RoleMemberServer;
constexpr size_t kNameRoom = 128;

DWORD SettingNumber(const wchar_t* name, DWORD fallback) {
    DWORD value = fallback, size = sizeof value;
    return RegGetValueW(HKEY_LOCAL_MACHINE, kSettingsKey, name, RRF_RT_REG_DWORD, nullptr, &value, &size) ==
                   ERROR_SUCCESS
               ? value
               : fallback;
}

bool SettingText(const wchar_t* name, wchar_t (&text)[kNameRoom]) {
    DWORD size = sizeof text;
    text[0] = L'\0';
    return RegGetValueW(HKEY_LOCAL_MACHINE, kSettingsKey, name, RRF_RT_REG_SZ, nullptr, text, &size) ==
               ERROR_SUCCESS &&
           text[0] != L'\0';
}

// The setting `name`, or `fallback` when it is missing or empty.
void SettingTextOr(const wchar_t* name, const wchar_t* fallback, wchar_t (&text)[kNameRoom]) {
    if (SettingText(name, text)) return;
    std::wcsncpy(text, fallback, kNameRoom - 1);
    text[kNameRoom - 1] = L'\0';
}

// One block for a structure and the texts it points to, freed with one call.
void* Allocate(size_t size) {
    void* block = ::operator new(size, std::nothrow);
    if (block) std::memset(block, 0, size);
    return block;
}

}  // namespace

extern "C" {

DWORD WINAPI DsRoleGetPrimaryDomainInformation(LPCWSTR server, DSROLE_PRIMARY_DOMAIN_INFO_LEVEL level, PBYTE* buffer) {
    if (server || level != DsRolePrimaryDomainInfoBasic || !buffer) return ERROR_INVALID_PARAMETER;
    wchar_t domain[kNameRoom];
    SettingTextOr(L"DomainName", L"CORP", domain);
    const size_t textBytes = (std::wcslen(domain) + 1) * sizeof(wchar_t);
    auto* info = static_cast<DSROLE_PRIMARY_DOMAIN_INFO_BASIC*>(Allocate(sizeof(DSROLE_PRIMARY_DOMAIN_INFO_BASIC) + textBytes));
    if (!info) return ERROR_NOT_ENOUGH_MEMORY;
    info->MachineRole = static_cast<DSROLE_MACHINE_ROLE>(SettingNumber(L"MachineRole", kDefaultRole));
    info->DomainNameFlat = reinterpret_cast<LPWSTR>(info + 1);
    std::memcpy(info->DomainNameFlat, domain, textBytes);
    *buffer = reinterpret_cast<PBYTE>(info);
    return ERROR_SUCCESS;
}

VOID WINAPI DsRoleFreeMemory(PVOID buffer) { ::operator delete(buffer, std::nothrow); }

NET_API_STATUS WINAPI NetApiBufferFree(LPVOID buffer) {
    ::operator delete(buffer, std::nothrow);
    return NERR_Success;
}

// No local accounts are known to the stand-in.
NET_API_STATUS WINAPI NetUserGetInfo(LPCWSTR, LPCWSTR, DWORD, LPBYTE* buffer) {
    if (buffer) *buffer = nullptr;
    return NERR_UserNotFound;
}

DWORD WINAPI DsGetDcNameA(LPCSTR, LPCSTR, GUID*, LPCSTR, ULONG, PDOMAIN_CONTROLLER_INFOA* info) {
    if (!info) return ERROR_INVALID_PARAMETER;
    *info = nullptr;
    wchar_t controller[kNameRoom];
    if (!SettingText(L"DomainController", controller)) return ERROR_NO_SUCH_DOMAIN;
    char name[kNameRoom + 2] = "\\\\";
    WideCharToMultiByte(CP_ACP, 0, controller, -1, name + 2, kNameRoom, nullptr, nullptr);
    const size_t textBytes = std::strlen(name) + 1;
    auto* block = static_cast<DOMAIN_CONTROLLER_INFOA*>(Allocate(sizeof(DOMAIN_CONTROLLER_INFOA) + textBytes));
    if (!block) return ERROR_NOT_ENOUGH_MEMORY;
    block->DomainControllerName = reinterpret_cast<LPSTR>(block + 1);
    std::memcpy(block->DomainControllerName, name, textBytes);
    *info = block;
    return ERROR_SUCCESS;
}

DWORD WINAPI DsGetDcNameW(LPCWSTR, LPCWSTR, GUID*, LPCWSTR, ULONG, PDOMAIN_CONTROLLER_INFOW* info) {
    if (!info) return ERROR_INVALID_PARAMETER;
    *info = nullptr;
    wchar_t controller[kNameRoom], dnsDomain[kNameRoom];
    if (!SettingText(L"DomainController", controller)) return ERROR_NO_SUCH_DOMAIN;
    SettingTextOr(L"DnsDomainName", L"velmo.com", dnsDomain);
    // Texts after the structure: "\\" + controller (name and address), the domain twice.
    const size_t nameChars = std::wcslen(controller) + 3, domainChars = std::wcslen(dnsDomain) + 1;
    auto* block = static_cast<DOMAIN_CONTROLLER_INFOW*>(
        Allocate(sizeof(DOMAIN_CONTROLLER_INFOW) + (2 * nameChars + 2 * domainChars) * sizeof(wchar_t)));
    if (!block) return ERROR_NOT_ENOUGH_MEMORY;
    wchar_t* text = reinterpret_cast<wchar_t*>(block + 1);
    auto place = [&text](const wchar_t* prefix, const wchar_t* value, size_t chars) {
        wchar_t* start = text;
        std::wcscpy(start, prefix);
        std::wcscat(start, value);
        text += chars;
        return start;
    };
    block->DomainControllerName = place(L"\\\\", controller, nameChars);
    block->DomainControllerAddress = place(L"\\\\", controller, nameChars);
    block->DomainControllerAddressType = DS_INET_ADDRESS;
    block->DomainName = place(L"", dnsDomain, domainChars);
    block->DnsForestName = place(L"", dnsDomain, domainChars);
    block->Flags = DS_DS_FLAG | DS_LDAP_FLAG | DS_WRITABLE_FLAG | DS_DNS_CONTROLLER_FLAG | DS_DNS_DOMAIN_FLAG;
    *info = block;
    return ERROR_SUCCESS;
}

// The logged-on user, as a member of the stand-in's domain.
NET_API_STATUS WINAPI NetWkstaUserGetInfo(LPWSTR, DWORD level, LPBYTE* buffer) {
    if (!buffer) return ERROR_INVALID_PARAMETER;
    *buffer = nullptr;
    if (level != 0 && level != 1) return ERROR_INVALID_LEVEL;
    wchar_t user[kNameRoom], domain[kNameRoom];
    DWORD userChars = kNameRoom;
    if (!GetUserNameW(user, &userChars)) return GetLastError();
    SettingTextOr(L"DomainName", L"CORP", domain);
    const size_t userBytes = (std::wcslen(user) + 1) * sizeof(wchar_t), domainBytes = (std::wcslen(domain) + 1) * sizeof(wchar_t);
    auto* info = static_cast<WKSTA_USER_INFO_1*>(Allocate(sizeof(WKSTA_USER_INFO_1) + userBytes + 2 * domainBytes));
    if (!info) return ERROR_NOT_ENOUGH_MEMORY;
    auto* text = reinterpret_cast<BYTE*>(info + 1);
    info->wkui1_username = reinterpret_cast<LPWSTR>(text);
    std::memcpy(text, user, userBytes);
    info->wkui1_logon_domain = reinterpret_cast<LPWSTR>(text + userBytes);
    std::memcpy(text + userBytes, domain, domainBytes);
    info->wkui1_logon_server = reinterpret_cast<LPWSTR>(text + userBytes + domainBytes);
    std::memcpy(text + userBytes + domainBytes, domain, domainBytes);
    info->wkui1_oth_domains = info->wkui1_logon_server + std::wcslen(domain);  // empty
    *buffer = reinterpret_cast<LPBYTE>(info);
    return NERR_Success;
}

NET_API_STATUS WINAPI NetGetDCName(LPCWSTR, LPCWSTR, LPBYTE* buffer) {
    if (!buffer) return ERROR_INVALID_PARAMETER;
    *buffer = nullptr;
    wchar_t controller[kNameRoom];
    if (!SettingText(L"DomainController", controller)) return NERR_DCNotFound;
    const size_t bytes = (std::wcslen(controller) + 3) * sizeof(wchar_t);
    auto* name = static_cast<wchar_t*>(Allocate(bytes));
    if (!name) return ERROR_NOT_ENOUGH_MEMORY;
    std::wcscpy(name, L"\\\\");
    std::wcscat(name, controller);
    *buffer = reinterpret_cast<LPBYTE>(name);
    return NERR_Success;
}

}  // extern "C"
