#include "directory/direct_ldap.h"

#include <cstdio>
#include <string>

#include "common/code_page.h"
#include "common/trace.h"
#include "directory/directory_state.h"
#include "directory/record_names.h"
#include "settings/registry.h"

namespace velmo {

namespace {

constexpr ULONG kLdapPort = 389;
constexpr ULONG kLdapsPort = 636;

// The system's last error as the failure lines show it: its low byte,
// sign-extended.
int LowByteError() { return static_cast<int>(static_cast<signed char>(GetLastError() & 0xFF)); }

void Drop(DirectoryState& d) {
    ldap_unbind(d.ldapConnection);
    d.ldapConnection = nullptr;
}

}  // namespace

bool _velmoAP_ldapConnect() {
    DirectoryState& d = Directory();
    const std::string host = HasDirectoryServer() ? ToAnsi(ServerHost(DirectoryServer())) : std::string();
    LDAP* session = nullptr;
    if (!host.empty()) {
        session = ldap_initA(const_cast<PCHAR>(host.c_str()), kLdapPort);
        if (!session)
            TraceLog("_velmoAP_ldapConnect. ldap_init Failed 0x%x. ldapGLE:%x  ldapIP %s\n", LowByteError(),
                     static_cast<unsigned>(LdapGetLastError()), host.c_str());
    }
    bool plain = true;
    if (!session) session = ldap_initA(nullptr, kLdapPort);
    if (!session) {
        TraceLog("_velmoAP_ldapConnect. ldap_init Failed 0x%x. ldapGLE:%x\n", LowByteError(),
                 static_cast<unsigned>(LdapGetLastError()));
        if (ReadRegDword(RegRoot::LocalMachine, kVelmoKey, "ADAP_ssl", 0) == 0) return false;
        session = ldap_sslinitA(host.empty() ? nullptr : const_cast<PCHAR>(host.c_str()), kLdapsPort, 1);
        if (!session) {
            TraceLog("_velmoAP_ldapConnect. ldap_sslinit Failed 0x%x. ldapGLE:%x\n", LowByteError(),
                     static_cast<unsigned>(LdapGetLastError()));
            return false;
        }
        plain = false;
    }
    d.ldapConnection = session;

    ULONG version = LDAP_VERSION3;
    if (plain) {
        if (ldap_set_option(session, LDAP_OPT_PROTOCOL_VERSION, &version) != LDAP_SUCCESS) {
            TraceLog("_velmoAP_ldapConnect. Unable to set LDAP version 3.0");
            Drop(d);
            return false;
        }
        ULONG referrals = LDAP_CHASE_EXTERNAL_REFERRALS;
        if (ldap_set_option(session, LDAP_OPT_REFERRALS, &referrals) != LDAP_SUCCESS) {
            TraceLog("_velmoAP_ldapConnect. Unable to set LDAP_OPT_REFERRALS");
            Drop(d);
            return false;
        }
    } else {
        std::fputs("Setting Protocol version to 3.\n", stdout);
        ldap_set_option(session, LDAP_OPT_PROTOCOL_VERSION, &version);
        std::fputs("Checking if SSL is enabled\n", stdout);
        ULONG ssl = 0;
        ldap_get_option(session, LDAP_OPT_SSL, &ssl);
        if (ssl == 1) {
            TraceLog("SSL is enabled\n");
        } else {
            TraceLog("SSL not enabled.\n SSL being enabled...\n");
            ldap_set_option(session, LDAP_OPT_SSL, LDAP_OPT_ON);
        }
    }

    const ULONG connected = ldap_connect(session, nullptr);
    if (connected != LDAP_SUCCESS) {
        if (!d.directoryOffline)
            TraceLog("_velmoAP_ldapConnect. ldap_connect failed with error: 0x%lx", static_cast<unsigned long>(connected));
        Drop(d);
        if (connected == LDAP_SERVER_DOWN) {
            d.directoryOffline = 1;
            TraceLog("ldap_connect. Set Offline mode.");
        }
        return false;
    }
    // The identity of the calling process; the custom account never binds here.
    const ULONG bound = ldap_bind_sA(session, nullptr, nullptr, LDAP_AUTH_NEGOTIATE);
    if (bound == LDAP_SUCCESS) {
        TraceLog("_velmoAP_ldapConnect. connected to LDAP... %s\n", host.c_str());
        return true;
    }
    TraceLog("_velmoAP_ldapConnect. Failed to bind to the server. Error: 0x%lx", static_cast<unsigned long>(bound));
    Drop(d);
    return false;
}

}  // namespace velmo
