// Domain mode: the directory as the module reaches it (the access library,
// the server and the identity it will use), the partition, its containers,
// the product's schema classes, the OTP service's key at a workstation, and
// requests the service left unanswered. Reads only.
#include <windows.h>

#include <vector>

#include "common/clock.h"
#include "common/code_page.h"
#include "common/text.h"
#include "directory/directory_object.h"
#include "directory/directory_state.h"
#include "directory/record_names.h"
#include "doctor_checks.h"
#include "doctor_directory_rules.h"
#include "settings/registry.h"

namespace otpadmin::doctor {

namespace {

using velmo::Format;

constexpr char kLibraryKey[] = "SOFTWARE\\Velmo\\Adap";
constexpr uint32_t kSettingRead = 300;
constexpr uint32_t kNoSuchObject = 0x80072030;
constexpr size_t kMaxRequestsRead = 200;
const char* const kClasses[] = {"kvSecretKey", "kvSelfEnroll"};

using FindSchemaClassFn = uint32_t(__stdcall*)(uint32_t handle, const wchar_t* className);

std::string Text(const wchar_t* wide) { return wide ? velmo::ToAnsi(velmo::Utf16(wide)) : std::string(); }

std::string Describe(uint32_t status) {
    velmo::LibraryText text;
    velmo::CallEntry(velmo::Directory().entries.LDAP_GetStatusDescription, status, text.put());
    return Format("0x%08X %s", static_cast<unsigned>(status), Text(text.get()).c_str());
}

std::string LibrarySetting(const char* name) {
    return velmo::ReadRegText(velmo::RegRoot::LocalMachine, kLibraryKey, name, kSettingRead);
}

// Where and as whom the module's opens go.
std::string Where() {
    const velmo::DirectoryState& d = velmo::Directory();
    std::string server =
        velmo::HasDirectoryServer() ? velmo::ToAnsi(velmo::DirectoryServer()) : LibrarySetting("Server");
    if (server.empty()) server = "the domain's controller";
    std::string who =
        std::wcslen(d.customUser) > 1 ? Text(d.customUser) + " (\"ADAP_Userxxx\")" : LibrarySetting("ServiceAccount");
    if (who.empty())
        who = "the process's Windows account (at logon, the computer's)";
    else if (std::wcslen(d.customUser) <= 1)
        who += " (the library's \"ServiceAccount\")";
    return server + " as " + who;
}

std::string Attribute(const velmo::DirectoryObjectHandle& object, const wchar_t* name) {
    velmo::LibraryText value;
    velmo::CallEntry(velmo::Directory().entries.LDAP_GetAttr, object.get(), name, value.put());
    return Text(value.get());
}

void CheckContainers(Context& c) {
    std::string missing;
    bool needed = false;
    for (const char16_t* container : {velmo::kSecretKeys, velmo::kSelfEnrolls, velmo::kGlobalSettings}) {
        velmo::DirectoryObjectHandle h;
        if (velmo::OpenAsConfigured(h, velmo::ContainerPath(container)) == 0) continue;
        missing += (missing.empty() ? "" : ", ") + velmo::ToAnsi(container);
        needed = needed || container != velmo::kGlobalSettings;
    }
    if (missing.empty())
        c.Add(Ok("containers", "CN=SecretKeys, CN=SelfEnrolls and CN=GlobalSettings are there"));
    else
        c.Add(Finding{"containers", needed ? Verdict::Fail : Verdict::Warn, missing + " cannot be opened",
                      "create the containers below DC=Velmo,DC=com and give the account read access"});
}

void CheckSchema(Context& c, const velmo::DirectoryObjectHandle& partition) {
    const auto find = reinterpret_cast<FindSchemaClassFn>(
        reinterpret_cast<void*>(GetProcAddress(velmo::Directory().accessLibrary, "LDAP_FindSchemaClass")));
    if (!find) {
        c.Add(Warn("schema", "this velmo_adap.dll cannot look into the schema", "install the product's own library"));
        return;
    }
    std::string missing, unknown;
    for (const char* name : kClasses) {
        const uint32_t status = find(partition.get(), velmo::Wide(velmo::FromAnsi(name)));
        if (status == kNoSuchObject)
            missing += (missing.empty() ? "" : ", ") + std::string(name);
        else if (status != 0)
            unknown = Format("%s: %s", name, Describe(status).c_str());
    }
    if (!missing.empty())
        c.Add(Fail("schema", "the directory's schema has no " + missing,
                   "extend the schema with the product's classes (the schema kit) before domain mode is used"));
    else if (!unknown.empty())
        c.Add(Warn("schema", "the schema cannot be read: " + unknown, "let the account read the schema"));
    else
        c.Add(Ok("schema", "the classes kvSecretKey and kvSelfEnroll are defined"));
}

void CheckRequests(Context& c) {
    velmo::DirectoryObjectHandle container;
    if (velmo::OpenAsConfigured(container, velmo::ContainerPath(velmo::kSelfEnrolls)) != 0) return;
    const velmo::AccessLibrary& e = velmo::Directory().entries;
    wchar_t* list = nullptr;
    uint64_t length = 0;
    const uint32_t status =
        velmo::CallEntry(e.LDAP_SearchChildren, container.get(), L"(objectClass=kvSelfEnroll)", &list, &length);
    const auto paths = velmo::MultiSzStr_to_List(reinterpret_cast<const char16_t*>(list), length);
    if (list) velmo::CallEntry(e.LDAP_FreeBuffer, list);
    if (status != 0 || !paths) {
        c.Add(Warn("requests", "CN=SelfEnrolls cannot be searched: " + Describe(status), "let the account read it"));
        return;
    }
    const int64_t now = velmo::UnixNow();
    std::vector<EnrolRequest> requests;
    for (size_t i = 0; i < paths->size() && i < kMaxRequestsRead; ++i) {
        velmo::DirectoryObjectHandle request;
        if (velmo::OpenAsConfigured(request, (*paths)[i]) != 0) continue;
        requests.push_back({PostedTime(velmo::FromAnsi(Attribute(request, L"kvTime")), now),
                            Attribute(request, L"kvReplyToken").size()});
    }
    c.Add(RequestsFinding(requests, now));
}

}  // namespace

void CheckDirectory(Context& c) {
    if (!c.domainMode) return;
    if (!velmo::BindAccessLibrary()) {
        c.Add(Fail("directory", "the access library is not bound, so the directory is out of reach",
                   "install velmo_adap.dll beside the module"));
        return;
    }
    velmo::checkCustomLdapIPsettings();
    velmo::DirectoryObjectHandle partition;
    const uint32_t status = velmo::OpenAsConfigured(partition, u"LDAP://" + std::u16string(velmo::kPartition));
    if (status != 0) {
        c.Add(Fail("directory", Where() + ": DC=Velmo,DC=com cannot be opened: " + Describe(status),
                   "start the directory or correct its server (HKLM\\SOFTWARE\\Velmo\\Adap \"Server\", "
                   "\"ADAP_ip\") and account; until then logons use cached secrets or are refused"));
        return;
    }
    c.Add(Ok("directory", Where() + ": DC=Velmo,DC=com is open"));
    CheckContainers(c);
    CheckSchema(c, partition);
    if (c.workstation) {
        c.Add(
            ServerKeyFinding(velmo::ReadRegString(velmo::RegRoot::LocalMachine, velmo::kVelmoKey, "serverPublicKey")));
    }
    CheckRequests(c);
}

}  // namespace otpadmin::doctor
