// Statuses of the access library: unsigned 32-bit values in the Windows
// result-code form, 0 for success. Directory failures come as the Win32
// error the LDAP client maps them to, in HRESULT form (0x8007xxxx); failures
// of the library's own checks use the directory-services codes 0x80005xxx.
// Pure code: no platform headers.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace velmo::adap {

namespace status {
inline constexpr uint32_t kOk = 0;
inline constexpr uint32_t kBadPath = 0x80005000;          // not an "LDAP://" path
inline constexpr uint32_t kNotWritten = 0x80005009;       // a new object not yet written
inline constexpr uint32_t kCannotConvert = 0x8000500C;    // the value is not text
inline constexpr uint32_t kNoSuchAttribute = 0x8000500D;  // the object has no such value
inline constexpr uint32_t kBadFilter = 0x80005014;
inline constexpr uint32_t kPointer = 0x80004003;          // a required pointer is null
inline constexpr uint32_t kInvalidHandle = 0x80070006;
inline constexpr uint32_t kOutOfMemory = 0x8007000E;
inline constexpr uint32_t kInvalidArgument = 0x80070057;
inline constexpr uint32_t kLogonFailure = 0x8007052E;
inline constexpr uint32_t kNoSuchDomain = 0x8007054B;
inline constexpr uint32_t kReferral = 0x8007202B;
inline constexpr uint32_t kConfidentialityRequired = 0x8007202D;
inline constexpr uint32_t kServerDown = 0x8007203A;
}  // namespace status

// HRESULT form of a Win32 error (0 stays 0).
uint32_t FromWin32(uint32_t error);

// Status of an LDAP result code: the directory-service Win32 error that
// Windows gives it, in HRESULT form; an unreachable server is "server down",
// or "no such domain" when no server was named (`serverless`).
uint32_t FromLdap(uint32_t ldapResult, bool serverless);

// The description of a status: the library's own text for the codes it
// gives, else `systemText` (the system's message, may be empty), else a
// generic one.
std::wstring DescribeStatus(uint32_t status, std::wstring_view systemText);

}  // namespace velmo::adap
