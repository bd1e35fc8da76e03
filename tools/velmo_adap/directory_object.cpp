#include "directory_object.h"

#include <climits>

#include "adap_status.h"
#include "multi_string.h"
#include "wide_text.h"

namespace velmo::adap {

namespace {

constexpr wchar_t kAnyObject[] = L"(objectClass=*)";
constexpr wchar_t kSecurityDescriptor[] = L"nTSecurityDescriptor";
// The security-descriptor flags control with the value SEQUENCE { INTEGER 4 }:
// read and write the discretionary ACL only, which needs no rights beyond
// those on the object.
constexpr wchar_t kSdFlagsControl[] = L"1.2.840.113556.1.4.801";
constexpr char kDaclOnly[] = {0x30, 0x03, 0x02, 0x01, 0x04};

uint32_t ParsePath(const wchar_t* path, AdsPath& parsed) {
    const auto text = BoundedText(path, kMaxPathLength);
    if (!text || text->empty()) return status::kBadPath;
    auto result = ParseAdsPath(*text);
    if (!result) return status::kBadPath;
    parsed = std::move(*result);
    return status::kOk;
}

// Attribute names: present and of a sane length.
std::optional<std::wstring_view> AttributeName(const wchar_t* name) {
    auto text = BoundedText(name, kMaxAttributeNameLength);
    if (!text || text->empty()) return std::nullopt;
    return text;
}

uint32_t Usable(const DirectoryObject& object) {
    return object.session->Alive() ? status::kOk : object.session->DownStatus();
}

// The object's own entry, read with `attributes`.
uint32_t ReadEntry(Session& session, const std::wstring& dn, std::initializer_list<const wchar_t*> attributes,
                   SearchResult& result, LDAPMessage*& entry, PLDAPControlW* controls = nullptr) {
    const ULONG code = session.Search(dn, LDAP_SCOPE_BASE, kAnyObject, attributes, result, controls);
    if (code != LDAP_SUCCESS) return session.Status(code);
    entry = ldap_first_entry(session.ld(), result.get());
    return entry ? status::kOk : session.Status(LDAP_NO_SUCH_OBJECT);
}

// A value as text: UTF-8 without NULs, else nothing.
bool DecodeText(const berval& value, std::wstring& text) {
    text.clear();
    if (value.bv_len == 0) return true;
    if (value.bv_len > INT_MAX) return false;
    const int length = static_cast<int>(value.bv_len);
    const int units = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, value.bv_val, length, nullptr, 0);
    if (units <= 0) return false;
    text.resize(static_cast<size_t>(units));
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, value.bv_val, length, text.data(), units);
    return text.find(L'\0') == std::wstring::npos;
}

// The modification list of a write; it points into the object's strings.
class Modifications {
public:
    explicit Modifications(size_t count) {
        mods_.reserve(count);
        values_.reserve(count);
    }
    // `value` null: no values (a replace then removes the attribute).
    void Add(ULONG operation, const std::wstring& name, const std::wstring* value) {
        auto& values = values_.emplace_back();
        if (value) values.push_back(const_cast<PWCHAR>(value->c_str()));
        values.push_back(nullptr);
        LDAPModW mod{};
        mod.mod_op = operation;
        mod.mod_type = const_cast<PWCHAR>(name.c_str());
        mod.mod_vals.modv_strvals = value ? values.data() : nullptr;
        mods_.push_back(mod);
    }
    void AddBinary(const wchar_t* name, berval* value) {
        binary_[0] = value;
        LDAPModW mod{};
        mod.mod_op = LDAP_MOD_REPLACE | LDAP_MOD_BVALUES;
        mod.mod_type = const_cast<PWCHAR>(name);
        mod.mod_vals.modv_bvals = binary_;
        mods_.push_back(mod);
    }
    LDAPModW** List() {
        list_.clear();
        for (auto& mod : mods_) list_.push_back(&mod);
        list_.push_back(nullptr);
        return list_.data();
    }

private:
    std::vector<LDAPModW> mods_;
    std::vector<std::vector<PWCHAR>> values_;
    berval* binary_[2] = {nullptr, nullptr};
    std::vector<LDAPModW*> list_;
};

}  // namespace

uint32_t ObjectTable::Add(DirectoryObject object) {
    if (objects_.size() >= kMaxOpenObjects) return 0;
    while (next_ == 0 || objects_.contains(next_)) ++next_;
    const uint32_t handle = next_++;
    objects_.emplace(handle, std::move(object));
    return handle;
}

DirectoryObject* ObjectTable::Find(uint32_t handle) {
    const auto found = objects_.find(handle);
    return found == objects_.end() ? nullptr : &found->second;
}

bool ObjectTable::Remove(uint32_t handle) { return objects_.erase(handle) == 1; }

uint32_t OpenObject(const wchar_t* path, const wchar_t* account, const uint16_t* credential, DirectoryObject& object) {
    AdsPath parsed;
    if (const uint32_t status = ParsePath(path, parsed)) return status;
    if (const uint32_t status = AcquireSession(parsed.server, account, credential, object.session)) return status;
    SearchResult result;
    LDAPMessage* entry = nullptr;
    if (const uint32_t status = ReadEntry(*object.session, parsed.dn, {}, result, entry)) return status;
    object.dn = std::move(parsed.dn);
    return status::kOk;
}

uint32_t NewObject(const wchar_t* path, const wchar_t* objectClass, const wchar_t* account,
                   const uint16_t* credential, DirectoryObject& object) {
    const auto className = BoundedText(objectClass, kMaxClassNameLength);
    if (!className || className->empty()) return status::kInvalidArgument;
    AdsPath parsed;
    if (const uint32_t status = ParsePath(path, parsed)) return status;
    if (parsed.dn.empty()) return status::kBadPath;
    if (const uint32_t status = AcquireSession(parsed.server, account, credential, object.session)) return status;
    object.dn = std::move(parsed.dn);
    object.objectClass.assign(*className);
    object.isNew = true;
    return status::kOk;
}

uint32_t DeleteObject(const wchar_t* path, const wchar_t* account, const uint16_t* credential) {
    AdsPath parsed;
    if (const uint32_t status = ParsePath(path, parsed)) return status;
    if (parsed.dn.empty()) return status::kBadPath;
    std::shared_ptr<Session> session;
    if (const uint32_t status = AcquireSession(parsed.server, account, credential, session)) return status;
    return session->Status(ldap_delete_sW(session->ld(), const_cast<PWCHAR>(parsed.dn.c_str())));
}

uint32_t SetValue(DirectoryObject& object, const wchar_t* name, const wchar_t* value) {
    const auto attribute = AttributeName(name);
    const auto text = BoundedText(value, kMaxValueLength);
    if (!attribute || !text) return status::kInvalidArgument;
    if (object.session->Alive() && !object.session->IsText(*attribute)) return status::kCannotConvert;
    for (auto& [pendingName, pendingValue] : object.pending) {
        if (EqualsNoCase(pendingName, *attribute)) {
            pendingValue.assign(*text);
            return status::kOk;
        }
    }
    object.pending.emplace_back(std::wstring(*attribute), std::wstring(*text));
    return status::kOk;
}

uint32_t GetValue(DirectoryObject& object, const wchar_t* name, std::wstring& value) {
    const auto attribute = AttributeName(name);
    if (!attribute) return status::kInvalidArgument;
    // A value set and not yet written is the one the caller sees.
    for (const auto& [pendingName, pendingValue] : object.pending) {
        if (!EqualsNoCase(pendingName, *attribute)) continue;
        if (pendingValue.empty()) return status::kNoSuchAttribute;
        value = pendingValue;
        return status::kOk;
    }
    if (object.isNew) return status::kNoSuchAttribute;
    if (const uint32_t status = Usable(object)) return status;
    Session& session = *object.session;
    if (!session.IsText(*attribute)) return status::kCannotConvert;
    const std::wstring attributeName(*attribute);
    SearchResult result;
    LDAPMessage* entry = nullptr;
    if (const uint32_t status = ReadEntry(session, object.dn, {attributeName.c_str()}, result, entry)) return status;
    berval** values = ldap_get_values_lenW(session.ld(), entry, const_cast<PWCHAR>(attributeName.c_str()));
    uint32_t status = status::kNoSuchAttribute;
    if (values && values[0]) status = DecodeText(*values[0], value) ? status::kOk : status::kCannotConvert;
    if (values) ldap_value_free_len(values);
    return status;
}

uint32_t Flush(DirectoryObject& object) {
    if (!object.isNew && object.pending.empty() && object.pendingSecurityDescriptor.empty()) return status::kOk;
    if (const uint32_t status = Usable(object)) return status;
    Session& session = *object.session;
    const auto dn = const_cast<PWCHAR>(object.dn.c_str());
    Modifications mods(object.pending.size() + 2);
    ULONG code;
    if (object.isNew) {
        static const std::wstring kObjectClass = L"objectClass";
        mods.Add(LDAP_MOD_ADD, kObjectClass, &object.objectClass);
        for (const auto& [name, value] : object.pending)
            if (!value.empty()) mods.Add(LDAP_MOD_ADD, name, &value);
        code = ldap_add_sW(session.ld(), dn, mods.List());
    } else {
        for (const auto& [name, value] : object.pending)
            mods.Add(LDAP_MOD_REPLACE, name, value.empty() ? nullptr : &value);
        berval descriptor{static_cast<ULONG>(object.pendingSecurityDescriptor.size()),
                          reinterpret_cast<PCHAR>(object.pendingSecurityDescriptor.data())};
        LDAPControlW sdFlags{const_cast<PWCHAR>(kSdFlagsControl),
                             {sizeof kDaclOnly, const_cast<PCHAR>(kDaclOnly)}, FALSE};
        PLDAPControlW controls[] = {&sdFlags, nullptr};
        const bool withDescriptor = !object.pendingSecurityDescriptor.empty();
        if (withDescriptor) mods.AddBinary(kSecurityDescriptor, &descriptor);
        code = ldap_modify_ext_sW(session.ld(), dn, mods.List(), withDescriptor ? controls : nullptr, nullptr);
    }
    if (code != LDAP_SUCCESS) return session.Status(code);
    object.isNew = false;
    object.pending.clear();
    object.pendingSecurityDescriptor.clear();
    return status::kOk;
}

uint32_t ChildPaths(DirectoryObject& object, const wchar_t* filter, std::wstring& list) {
    if (object.isNew) return status::kNotWritten;
    const auto filterText = BoundedText(filter, kMaxFilterLength);
    if (!filterText) return status::kBadFilter;
    if (const uint32_t status = Usable(object)) return status;
    const std::wstring search = filterText->empty() ? kAnyObject : std::wstring(*filterText);
    Session& session = *object.session;
    SearchResult result;
    const ULONG code = session.Search(object.dn, LDAP_SCOPE_ONELEVEL, search.c_str(), {}, result);
    // Past the server's size limit the children it did send are the answer.
    if (code != LDAP_SUCCESS && !(code == LDAP_SIZELIMIT_EXCEEDED && result.get())) return session.Status(code);
    std::vector<std::wstring> paths;
    for (LDAPMessage* entry = ldap_first_entry(session.ld(), result.get()); entry;
         entry = ldap_next_entry(session.ld(), entry)) {
        if (PWCHAR dn = ldap_get_dnW(session.ld(), entry)) {
            if (*dn) paths.push_back(PathOfObject(dn));
            ldap_memfreeW(dn);
        }
    }
    list = BuildMultiString(paths);
    return status::kOk;
}

uint32_t ReadSecurityDescriptor(DirectoryObject& object, std::vector<uint8_t>& descriptor) {
    if (object.isNew) return status::kNotWritten;
    if (const uint32_t status = Usable(object)) return status;
    Session& session = *object.session;
    LDAPControlW sdFlags{const_cast<PWCHAR>(kSdFlagsControl), {sizeof kDaclOnly, const_cast<PCHAR>(kDaclOnly)}, FALSE};
    PLDAPControlW controls[] = {&sdFlags, nullptr};
    SearchResult result;
    LDAPMessage* entry = nullptr;
    if (const uint32_t status = ReadEntry(session, object.dn, {kSecurityDescriptor}, result, entry, controls))
        return status;
    berval** values = ldap_get_values_lenW(session.ld(), entry, const_cast<PWCHAR>(kSecurityDescriptor));
    const bool found = values && values[0] && values[0]->bv_len > 0;
    if (found) descriptor.assign(values[0]->bv_val, values[0]->bv_val + values[0]->bv_len);
    if (values) ldap_value_free_len(values);
    return found ? status::kOk : status::kNoSuchAttribute;
}

}  // namespace velmo::adap
