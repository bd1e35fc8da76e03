// otpadmin directory: what the module sees of the directory store (the access
// library, the server, the custom account, offline and direct mode) and the
// OTP records in the directory with their users.
#include <cstdio>
#include <cwchar>
#include <string>

#include "commands.h"
#include "common/code_page.h"
#include "directory/directory_object.h"
#include "directory/directory_state.h"
#include "directory/record_names.h"

namespace otpadmin {

namespace {

void PrintRecords() {
    using namespace velmo;
    DirectoryObjectHandle container;
    if (!OpenDirectoryObject(container, ContainerPath(kSecretKeys))) {
        std::puts("records: the container CN=SecretKeys cannot be opened");
        return;
    }
    const AccessLibrary& e = Directory().entries;
    wchar_t* list = nullptr;
    uint64_t length = 0;
    const uint32_t status = CallEntry(e.LDAP_SearchChildren, container.get(), L"(objectClass=kvSecretKey)", &list, &length);
    const auto paths = MultiSzStr_to_List(reinterpret_cast<const char16_t*>(list), length);
    if (list) CallEntry(e.LDAP_FreeBuffer, list);
    if (status != 0 || !paths) {
        std::printf("records: search failed (0x%08X)\n", static_cast<unsigned>(status));
        return;
    }
    std::printf("records in CN=SecretKeys: %zu\n", paths->size());
    for (const auto& path : *paths) {
        DirectoryObjectHandle record;
        LibraryText user;
        if (OpenDirectoryObject(record, path)) CallEntry(e.LDAP_GetAttr, record.get(), L"kvUserName", user.put());
        std::printf("  %s  user %s\n", ToAnsi(path).c_str(), user.get() ? ToAnsi(Utf16(user.get())).c_str() : "?");
    }
}

}  // namespace

int CommandDirectory(const Args&) {
    using namespace velmo;
    const bool bound = BindAccessLibrary();
    checkCustomLdapIPsettings();
    const DirectoryState& d = Directory();
    std::printf("access library: %s\n", bound ? "bound" : "not available");
    std::printf("server: %s\n", HasDirectoryServer() ? ToAnsi(DirectoryServer()).c_str() : "(the library's default)");
    const bool custom = std::wcslen(d.customUser) > 1;
    std::printf("custom account: %s\n", custom ? ToAnsi(Utf16(d.customUser)).c_str() : "(none)");
    if (bound) PrintRecords();
    std::printf("offline: %d\ndirect LDAP: %d\n", IsDirectoryOffline(), static_cast<int>(d.useLdap));
    return bound ? 0 : 1;
}

}  // namespace otpadmin
