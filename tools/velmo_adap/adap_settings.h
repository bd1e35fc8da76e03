// The access library's own settings, under HKEY_LOCAL_MACHINE\SOFTWARE\Velmo\Adap
// in the 32-bit registry view, like the module's. They are read for each new
// connection.
//
//   "Server"          text    server ("host" or "host:port") of paths that name
//                             none; empty: the LDAP client's default, which on a
//                             domain member is a domain controller
//   "Ldaps"           number  1: connect with LDAPS (port 636 unless the path
//                             names one); 0 (default): plain LDAP, with StartTLS
//                             before any bind that sends a password
//   "AllowPlainBind"  number  1: when the server refuses StartTLS, a password may
//                             still be sent, in clear; 0 (default): such a bind
//                             fails with 0x8007202D
//   "ServiceAccount"  text    the library's own account, used when a caller
//                             passes none (a simple-bind name: a DN, or on a
//                             domain also "user@domain")
//   "ServicePassword" binary  its password, protected with CryptProtectData for
//                             the local machine (ServiceAccountW writes both)
//
// Any process on the machine can undo that protection: what keeps the
// password from users is the key's access, SYSTEM and Administrators only
// (ServiceAccountW creates the key so and tightens one users may read).
//
// Without "ServiceAccount" the library binds as the calling process with
// Negotiate (Kerberos or NTLM, signed and sealed): in the logon process on a
// domain member that is the computer's domain account, which needs no secret
// on disk. Where no domain is (a directory that is not a domain controller),
// set "ServiceAccount".
#pragma once

#include <cstdint>
#include <string>
#include <utility>

namespace velmo::adap {

// A password in memory: wiped when it goes.
class Secret {
public:
    Secret() = default;
    explicit Secret(std::wstring text) : text_(std::move(text)) {}
    Secret(const Secret& other) : text_(other.text_) {}
    Secret& operator=(const Secret& other);
    ~Secret();
    const std::wstring& Text() const { return text_; }

private:
    std::wstring text_;
};

struct AdapSettings {
    std::wstring server;
    bool ldaps = false;
    bool allowPlainBind = false;
    std::wstring serviceAccount;
    Secret servicePassword;
};

AdapSettings ReadAdapSettings();

// Stores the library's own account and its protected password; an empty
// account removes both. Returns a status; access denied when the key stays
// readable by users.
uint32_t StoreServiceAccount(const std::wstring& account, const std::wstring& password);

}  // namespace velmo::adap
