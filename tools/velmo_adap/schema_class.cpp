#include "schema_class.h"

#include <string>

#include "adap_status.h"
#include "schema_syntax.h"
#include "wide_text.h"

namespace velmo::adap {

namespace {

constexpr wchar_t kAnyObject[] = L"(objectClass=*)";
constexpr wchar_t kMatchedValuesControl[] = L"1.2.826.0.1.3344810.2.3";
constexpr size_t kMaxClassName = 100;

// Schema names are keywords: a letter, then letters, digits and hyphens. A
// name of that form needs no escaping in a filter.
bool IsKeyword(std::wstring_view name) {
    if (name.empty() || !iswalpha(name[0]) || name[0] > 0x7E) return false;
    for (wchar_t c : name)
        if (c > 0x7E || !(iswalnum(c) || c == L'-')) return false;
    return true;
}

std::wstring FirstValue(Session& session, LDAPMessage* entry, const wchar_t* attribute) {
    std::wstring value;
    PWCHAR* values = entry ? ldap_get_valuesW(session.ld(), entry, const_cast<PWCHAR>(attribute)) : nullptr;
    if (values && values[0]) value = values[0];
    if (values) ldap_value_freeW(values);
    return value;
}

// "( 1.2.3 NAME 'name' ...)" or "NAME ( 'name' 'alias' )".
bool NamesClass(std::wstring_view description, std::wstring_view name) {
    return LowerAscii(description).find(L"'" + LowerAscii(name) + L"'") != std::wstring::npos;
}

uint32_t Found(Session& session, bool found) { return found ? status::kOk : session.Status(LDAP_NO_SUCH_OBJECT); }

}  // namespace

uint32_t FindSchemaClass(DirectoryObject& object, const wchar_t* className) {
    const auto name = BoundedText(className, kMaxClassName);
    if (!name || !IsKeyword(*name)) return status::kInvalidArgument;
    if (object.isNew) return status::kNotWritten;
    Session& session = *object.session;
    if (!session.Alive()) return session.DownStatus();

    SearchResult root;
    ULONG code = session.Search(L"", LDAP_SCOPE_BASE, kAnyObject, {L"schemaNamingContext", L"subschemaSubentry"}, root);
    if (code != LDAP_SUCCESS) return session.Status(code);
    LDAPMessage* entry = ldap_first_entry(session.ld(), root.get());
    const std::wstring schemaContext = FirstValue(session, entry, L"schemaNamingContext");
    const std::wstring subschema = FirstValue(session, entry, L"subschemaSubentry");

    SearchResult found;
    if (!schemaContext.empty()) {
        const std::wstring filter = L"(&(objectClass=classSchema)(lDAPDisplayName=" + std::wstring(*name) + L"))";
        code = session.Search(schemaContext, LDAP_SCOPE_ONELEVEL, filter.c_str(), {}, found);
        if (code != LDAP_SUCCESS) return session.Status(code);
        return Found(session, ldap_first_entry(session.ld(), found.get()) != nullptr);
    }
    if (subschema.empty()) return Found(session, false);
    std::vector<char> matched = MatchedValuesControlValue("objectClasses", *name);
    LDAPControlW control{
        const_cast<PWCHAR>(kMatchedValuesControl), {static_cast<ULONG>(matched.size()), matched.data()}, FALSE};
    PLDAPControlW controls[] = {&control, nullptr};
    code = session.Search(subschema, LDAP_SCOPE_BASE, L"(objectClass=subschema)", {L"objectClasses"}, found, controls);
    if (code != LDAP_SUCCESS) return session.Status(code);
    entry = ldap_first_entry(session.ld(), found.get());
    PWCHAR* values = entry ? ldap_get_valuesW(session.ld(), entry, const_cast<PWCHAR>(L"objectClasses")) : nullptr;
    bool defined = false;
    for (PWCHAR* value = values; value && *value && !defined; ++value) defined = NamesClass(*value, *name);
    if (values) ldap_value_freeW(values);
    return Found(session, defined);
}

}  // namespace velmo::adap
