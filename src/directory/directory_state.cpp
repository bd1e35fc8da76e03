#include "directory/directory_state.h"

#include <windows.h>
#include <winldap.h>

#include <algorithm>
#include <cwchar>
#include <string_view>

#include "common/code_page.h"
#include "common/secure_wipe.h"
#include "common/trace.h"
#include "directory/companion_library.h"
#include "settings/registry.h"

namespace velmo {

namespace {

constexpr char kVolatileKey[] = "SOFTWARE\\Velmo\\Volatile";
constexpr uint32_t kSettingReadSize = 110;  // room for the 99 characters taken

void CopyWide(wchar_t* dst, size_t room, std::u16string_view text, size_t maxChars) {
    const size_t n = std::min({text.size(), maxChars, room - 1});
    std::wmemcpy(dst, reinterpret_cast<const wchar_t*>(text.data()), n);
    dst[n] = L'\0';
}

std::string Setting(const char* name) {
    return ReadRegText(RegRoot::LocalMachine, kVelmoKey, name, kSettingReadSize);
}

template <typename Entry>
void Resolve(HMODULE library, const char* name, Entry& entry) {
    entry = reinterpret_cast<Entry>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

}  // namespace

DirectoryState& Directory() {
    static DirectoryState state;
    return state;
}

void ResetDirectoryStateForTesting() {
    DirectoryState& d = Directory();
    if (d.ldapConnection) ldap_unbind(d.ldapConnection);
    const HMODULE library = d.accessLibrary;
    const AccessLibrary entries = d.entries;
    d = DirectoryState{};
    d.accessLibrary = library;
    d.entries = entries;
}

std::u16string DirectoryServer() { return std::u16string(Utf16(Directory().directoryServer)); }

bool HasDirectoryServer() { return std::wcslen(Directory().directoryServer) > 1; }

void SetDirectoryServer(std::u16string_view server, size_t maxChars) {
    CopyWide(Directory().directoryServer, kServerRoom, server, maxChars);
}

bool BindAccessLibrary() {
    DirectoryState& d = Directory();
    if (d.accessLibraryFailed) return false;
    if (d.accessLibrary && d.entries.LDAP_IsApplicationPartitionExist) return true;
    HMODULE library = LoadCompanionLibrary(kAccessLibraryFiles[0]);
    if (!library) library = LoadCompanionLibrary(kAccessLibraryFiles[1]);
    if (!library) {
        TraceLog("velmo_adap**.dll could not be loaded gle:%X", static_cast<unsigned>(GetLastError()));
        d.accessLibraryFailed = true;
        return false;
    }
    AccessLibrary& e = d.entries;
    Resolve(library, "LDAP_IsApplicationPartitionExist", e.LDAP_IsApplicationPartitionExist);
    Resolve(library, "LDAP_SearchChildren", e.LDAP_SearchChildren);
    Resolve(library, "LDAP_GetChildren", e.LDAP_GetChildren);
    Resolve(library, "LDAP_DeleteObject", e.LDAP_DeleteObject);
    Resolve(library, "LDAP_CreateObject", e.LDAP_CreateObject);
    Resolve(library, "LDAP_SetVariantAttr", e.LDAP_SetVariantAttr);
    Resolve(library, "LDAP_SetSecurityDescriptor", e.LDAP_SetSecurityDescriptor);
    Resolve(library, "LDAP_GetSecurityDescriptor", e.LDAP_GetSecurityDescriptor);
    Resolve(library, "LDAP_SetAttr", e.LDAP_SetAttr);
    Resolve(library, "LDAP_GetAttr", e.LDAP_GetAttr);
    Resolve(library, "LDAP_CloseObject", e.LDAP_CloseObject);
    Resolve(library, "LDAP_FlushObject", e.LDAP_FlushObject);
    Resolve(library, "LDAP_OpenObject", e.LDAP_OpenObject);
    Resolve(library, "LDAP_SetLogLevel", e.LDAP_SetLogLevel);
    Resolve(library, "LDAP_SetLogFile", e.LDAP_SetLogFile);
    Resolve(library, "LDAP_FreeBuffer", e.LDAP_FreeBuffer);
    Resolve(library, "LDAP_GetStatusDescription", e.LDAP_GetStatusDescription);
    if (e.LDAP_IsApplicationPartitionExist && e.LDAP_SetLogLevel && e.LDAP_SetLogFile) {
        d.accessLibrary = library;
        d.directoryOffline = 0;
        return true;
    }
    TraceLog("velmo_adap**, could not load API gle:%X", static_cast<unsigned>(GetLastError()));
    e = {};
    FreeLibrary(library);
    d.accessLibraryFailed = true;
    return false;
}

void checkCustomLdapIPsettings() {
    DirectoryState& d = Directory();
    if (d.customUser[0] != L'\0') return;
    if (const std::string server = Setting(kCustomServerValue); server.size() > 1)
        SetDirectoryServer(FromAnsi(server), kSettingCharsMax);
    if (ReadRegDword(RegRoot::LocalMachine, kVolatileKey, "AdapReturnedReference", 0) == 1) {
        const std::string located = ReadRegText(RegRoot::LocalMachine, kVolatileKey, "ldapip", kSettingReadSize);
        if (located.size() > 1) {
            TraceLog("checkCustomLdapIPsettings AdapReturnedReference");
            SetDirectoryServer(FromAnsi(located), kLocatedServerMax);
        }
    }
    if (ReadRegDword(RegRoot::LocalMachine, kVolatileKey, "AdapUseLdapDirect", 0) == 1) {
        TraceLog("checkCustomLdapIPsettings _velmoAD_useLdap  =1");
        d.useLdap = 1;
    }
    std::string account = ReadRegString(RegRoot::LocalMachine, kVelmoKey, kCustomUserValue);
    if (account.empty()) {
        CopyWide(d.customUser, kAccountRoom, u" ", 1);
        return;
    }
    d.customCredential.flags =
        static_cast<uint16_t>(ReadRegDword(RegRoot::LocalMachine, kVelmoKey, kCustomFlagValue, 0) & 0xFFFF);
    CopyWide(d.customUser, kAccountRoom, FromAnsi(account), kSettingCharsMax);
    std::string password = ReadRegString(RegRoot::LocalMachine, kVelmoKey, kCustomPasswordValue);
    TraceLogW(L"Custom ldap usr: %s %d", d.customUser, static_cast<int>(password.size()));  // never the password
    std::u16string widePassword = FromAnsi(password);
    CopyWide(d.customCredential.password, kCredentialPasswordRoom, widePassword, kSettingCharsMax);
    SecureWipe(password);
    SecureWipe(widePassword.data(), widePassword.size() * sizeof(char16_t));
    // With a custom account the server is always "ADAP_ip", an empty one included.
    SetDirectoryServer(FromAnsi(Setting(kCustomServerValue)), kSettingCharsMax);
}

int IsDirectoryOffline() { return static_cast<int>(Directory().directoryOffline); }

LibraryText::~LibraryText() {
    if (text_) CallEntry(Directory().entries.LDAP_FreeBuffer, text_);
}

void ReportDirectoryStatus(uint32_t status) {
    if (!BindAccessLibrary()) return;
    LibraryText text;
    CallEntry(Directory().entries.LDAP_GetStatusDescription, status, text.put());
    TraceLogW(L" [ERROR] %s (0x%08I32X)\n", text.get() ? text.get() : L"", status);
}

bool FlushDirectoryObject(uint32_t handle) {
    const uint32_t status = CallEntry(Directory().entries.LDAP_FlushObject, handle);
    if (status == 0) return true;
    TraceLog("Can't LDAP_FlushObject");
    ReportDirectoryStatus(status);
    return false;
}

}  // namespace velmo
