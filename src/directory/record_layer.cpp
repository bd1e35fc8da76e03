#include "directory/record_layer.h"

#include <windows.h>
#include <ole2.h>
#include <iads.h>
#include <winldap.h>

#include <array>
#include <cstdio>
#include <vector>

#include "common/code_page.h"
#include "common/com_ptr.h"
#include "common/trace.h"
#include "common/trace_mask.h"
#include "directory/direct_ldap.h"
#include "directory/directory_object.h"
#include "directory/directory_state.h"
#include "directory/record_names.h"
#include "settings/registry.h"

namespace velmo {

namespace {

constexpr char kVolatileKey[] = "SOFTWARE\\Velmo\\Volatile";
constexpr size_t kMinNameLength = 2;
constexpr char16_t kEmptyValue[] = u" ";
constexpr LONG kAceAllowedObject = 5;         // ADS_ACETYPE_ACCESS_ALLOWED_OBJECT
constexpr LONG kGenericRead = 0x80000000;     // ADS_RIGHT_GENERIC_READ
constexpr LONG kInheritAce = 2;               // ADS_ACEFLAG_INHERIT_ACE
constexpr LONG kDsAclRevision = 4;            // ACL_REVISION_DS
constexpr wchar_t kAuthenticatedUsers[] = L"S-1-5-11";
constexpr ULONG kNoSession = LDAP_PARAM_ERROR;  // what the client answers without a session

bool IsDataTypeStatus(uint32_t status) { return status == kStatusCannotConvert || status == kStatusCannotConvertToo; }

const wchar_t* W(const std::u16string& text) { return Wide(text); }

// A value as trace lines show it: a secret one is the mark while masking is on.
const wchar_t* Shown(const std::u16string& container, const std::u16string& name, const std::u16string& value) {
    return IsSecretAttribute(container, name) ? Masked(W(value)) : W(value);
}

// "save attr" lines: long values are shown by their length only.
void TraceSave(const std::u16string& container, const std::u16string& name, const std::u16string& value,
               size_t longFrom) {
    if (value.size() >= longFrom)
        TraceLogW(L"save attr %s len:%d", W(name), static_cast<int>(value.size()));
    else
        TraceLogW(L"save attr %s - %s.", W(name), Shown(container, name, value));
}

// One step of the security-descriptor update: reported on standard output
// and by the library's description of the failure.
bool Step(HRESULT hr, const char* failure) {
    if (SUCCEEDED(hr)) return true;
    std::fputs(failure, stdout);
    ReportDirectoryStatus(static_cast<uint32_t>(hr));
    return false;
}

// Read access for authenticated users, inherited by children.
bool AddReadForAuthenticated(IDispatch* descriptorObject) {
    ComPtr<IADsAccessControlEntry> ace;
    if (!Step(CoCreateInstance(CLSID_AccessControlEntry, nullptr, CLSCTX_INPROC_SERVER, IID_IADsAccessControlEntry,
                               ace.put_void()),
              "Can't CoCreateInstance(CLSID_AccessControlEntry)"))
        return false;
    // A trustee text that cannot be allocated fails the step like any
    // refused property: nothing is thrown out of the logon.
    BSTR trustee = SysAllocString(kAuthenticatedUsers);
    const bool entryMade = Step(ace->put_AceType(kAceAllowedObject), "Can't put_AceType") &&
                           Step(trustee ? ace->put_Trustee(trustee) : E_OUTOFMEMORY, "Can't put_Trustee") &&
                           Step(ace->put_AccessMask(kGenericRead), "Can't put_AccessMask") &&
                           Step(ace->put_AceFlags(kInheritAce), "Can't put_AceFlags");
    SysFreeString(trustee);
    if (!entryMade) return false;

    ComPtr<IADsSecurityDescriptor> descriptor;
    ComPtr<IDispatch> aclObject;
    ComPtr<IADsAccessControlList> acl;
    ComPtr<IDispatch> aceObject;
    HRESULT hr = descriptorObject->QueryInterface(IID_IADsSecurityDescriptor, descriptor.put_void());
    if (SUCCEEDED(hr)) hr = descriptor->get_DiscretionaryAcl(aclObject.put());
    if (SUCCEEDED(hr) && !aclObject) hr = E_POINTER;
    if (SUCCEEDED(hr)) hr = aclObject->QueryInterface(IID_IADsAccessControlList, acl.put_void());
    const bool added = Step(hr, "Can't get_DiscretionaryAcl") &&
                       Step(acl->put_AclRevision(kDsAclRevision), "Can't put_AclRevision") &&
                       Step(ace->QueryInterface(IID_IDispatch, aceObject.put_void()), "Can't convert ACE to IDispatch") &&
                       Step(acl->AddAce(aceObject.get()), "Can't AddAce") &&
                       Step(descriptor->put_DiscretionaryAcl(aclObject.get()), "Can't put_DiscretionaryAcl");
    if (!added) TraceLog("Can't CreateACE");
    return added;
}

}  // namespace

bool _velmoAP_addRecord(const std::u16string& container, const std::u16string& nameID, const std::u16string& cls,
                        AttrsMap attributes) {
    DirectoryState& d = Directory();
    if (d.useLdap) return _velmoAP_addRecord_ldap(container, nameID, cls, attributes);
    if (!BindAccessLibrary()) return false;
    TraceLogW(L"_velmoAP_addRecord (to:%s cls:%s) nameID:%s", W(container), W(cls), W(nameID));
    std::u16string path = RecordPath(container, nameID);
    DirectoryObjectHandle object;
    if (OpenDirectoryObject(object, path)) {
        TraceLogW(L"Updating %s", W(path));
    } else {
        if (HasDirectoryServer()) path = Cut<char16_t>(ServerQualifiedPath(DirectoryServer(), path), kServerPathMax);
        uint32_t handle = 0;
        const uint32_t status =
            CallEntry(d.entries.LDAP_CreateObject, &handle, W(path), W(cls), nullptr, nullptr);
        if (status != 0) {
            TraceLogW(L"Can't LDAP_CreateObject %s", W(path));
            ReportDirectoryStatus(status);
            return _velmoAP_addRecord_ldap(container, nameID, cls, attributes);
        }
        TraceLogW(L"Create OK %s", W(path));
        object.reset(handle);
    }
    for (const auto& [name, value] : attributes) {
        TraceSave(container, name, value, kLongValueInLibraryWrite);
        if (name.size() < kMinNameLength) continue;
        const std::u16string stored = value.empty() ? kEmptyValue : value;
        const uint32_t status = CallEntry(d.entries.LDAP_SetAttr, object.get(), W(name), W(stored));
        if (status != 0) {
            TraceLogW(L"Can't LDAP_SetAttr(%s %s)", W(name), Shown(container, name, stored));
            ReportDirectoryStatus(status);
        }
    }
    FlushDirectoryObject(object.get());
    return true;
}

bool _velmoAP_addRecord_ldap(const std::u16string& container, const std::u16string& nameID,
                             const std::u16string& cls, const AttrsMap& attributes) {
    DirectoryState& d = Directory();
    if (!d.ldapConnection) _velmoAP_ldapConnect();
    std::string dn = ToAnsi(DirectWriteDn(container, nameID));
    TraceLogW(L"_velmoAP_addRecord_ldap ldapConn:%X (to:%s cls:%s) nameID:%s",
              static_cast<unsigned>(reinterpret_cast<uintptr_t>(d.ldapConnection)), W(container), W(cls), W(nameID));

    // Texts and values live in these vectors while the request is sent.
    std::vector<std::string> names, values;
    for (const auto& [name, value] : attributes) {
        TraceSave(container, name, value, kLongValueInDirectWrite);
        if (name.size() < kMinNameLength) continue;
        names.push_back(ToAnsi(name));
        values.push_back(ToAnsi(value.empty() ? kEmptyValue : value));
    }
    // More attributes than the modification list holds: nothing is sent, so
    // that a record is never written in part.
    if (names.size() > kDirectWriteAttributes) return false;
    names.push_back("objectClass");
    values.push_back(ToAnsi(Cut<char16_t>(cls, kDirectClassMax)));
    std::vector<std::array<char*, 2>> valueLists(values.size());
    std::vector<LDAPModA> mods(values.size());
    std::vector<LDAPModA*> list;
    for (size_t i = 0; i < values.size(); ++i) {
        valueLists[i] = {values[i].data(), nullptr};
        mods[i].mod_op = LDAP_MOD_REPLACE;
        mods[i].mod_type = names[i].data();
        mods[i].mod_vals.modv_strvals = valueLists[i].data();
        list.push_back(&mods[i]);
    }
    list.push_back(nullptr);
    const int count = static_cast<int>(mods.size());

    const ULONG added = d.ldapConnection ? ldap_add_sA(d.ldapConnection, dn.data(), list.data()) : kNoSession;
    if (added == LDAP_SUCCESS) {
        TraceLog("ldap_add OK num %d, %s", count, dn.c_str());
        return true;
    }
    TraceLog("ldap_add err %X %s, num %d", static_cast<unsigned>(added), dn.c_str(), count);
    if (added != LDAP_ALREADY_EXISTS) return false;
    const ULONG modified = ldap_modify_sA(d.ldapConnection, dn.data(), list.data());
    if (modified != LDAP_SUCCESS) {
        TraceLog("ldap_modify_s err %X, num %d", static_cast<unsigned>(modified), count);
        return false;
    }
    TraceLog("ldap_modify_s OK");
    TraceLog("ldap_add OK num %d, %s", count, dn.c_str());
    return true;
}

bool _velmoAP_addRecordSD(const std::u16string& container, const std::u16string& nameID) {
    if (!BindAccessLibrary()) return false;
    TraceLogW(L"_velmoAP_addRecordSD security descriptor to to:%s  nameID:%s", W(container), W(nameID));
    const std::u16string path = RecordPath(container, nameID);
    DirectoryObjectHandle object;
    if (!OpenDirectoryObject(object, path)) {
        TraceLogW(L"Can't OpenObject %s", W(path));
        return false;
    }
    const AccessLibrary& e = Directory().entries;
    ComPtr<IDispatch> descriptor;
    uint32_t status = CallEntry(e.LDAP_GetSecurityDescriptor, object.get(), descriptor.put());
    if (status != 0 || !descriptor) {
        TraceLog("Can't LDAP_GetSecurityDescriptor");
        // A success without an object has no failure to describe.
        if (status != 0)
            ReportDirectoryStatus(status);
        else
            TraceLog("LDAP_GetSecurityDescriptor answered success without a descriptor");
        return false;
    }
    if (!AddReadForAuthenticated(descriptor.get())) {
        TraceLog("Can't add 'Read for Authenticated'");
        return false;
    }
    status = CallEntry(e.LDAP_SetSecurityDescriptor, object.get(), descriptor.get());
    if (status != 0) {
        TraceLog("Can't LDAP_SetSecurityDescriptor");
        ReportDirectoryStatus(status);
        return false;
    }
    CallEntry(e.LDAP_FlushObject, object.get());
    return true;
}

bool _velmoAP_deleteRecord(const std::u16string& container, const std::u16string& nameID) {
    const std::u16string path = RecordPath(container, nameID);
    TraceLogW(L"Deleting... %s", W(path));
    if (!BindAccessLibrary()) return false;
    DirectoryState& d = Directory();
    const uint32_t status = CallEntry(d.entries.LDAP_DeleteObject, W(path), nullptr, nullptr);
    if (status == 0) return true;
    TraceLogW(L"Can't LDAP_DeleteObject %X, %s", status, W(path));
    if (!d.ldapConnection) _velmoAP_ldapConnect();
    std::string dn = ToAnsi(DirectDeleteDn(container, nameID));
    // The request is sent and its outcome not awaited.
    const ULONG message = d.ldapConnection ? ldap_deleteA(d.ldapConnection, dn.data()) : static_cast<ULONG>(-1);
    if (message != static_cast<ULONG>(-1)) return true;
    TraceLog("ldap_delete err %X, %s", 0xFFFFFFFFu, dn.c_str());
    return false;
}

bool _velmoAP_getAttrsMap(const std::u16string& container, const char16_t* objectName, const char* userName,
                          const char* keySerial, const char* secondSerial, AttrsMap& attributes) {
    DirectoryState& d = Directory();
    for (int retry = 0;;) {
        if (d.useLdap) {
            const bool found =
                _velmoAP_getAttrsMap_ldap(container, objectName, userName, keySerial, secondSerial, attributes);
            // A read that had to go direct to succeed: later processes start there.
            if (found && retry > 0) WriteRegDword(RegRoot::LocalMachine, kVolatileKey, "AdapUseLdapDirect", 1);
            return found;
        }
        if (!BindAccessLibrary()) return false;
        d.directoryOffline = 0;

        std::u16string path;
        if (objectName) {
            const std::u16string_view name(objectName);
            path = name.find(u"LDAP") != std::u16string_view::npos ? std::u16string(name)
                                                                     : NamedObjectPath(container, name);
            TraceLogW(L"_velmoAP_getAttrsMap open by Name %s ... ", W(path));
        } else {
            DirectoryObjectHandle containerObject;
            const std::u16string containerPath = ContainerPath(container);
            if (!OpenDirectoryObject(containerObject, containerPath)) {
                TraceLogW(L"_velmoAP_getAttrsMap OpenObject err %s. ", W(containerPath));
                return false;
            }
            const std::string filter = Cut<char>(RecordFilter(userName, keySerial, secondSerial), kLibraryFilterMax);
            TraceLog("_velmoAP_getAttrsMap search by filter: %s ... ", filter.c_str());
            wchar_t* buffer = nullptr;
            uint64_t length = 0;
            const uint32_t status = CallEntry(d.entries.LDAP_SearchChildren, containerObject.get(),
                                              Wide(FromAnsi(filter)), &buffer, &length);
            if (status != 0) {
                TraceLog("Can't LDAP_SearchChildren %s", filter.c_str());
                ReportDirectoryStatus(status);
                return false;
            }
            const auto found = MultiSzStr_to_List(reinterpret_cast<const char16_t*>(buffer), length);
            if (buffer) CallEntry(d.entries.LDAP_FreeBuffer, buffer);
            if (!found) {
                TraceLog("Can't MultiSzStr_to_List");
                return false;
            }
            if (found->empty()) {
                TraceLog("Found 0 items.  ");
                return false;
            }
            path = found->front();
            TraceLogW(L"Found %d items. 1-%s ", static_cast<int>(found->size()), W(path));
        }

        DirectoryObjectHandle object;
        if (!OpenDirectoryObject(object, path)) {
            TraceLogW(L"_velmoAP_getAttrsMap OpenObject fail %s", W(path));
            return false;
        }
        bool again = false;
        for (auto& [name, value] : attributes) {
            if (name.size() < kMinNameLength) continue;
            LibraryText text;
            const uint32_t status = CallEntry(d.entries.LDAP_GetAttr, object.get(), W(name), text.put());
            if (status == 0) {
                if (!text.get()) continue;
                const std::u16string_view read = Utf16(text.get());
                if (read.size() < kLongValueInLibraryRead)
                    TraceLogW(L"attr %s=%s.", W(name), Shown(container, name, std::u16string(read)));
                else
                    TraceLogW(L"attr %s= %d (bytes len)", W(name), static_cast<int>(read.size()));
                value = read;
                continue;
            }
            TraceLogW(L"Can't LDAP_GetAttr(%s) %X", W(name), status);
            if (!IsDataTypeStatus(status) || retry >= 2) continue;
            // A value the library cannot convert: once more through a located
            // controller, then through direct LDAP.
            if (retry == 0 && !HasDirectoryServer()) {
                PrintDCFromAppPartition(kPartitionName);
                TraceLogW(L"Try again... %d ldap_ip:%s", 0, d.directoryServer);
                retry = 1;
                again = true;
                break;
            }
            if (d.useLdap) continue;
            TraceLogW(L"Try again2... %d ldap_ip:%s", retry, d.directoryServer);
            d.useLdap = 1;
            ++retry;
            again = true;
            break;
        }
        if (!again) return true;
    }
}

bool _velmoAP_getAttrsMap_ldap(const std::u16string& container, const char16_t* objectName, const char* userName,
                               const char* keySerial, const char* secondSerial, AttrsMap& attributes) {
    DirectoryState& d = Directory();
    if (!d.ldapConnection)
        _velmoAP_ldapConnect();
    else
        TraceLogW(L"_velmoAP_getAttrsMap_ldap... %s\n", W(container));
    std::string base = ToAnsi(DirectSearchBase(container));

    std::vector<std::string> wanted;
    for (const auto& entry : attributes) {
        if (entry.first.size() < kMinNameLength) continue;
        if (wanted.size() == kDirectReadNames) break;
        wanted.push_back(ToAnsi(entry.first));
    }
    if (wanted.empty()) wanted.push_back("kvGlobalSettingData");
    std::vector<char*> names;
    for (auto& name : wanted) names.push_back(name.data());
    names.push_back(nullptr);

    std::string filter;
    if (objectName) filter = ToAnsi(DirectNameFilter(objectName));
    if (userName || keySerial) filter = RecordFilter(userName, keySerial, secondSerial);
    filter = Cut<char>(filter, kDirectFilterMax);

    LDAPMessage* raw = nullptr;
    const ULONG searched = d.ldapConnection ? ldap_search_sA(d.ldapConnection, base.data(), LDAP_SCOPE_ONELEVEL,
                                                             filter.data(), names.data(), 0, &raw)
                                            : kNoSession;
    const UniqueLdapMessage result(raw);
    if (searched != LDAP_SUCCESS || !result) {
        TraceLog("_velmoAP_getAttrsMap_ldap Failed, %s, filter:%s (%d) err %X\n", base.c_str(), filter.c_str(),
                 static_cast<int>(wanted.size()), static_cast<unsigned>(searched));
        return false;
    }
    const ULONG count = ldap_count_entries(d.ldapConnection, result.get());
    TraceLog("_velmoAP_getAttrsMap_ldap Found %d, %s", static_cast<int>(count), filter.c_str());
    LDAPMessage* entry = count > 0 ? ldap_first_entry(d.ldapConnection, result.get()) : nullptr;
    if (!entry) return false;
    size_t taken = 0;
    for (auto& [key, value] : attributes) {
        if (key.size() < kMinNameLength) continue;
        if (taken++ == kDirectReadValues) break;
        std::string name = ToAnsi(key);
        const UniqueLdapValues values(ldap_get_valuesA(d.ldapConnection, entry, name.data()));
        if (!values || !values.get()[0]) {
            TraceLog("Unable to get attr '%s', %s", name.c_str(), filter.c_str());
            continue;
        }
        const std::string first = values.get()[0];
        if (first.empty()) continue;
        value = FromAnsi(first);
        if (first.size() < kLongValueInDirectWrite)
            TraceLog("%s=%s", name.c_str(), IsSecretAttribute(container, key) ? Masked(first.c_str()) : first.c_str());
        else
            TraceLog("%s= %d (bytes len)", name.c_str(), static_cast<int>(first.size()));
    }
    return true;
}

}  // namespace velmo
