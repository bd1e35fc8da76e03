// Connections to directory servers. One bound session per server and
// identity is kept for the life of the process and shared by the objects
// opened through it; a session whose server went away is dropped, and the
// next open connects again.
#pragma once

#include <windows.h>
#include <winldap.h>

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>

#include "adap_settings.h"
#include "ads_path.h"
#include "schema_syntax.h"

namespace velmo::adap {

// Credential block flags (the low bits of the directory services'
// authentication flags).
inline constexpr uint16_t kFlagNegotiate = 0x0001;  // Negotiate bind with the account
inline constexpr uint16_t kFlagLdaps = 0x0002;      // connect with LDAPS
inline constexpr size_t kMaxAccountLength = 1024;
inline constexpr size_t kMaxPasswordLength = 256;

// Who binds: the caller's account with its password, or the library's own
// identity (a configured service account, else the calling process).
struct Identity {
    enum class Kind { Simple, Negotiate, Process } kind = Kind::Process;
    std::wstring account;
    Secret password;
};

// The result message of a search, freed when it goes.
class SearchResult {
public:
    SearchResult() = default;
    SearchResult(const SearchResult&) = delete;
    SearchResult& operator=(const SearchResult&) = delete;
    ~SearchResult() {
        if (message_) ldap_msgfree(message_);
    }
    LDAPMessage** put() { return &message_; }
    LDAPMessage* get() const { return message_; }

private:
    LDAPMessage* message_ = nullptr;
};

class Session {
public:
    Session(LDAP* ld, bool serverless) : ld_(ld), serverless_(serverless) {}
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;
    ~Session() { ldap_unbind(ld_); }

    LDAP* ld() const { return ld_; }
    bool Alive() const { return alive_; }
    // Status of an LDAP result code; a server that went away ends the session.
    uint32_t Status(ULONG ldapResult);
    // Status for an operation on a session that has ended.
    uint32_t DownStatus() const;

    // Searches with a time limit; `attributes` empty asks for none. Returns
    // the LDAP result code.
    ULONG Search(const std::wstring& base, ULONG scope, const wchar_t* filter,
                 std::initializer_list<const wchar_t*> attributes, SearchResult& result,
                 PLDAPControlW* controls = nullptr);

    // Whether the attribute holds text, by the server's schema (asked once
    // per attribute and kept for the session; an unreadable schema makes
    // every attribute text).
    bool IsText(std::wstring_view name);

    // What the session was made for, to find it again.
    std::wstring host;
    ULONG port = 0;
    bool ldaps = false;
    Identity identity;

private:
    LDAP* ld_;
    bool serverless_;
    bool alive_ = true;
    // Where attribute syntaxes are read: the subschema entry's descriptions
    // (with the matched-values control where the server has it), or, on
    // Active Directory, which ignores that control, one attributeSchema
    // object per attribute below the schema naming context.
    enum class SchemaSource { Unread, Subschema, SchemaObjects, None };
    void ReadSchemaSource();
    void ReadDescription(const std::wstring& name);
    void ReadSchemaObject(const std::wstring& name);
    AttributeSyntaxes syntaxes_;
    SchemaSource schemaSource_ = SchemaSource::Unread;
    std::wstring subschema_;       // DN of the subschema entry
    std::wstring schemaContext_;   // DN of the schema naming context
    bool matchedValues_ = false;   // the server lists the matched-values control
    bool schemaComplete_ = false;  // nothing more to ask
};

// A bound session for objects on `server` (none named: the library's
// default), as `account` with `credential` (both may be null), into
// `session`. Returns a status.
uint32_t AcquireSession(const ServerAddress& server, const wchar_t* account, const uint16_t* credential,
                        std::shared_ptr<Session>& session);

}  // namespace velmo::adap
