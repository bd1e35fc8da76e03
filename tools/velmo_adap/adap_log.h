// The library's own log: off until LDAP_SetLogLevel and LDAP_SetLogFile turn
// it on. Level 1 writes a line for each failed call, level 2 for every call:
// the entry, what it was called on (a path or an attribute name, never a
// value or a password) and the status.
#pragma once

#include <cstdint>
#include <string_view>

namespace velmo::adap {

void SetLogLevel(uint32_t level);
void SetLogFile(std::wstring_view path);
void LogCall(const char* entry, std::wstring_view subject, uint32_t status);

}  // namespace velmo::adap
