// The direct LDAP session through the platform's LDAP client, used when the
// settings or an earlier failure select direct mode, and as a fallback.
#pragma once

#include <windows.h>
#include <winldap.h>

#include <memory>

namespace velmo {

// Creates and binds Directory().ldapConnection (callers call it only while
// there is none); true when the session is bound.
bool _velmoAP_ldapConnect();

// Owners for what the LDAP client hands out.
struct LdapMessageFree {
    void operator()(LDAPMessage* m) const { ldap_msgfree(m); }
};
struct LdapValuesFree {
    void operator()(char** v) const { ldap_value_freeA(v); }
};
using UniqueLdapMessage = std::unique_ptr<LDAPMessage, LdapMessageFree>;
using UniqueLdapValues = std::unique_ptr<char*, LdapValuesFree>;

}  // namespace velmo
