// The process-wide state of the directory store: the access library and its
// entries, the direct LDAP session, the offline flag, direct mode, and the
// custom directory server and account from the host settings.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "directory/access_library.h"

struct ldap;

namespace velmo {

constexpr size_t kServerRoom = 102;    // at most 99 characters are written
constexpr size_t kAccountRoom = 104;   // at most 99 characters are written
constexpr size_t kSettingCharsMax = 99;
// The custom directory server and account under "SOFTWARE\Velmo"; the name
// and the password are protected values (the registry layer encrypts them).
constexpr char kCustomServerValue[] = "ADAP_ip";
constexpr char kCustomUserValue[] = "ADAP_Userxxx";
constexpr char kCustomPasswordValue[] = "ADAP_Pwdxxx";
constexpr char kCustomFlagValue[] = "ADAP_Flag";
constexpr size_t kLocatedServerMax = 90;  // a located controller's name

struct DirectoryState {
    HMODULE accessLibrary = nullptr;
    bool accessLibraryFailed = false;  // for good: no further load in this process
    AccessLibrary entries = {};
    ldap* ldapConnection = nullptr;  // once bound, kept for the life of the process
    uint32_t directoryOffline = 0;
    uint32_t useLdap = 0;  // _velmoAD_useLdap: record operations go through direct LDAP
    wchar_t directoryServer[kServerRoom] = {};
    wchar_t customUser[kAccountRoom] = {};  // empty: not examined; " ": no custom account
    DirectoryCredential customCredential = {};
};

DirectoryState& Directory();

// Forgets what a process learns (settings, located server, direct mode,
// offline flag, the direct session) as a new process would; a bound access
// library stays bound. For tests.
void ResetDirectoryStateForTesting();

// A directory server name as text, and whether it counts (more than 1 character).
std::u16string DirectoryServer();
bool HasDirectoryServer();
void SetDirectoryServer(std::u16string_view server, size_t maxChars);

// Loads velmo_adap.dll (else velmo_adap64.dll) and resolves its entries, once
// per process; true while it is bound.
bool BindAccessLibrary();

// Reads the custom server, direct mode and the custom account once per process.
void checkCustomLdapIPsettings();

int IsDirectoryOffline();

// Traces the library's description of a failure status.
void ReportDirectoryStatus(uint32_t status);

// LDAP_FlushObject; true when the pending changes were written.
bool FlushDirectoryObject(uint32_t handle);

// Calls an entry of the bound library; a missing entry answers
// kStatusEntryMissing instead of being called.
template <typename Entry, typename... Args>
uint32_t CallEntry(Entry entry, Args&&... args) {
    return entry ? entry(std::forward<Args>(args)...) : kStatusEntryMissing;
}

// A text the library handed out, released through LDAP_FreeBuffer.
class LibraryText {
public:
    LibraryText() = default;
    ~LibraryText();
    LibraryText(const LibraryText&) = delete;
    LibraryText& operator=(const LibraryText&) = delete;
    wchar_t** put() { return &text_; }
    const wchar_t* get() const { return text_; }

private:
    wchar_t* text_ = nullptr;
};

}  // namespace velmo
