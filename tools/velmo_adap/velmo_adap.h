// velmo_adap.dll: the directory access library that the OTP module loads in
// domain mode. Every entry returns a status (adap_status.h), 0 for success;
// texts are UTF-16; objects are named by "LDAP://[server[:port]/]DN" paths
// (ads_path.h) and held through handles, unsigned 32-bit numbers (0 is none).
//
// An open or create binds to the directory (connections are kept per server
// and identity for the life of the process): with the account passed, by a
// simple bind with the password of its credential block (a 16-bit flag word
// followed by the NUL-terminated password) over TLS; without one, as the
// library's own identity (adap_settings.h). Flag 0x0001 asks for a Negotiate
// bind with the account and password instead, flag 0x0002 for LDAPS.
//
// Changes are kept with the handle until LDAP_FlushObject writes them: a new
// object is added with its class and the values set, an existing one gets
// each set attribute replaced; an empty value removes the attribute.
// Buffers handed out (texts, lists) are released with LDAP_FreeBuffer.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <cstdint>

extern "C" {

uint32_t __stdcall LDAP_IsApplicationPartitionExist(const wchar_t* path, const wchar_t* account,
                                                    const uint16_t* credential);
uint32_t __stdcall LDAP_SearchChildren(uint32_t handle, const wchar_t* filter, wchar_t** list, uint64_t* length);
uint32_t __stdcall LDAP_GetChildren(uint32_t handle, wchar_t** list, uint64_t* length);
uint32_t __stdcall LDAP_DeleteObject(const wchar_t* path, const wchar_t* account, const uint16_t* credential);
uint32_t __stdcall LDAP_CreateObject(uint32_t* handle, const wchar_t* path, const wchar_t* objectClass,
                                     const wchar_t* account, const uint16_t* credential);
uint32_t __stdcall LDAP_SetVariantAttr(uint32_t handle, const wchar_t* name, const VARIANT* value);
uint32_t __stdcall LDAP_SetSecurityDescriptor(uint32_t handle, IDispatch* descriptor);
uint32_t __stdcall LDAP_GetSecurityDescriptor(uint32_t handle, IDispatch** descriptor);
uint32_t __stdcall LDAP_SetAttr(uint32_t handle, const wchar_t* name, const wchar_t* value);
uint32_t __stdcall LDAP_GetAttr(uint32_t handle, const wchar_t* name, wchar_t** value);
uint32_t __stdcall LDAP_CloseObject(uint32_t handle);
uint32_t __stdcall LDAP_FlushObject(uint32_t handle);
uint32_t __stdcall LDAP_OpenObject(uint32_t* handle, const wchar_t* path, const wchar_t* account,
                                   const uint16_t* credential);
uint32_t __stdcall LDAP_SetLogLevel(uint32_t level);
uint32_t __stdcall LDAP_SetLogFile(const wchar_t* path);
uint32_t __stdcall LDAP_FreeBuffer(void* buffer);
uint32_t __stdcall LDAP_GetStatusDescription(uint32_t status, wchar_t** text);

// Beyond the module's 17 entries, for the administrator's checks: 0 when the
// schema of the server holding the object `handle` defines the object class
// `className`, the "no such object" status when it does not.
uint32_t __stdcall LDAP_FindSchemaClass(uint32_t handle, const wchar_t* className);

// For rundll32: "rundll32 velmo_adap.dll,ServiceAccount <account> <password>"
// stores the library's own account (adap_settings.h); an empty account
// removes it.
void __stdcall ServiceAccountW(HWND window, HINSTANCE instance, wchar_t* commandLine, int show);

}  // extern "C"
