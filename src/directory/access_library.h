// The entries of the directory access library (velmo_adap.dll), a companion
// component loaded at run time. Handles are unsigned 32-bit numbers (0 is
// none); every entry answers a status in the Windows result-code form, 0 for
// success; texts are UTF-16.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <cstdint>

namespace velmo {

// Statuses the module acts on.
constexpr uint32_t kStatusNoSuchDomain = 0x8007054B;
constexpr uint32_t kStatusServerDown = 0x8007203A;
constexpr uint32_t kStatusReferral = 0x8007202B;
constexpr uint32_t kStatusCannotConvert = 0x8000500C;
constexpr uint32_t kStatusCannotConvertToo = 0x8007070C;
constexpr uint32_t kStatusEntryMissing = 0x80004001;  // E_NOTIMPL: the library lacks a used entry

// A 16-bit flag word immediately followed by the password.
constexpr size_t kCredentialPasswordRoom = 103;
#pragma pack(push, 2)
struct DirectoryCredential {
    uint16_t flags;
    wchar_t password[kCredentialPasswordRoom];
};
#pragma pack(pop)

// The entries' names, in the order of the members below.
inline constexpr const char* kAccessLibraryEntries[] = {
    "LDAP_IsApplicationPartitionExist", "LDAP_SearchChildren", "LDAP_GetChildren", "LDAP_DeleteObject",
    "LDAP_CreateObject", "LDAP_SetVariantAttr", "LDAP_SetSecurityDescriptor", "LDAP_GetSecurityDescriptor",
    "LDAP_SetAttr", "LDAP_GetAttr", "LDAP_CloseObject", "LDAP_FlushObject", "LDAP_OpenObject",
    "LDAP_SetLogLevel", "LDAP_SetLogFile", "LDAP_FreeBuffer", "LDAP_GetStatusDescription"};

struct AccessLibrary {
    using Simple = uint32_t(__stdcall*)();
    Simple LDAP_IsApplicationPartitionExist;
    uint32_t(__stdcall* LDAP_SearchChildren)(uint32_t handle, const wchar_t* filter, wchar_t** list, uint64_t* length);
    Simple LDAP_GetChildren;
    uint32_t(__stdcall* LDAP_DeleteObject)(const wchar_t* path, const wchar_t* account, const void* credential);
    uint32_t(__stdcall* LDAP_CreateObject)(uint32_t* handle, const wchar_t* path, const wchar_t* objectClass,
                                           const wchar_t* account, const void* credential);
    Simple LDAP_SetVariantAttr;
    uint32_t(__stdcall* LDAP_SetSecurityDescriptor)(uint32_t handle, IDispatch* descriptor);
    uint32_t(__stdcall* LDAP_GetSecurityDescriptor)(uint32_t handle, IDispatch** descriptor);
    uint32_t(__stdcall* LDAP_SetAttr)(uint32_t handle, const wchar_t* name, const wchar_t* value);
    uint32_t(__stdcall* LDAP_GetAttr)(uint32_t handle, const wchar_t* name, wchar_t** value);
    uint32_t(__stdcall* LDAP_CloseObject)(uint32_t handle);
    uint32_t(__stdcall* LDAP_FlushObject)(uint32_t handle);
    uint32_t(__stdcall* LDAP_OpenObject)(uint32_t* handle, const wchar_t* path, const wchar_t* account,
                                         const void* credential);
    Simple LDAP_SetLogLevel;
    Simple LDAP_SetLogFile;
    uint32_t(__stdcall* LDAP_FreeBuffer)(void* buffer);
    uint32_t(__stdcall* LDAP_GetStatusDescription)(uint32_t status, wchar_t** text);
};
static_assert(sizeof(AccessLibrary) == sizeof kAccessLibraryEntries / sizeof *kAccessLibraryEntries * sizeof(void*),
              "one name for each entry");

}  // namespace velmo
