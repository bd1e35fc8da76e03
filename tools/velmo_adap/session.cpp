#include "session.h"

#include <rpc.h>

#include <algorithm>
#include <vector>

#include "adap_status.h"
#include "wide_text.h"

namespace velmo::adap {

namespace {

constexpr ULONG kLdapPort = 389;
constexpr ULONG kLdapsPort = 636;
constexpr ULONG kConnectSeconds = 10;
constexpr ULONG kSearchSeconds = 60;
// Sessions kept beyond this are dropped once no object uses them.
constexpr size_t kMaxSessions = 16;
constexpr wchar_t kAnyObject[] = L"(objectClass=*)";
// RFC 3876: only the attribute values that match a filter come back.
constexpr wchar_t kMatchedValuesControl[] = L"1.2.826.0.1.3344810.2.3";
// Descriptions asked to resolve one attribute (its supertypes included).
constexpr int kMaxSchemaQueries = 16;

// Every session of the process; the library's lock guards it. Never
// destroyed: closing connections while the process unloads its libraries
// could call into an LDAP client that is already gone.
std::vector<std::shared_ptr<Session>>& sessions = *new std::vector<std::shared_ptr<Session>>;

bool Unreachable(ULONG result) { return result == LDAP_SERVER_DOWN || result == LDAP_CONNECT_ERROR; }

bool Matches(const Session& session, const std::wstring& host, ULONG port, bool ldaps, const Identity& identity) {
    return session.Alive() && EqualsNoCase(session.host, host) && session.port == port && session.ldaps == ldaps &&
           session.identity.kind == identity.kind && session.identity.account == identity.account &&
           session.identity.password.Text() == identity.password.Text();
}

// Negotiate with the account and password: "DOMAIN\user" or a user name
// (with "user@domain" the domain part stays in the name).
ULONG NegotiateBind(LDAP* ld, const Identity& identity) {
    if (identity.kind == Identity::Kind::Process) return ldap_bind_sW(ld, nullptr, nullptr, LDAP_AUTH_NEGOTIATE);
    std::wstring user = identity.account, domain;
    if (const size_t slash = user.find(L'\\'); slash != std::wstring::npos) {
        domain = user.substr(0, slash);
        user.erase(0, slash + 1);
    }
    std::wstring password = identity.password.Text();
    SEC_WINNT_AUTH_IDENTITY_W credentials{};
    credentials.User = reinterpret_cast<unsigned short*>(user.data());
    credentials.UserLength = static_cast<unsigned long>(user.size());
    credentials.Domain = reinterpret_cast<unsigned short*>(domain.data());
    credentials.DomainLength = static_cast<unsigned long>(domain.size());
    credentials.Password = reinterpret_cast<unsigned short*>(password.data());
    credentials.PasswordLength = static_cast<unsigned long>(password.size());
    credentials.Flags = SEC_WINNT_AUTH_IDENTITY_UNICODE;
    const ULONG result = ldap_bind_sW(ld, nullptr, reinterpret_cast<PWCHAR>(&credentials), LDAP_AUTH_NEGOTIATE);
    SecureZeroMemory(password.data(), password.size() * sizeof(wchar_t));
    return result;
}

// Binds a new session. A password goes to the server only inside TLS
// (LDAPS, or StartTLS first), unless the settings allow it in clear.
uint32_t Bind(Session& session, bool allowPlainBind) {
    LDAP* ld = session.ld();
    const Identity& identity = session.identity;
    if (identity.kind != Identity::Kind::Simple) {
        // Negotiate protects the exchange itself: sign and seal.
        ldap_set_optionW(ld, LDAP_OPT_SIGN, LDAP_OPT_ON);
        ldap_set_optionW(ld, LDAP_OPT_ENCRYPT, LDAP_OPT_ON);
        return session.Status(NegotiateBind(ld, identity));
    }
    // An empty password would make an unauthenticated bind, which servers
    // accept as anonymous.
    if (identity.password.Text().empty()) return status::kLogonFailure;
    if (!session.ldaps) {
        ULONG serverAnswer = 0;
        SearchResult answer;
        const ULONG result = ldap_start_tls_sW(ld, &serverAnswer, answer.put(), nullptr, nullptr);
        if (result != LDAP_SUCCESS && (Unreachable(result) || !allowPlainBind))
            return Unreachable(result) ? session.Status(result) : status::kConfidentialityRequired;
    }
    return session.Status(ldap_simple_bind_sW(ld, const_cast<PWCHAR>(identity.account.c_str()),
                                              const_cast<PWCHAR>(identity.password.Text().c_str())));
}

uint32_t Connect(const std::wstring& host, ULONG port, bool ldaps, bool serverless, Identity identity,
                 bool allowPlainBind, std::shared_ptr<Session>& out) {
    PWCHAR hostName = host.empty() ? nullptr : const_cast<PWCHAR>(host.c_str());
    LDAP* ld = ldaps ? ldap_sslinitW(hostName, port, 1) : ldap_initW(hostName, port);
    if (!ld) {
        const ULONG error = LdapGetLastError();
        return FromLdap(error != LDAP_SUCCESS ? error : static_cast<ULONG>(LDAP_SERVER_DOWN), serverless);
    }
    auto session = std::make_shared<Session>(ld, serverless);
    session->host = host;
    session->port = port;
    session->ldaps = ldaps;
    session->identity = std::move(identity);
    ULONG version = LDAP_VERSION3, timeLimit = kSearchSeconds;
    ldap_set_optionW(ld, LDAP_OPT_PROTOCOL_VERSION, &version);
    // A referral is the caller's to follow (with its own choice of server).
    ldap_set_optionW(ld, LDAP_OPT_REFERRALS, LDAP_OPT_OFF);
    ldap_set_optionW(ld, LDAP_OPT_TIMELIMIT, &timeLimit);
    l_timeval timeout{static_cast<LONG>(kConnectSeconds), 0};
    if (const ULONG result = ldap_connect(ld, &timeout); result != LDAP_SUCCESS) return session->Status(result);
    if (const uint32_t status = Bind(*session, allowPlainBind); status != status::kOk) return status;
    out = std::move(session);
    return status::kOk;
}

}  // namespace

uint32_t Session::Status(ULONG ldapResult) {
    if (Unreachable(ldapResult)) alive_ = false;
    return FromLdap(ldapResult, serverless_);
}

uint32_t Session::DownStatus() const { return FromLdap(LDAP_SERVER_DOWN, serverless_); }

ULONG Session::Search(const std::wstring& base, ULONG scope, const wchar_t* filter,
                      std::initializer_list<const wchar_t*> attributes, SearchResult& result, PLDAPControlW* controls) {
    std::vector<PWCHAR> names;
    for (const wchar_t* name : attributes) names.push_back(const_cast<PWCHAR>(name));
    if (names.empty()) names.push_back(const_cast<PWCHAR>(L"1.1"));  // no attributes
    names.push_back(nullptr);
    l_timeval timeout{static_cast<LONG>(kSearchSeconds), 0};
    return ldap_search_ext_sW(ld_, const_cast<PWCHAR>(base.c_str()), scope, const_cast<PWCHAR>(filter), names.data(),
                              0, controls, nullptr, &timeout, 0, result.put());
}

bool Session::IsText(std::wstring_view name) {
    for (int i = 0; i < kMaxSchemaQueries && !schemaComplete_; ++i) {
        const std::wstring missing = syntaxes_.Missing(name);
        if (missing.empty()) break;
        ReadDescription(missing);
    }
    return syntaxes_.IsText(name);
}

void Session::ReadSchemaSource() {
    schemaSource_ = SchemaSource::None;
    SearchResult root;
    if (Status(Search(L"", LDAP_SCOPE_BASE, kAnyObject, {L"subschemaSubentry", L"schemaNamingContext", L"supportedControl"},
                      root)) != status::kOk)
        return;
    LDAPMessage* entry = ldap_first_entry(ld_, root.get());
    if (!entry) return;
    auto each = [&](const wchar_t* attribute, auto&& take) {
        PWCHAR* values = ldap_get_valuesW(ld_, entry, const_cast<PWCHAR>(attribute));
        for (PWCHAR* value = values; value && *value; ++value) take(std::wstring_view(*value));
        if (values) ldap_value_freeW(values);
    };
    each(L"subschemaSubentry", [&](std::wstring_view v) { if (subschema_.empty()) subschema_ = v; });
    each(L"schemaNamingContext", [&](std::wstring_view v) { if (schemaContext_.empty()) schemaContext_ = v; });
    each(L"supportedControl", [&](std::wstring_view v) { matchedValues_ = matchedValues_ || v == kMatchedValuesControl; });
    if (!schemaContext_.empty() && !matchedValues_)
        schemaSource_ = SchemaSource::SchemaObjects;
    else if (!subschema_.empty())
        schemaSource_ = SchemaSource::Subschema;
}

void Session::ReadDescription(const std::wstring& name) {
    syntaxes_.AddUnknown(name);
    if (schemaSource_ == SchemaSource::Unread) ReadSchemaSource();
    if (schemaSource_ == SchemaSource::SchemaObjects) return ReadSchemaObject(name);
    schemaComplete_ = true;  // unless all goes well
    if (schemaSource_ != SchemaSource::Subschema) return;
    std::vector<char> matched = MatchedTypeControlValue(name);
    LDAPControlW control{const_cast<PWCHAR>(kMatchedValuesControl),
                         {static_cast<ULONG>(matched.size()), matched.data()}, FALSE};
    PLDAPControlW controls[] = {&control, nullptr};
    SearchResult schema;
    const ULONG code = Search(subschema_, LDAP_SCOPE_BASE, L"(objectClass=subschema)", {L"attributeTypes"}, schema,
                              matched.empty() ? nullptr : controls);
    if (Status(code) != status::kOk) return;
    LDAPMessage* entry = ldap_first_entry(ld_, schema.get());
    PWCHAR* types = entry ? ldap_get_valuesW(ld_, entry, const_cast<PWCHAR>(L"attributeTypes")) : nullptr;
    size_t count = 0;
    for (PWCHAR* type = types; type && *type; ++type, ++count) syntaxes_.Add(*type);
    if (types) ldap_value_freeW(types);
    // A server without the control sends its whole schema: nothing more to ask.
    schemaComplete_ = matched.empty() || count > 1;
}

void Session::ReadSchemaObject(const std::wstring& name) {
    // Anything but a plain name is not an attribute of the schema (and
    // must not reach the filter): it stays unknown, that is text.
    if (!IsAttributeKeyword(name)) return;
    const std::wstring filter = L"(&(objectClass=attributeSchema)(lDAPDisplayName=" + name + L"))";
    SearchResult found;
    if (Status(Search(schemaContext_, LDAP_SCOPE_ONELEVEL, filter.c_str(), {L"attributeSyntax"}, found)) != status::kOk)
        return;
    LDAPMessage* entry = ldap_first_entry(ld_, found.get());
    PWCHAR* values = entry ? ldap_get_valuesW(ld_, entry, const_cast<PWCHAR>(L"attributeSyntax")) : nullptr;
    if (values && values[0]) syntaxes_.AddKnown(name, IsTextAdSyntax(values[0]));
    if (values) ldap_value_freeW(values);
}

uint32_t AcquireSession(const ServerAddress& server, const wchar_t* account, const uint16_t* credential,
                        std::shared_ptr<Session>& session) {
    const AdapSettings settings = ReadAdapSettings();
    ServerAddress address = server;
    if (address.host.empty() && !settings.server.empty()) {
        auto configured = ParseServer(settings.server);
        if (!configured) return status::kBadPath;
        address = *configured;
    }
    const bool serverless = address.host.empty();

    Identity identity;
    uint16_t flags = 0;
    const auto accountText = BoundedText(account, kMaxAccountLength);
    if (!accountText) return status::kInvalidArgument;
    if (!accountText->empty()) {
        const auto password = BoundedText(credential ? reinterpret_cast<const wchar_t*>(credential + 1) : nullptr,
                                          kMaxPasswordLength);
        if (!password) return status::kInvalidArgument;
        flags = credential ? credential[0] : 0;
        identity.kind = (flags & kFlagNegotiate) ? Identity::Kind::Negotiate : Identity::Kind::Simple;
        identity.account.assign(*accountText);
        identity.password = Secret(std::wstring(*password));
    } else if (!settings.serviceAccount.empty()) {
        identity.kind = Identity::Kind::Simple;
        identity.account = settings.serviceAccount;
        identity.password = settings.servicePassword;
    }
    const bool ldaps = settings.ldaps || (flags & kFlagLdaps) || address.port == kLdapsPort;
    const ULONG port = address.port ? address.port : (ldaps ? kLdapsPort : kLdapPort);

    std::erase_if(sessions, [](const auto& s) { return !s->Alive(); });
    for (const auto& existing : sessions) {
        if (Matches(*existing, address.host, port, ldaps, identity)) {
            session = existing;
            return status::kOk;
        }
    }
    const uint32_t status =
        Connect(address.host, port, ldaps, serverless, std::move(identity), settings.allowPlainBind, session);
    if (status != status::kOk) return status;
    if (sessions.size() >= kMaxSessions)
        std::erase_if(sessions, [](const auto& s) { return s.use_count() == 1; });
    sessions.push_back(session);
    return status::kOk;
}

}  // namespace velmo::adap
