#include "adap_status.h"

#include <cwchar>

namespace velmo::adap {

namespace {

// LDAP result codes (RFC 4511 and the client-side codes of the LDAP C API)
// that need a status of their own.
constexpr uint32_t kLdapServerDown = 0x51;
constexpr uint32_t kLdapFilterError = 0x57;
constexpr uint32_t kLdapConnectError = 0x5B;

struct Mapping {
    uint32_t ldap;
    uint32_t win32;
    const wchar_t* text;  // null: the system's message
};

// The Win32 errors that Windows' directory clients report for LDAP results.
// Texts for those the module acts on or meets every day; Wine's system
// messages lack them.
constexpr Mapping kMappings[] = {
    {0x01, 8224, nullptr},  // operationsError
    {0x02, 8225, L"A protocol error occurred."},
    {0x03, 8226, L"The time limit for this request was exceeded."},
    {0x04, 8227, L"The size limit for this request was exceeded."},
    {0x05, 8229, nullptr},
    {0x06, 8230, nullptr},
    {0x07, 8231, L"The server does not support the requested authentication method."},
    {0x08, 8232, L"A more secure authentication method is required for this server."},
    {0x09, 8235, nullptr},  // partialResults: a referral from a version 2 server
    {0x0A, 8235, L"A referral was returned from the server."},
    {0x0B, 8228, nullptr},
    {0x0C, 8236, nullptr},
    {0x0D, 8237, L"A password is sent only over an encrypted connection, and none could be made."},
    {0x10, 8202, nullptr},  // noSuchAttribute
    {0x11, 8204, L"The attribute type is not defined in the directory's schema."},
    {0x12, 8238, nullptr},
    {0x13, 8239, L"A constraint violation occurred."},
    {0x14, 8205, nullptr},
    {0x15, 8203, L"The attribute syntax specified to the directory service is invalid."},
    {0x20, 8240, L"There is no such object on the server."},
    {0x21, 8241, nullptr},
    {0x22, 8242, L"An invalid dn syntax has been specified."},
    {0x23, 8243, nullptr},
    {0x24, 8244, nullptr},
    {0x30, 8233, nullptr},
    {0x31, 1326, L"The user name or password is incorrect."},
    {0x32, 5, L"Access is denied."},
    {0x33, 8206, L"The server is busy."},
    {0x34, 8207, L"The server is unavailable."},
    {0x35, 8245, L"The server is unwilling to process the request."},
    {0x36, 8246, nullptr},
    {0x40, 8247, nullptr},
    {0x41, 8212, L"The object class violates the directory's schema."},
    {0x42, 8213, L"The operation cannot be performed on an object that has children."},
    {0x43, 8214, nullptr},
    {0x44, 5010, L"The object already exists."},
    {0x45, 8215, nullptr},
    {0x46, 8248, nullptr},
    {0x47, 8249, nullptr},
    {0x50, 8341, nullptr},  // other
    {kLdapServerDown, 8250, L"The server is not operational."},
    {0x52, 8251, L"A local error occurred."},
    {0x53, 8252, nullptr},
    {0x54, 8253, nullptr},
    {0x55, 1460, L"The operation timed out."},
    {0x56, 8234, nullptr},
    {kLdapFilterError, 8254, nullptr},  // reported as kBadFilter
    {0x58, 1223, nullptr},
    {0x59, 87, L"The parameter is incorrect."},
    {0x5A, 8, nullptr},
    {kLdapConnectError, 1225, nullptr},  // reported as server down
    {0x5C, 50, nullptr},
    {0x5D, 1168, nullptr},
    {0x5E, 8257, nullptr},
};
constexpr uint32_t kWin32GenericDirectoryError = 8341;

}  // namespace

uint32_t FromWin32(uint32_t error) { return error == 0 ? 0 : (0x80070000u | (error & 0xFFFFu)); }

uint32_t FromLdap(uint32_t ldapResult, bool serverless) {
    switch (ldapResult) {
    case 0:
        return status::kOk;
    case kLdapServerDown:
    case kLdapConnectError:
        return serverless ? status::kNoSuchDomain : status::kServerDown;
    case kLdapFilterError:
        return status::kBadFilter;
    }
    for (const auto& mapping : kMappings)
        if (mapping.ldap == ldapResult) return FromWin32(mapping.win32);
    return FromWin32(kWin32GenericDirectoryError);
}

std::wstring DescribeStatus(uint32_t code, std::wstring_view systemText) {
    switch (code) {
    case status::kOk: return L"The operation completed successfully.";
    case status::kBadPath: return L"The path is not an LDAP:// path of a directory object.";
    case status::kNotWritten: return L"The object has not been written to the directory yet.";
    case status::kCannotConvert: return L"The attribute's value is not text.";
    case status::kNoSuchAttribute: return L"The object has no value for this attribute.";
    case status::kBadFilter: return L"The search filter is not valid.";
    case status::kNoSuchDomain: return L"The domain either does not exist or could not be contacted.";
    }
    for (const auto& mapping : kMappings)
        if (mapping.text && FromWin32(mapping.win32) == code) return mapping.text;
    while (!systemText.empty() && (systemText.back() == L'\n' || systemText.back() == L'\r' || systemText.back() == L' '))
        systemText.remove_suffix(1);
    if (!systemText.empty()) return std::wstring(systemText);
    wchar_t text[64];
    std::swprintf(text, 64, L"Directory access status 0x%08X.", static_cast<unsigned>(code));
    return text;
}

}  // namespace velmo::adap
