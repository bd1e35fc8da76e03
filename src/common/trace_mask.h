// Trace masking: with the host setting "TraceMasking" = 1 every secret a
// trace line would carry (typed and valid codes, secrets or parts of them,
// session keys, signatures, credentials) is written as one fixed mark, and
// the rest of the line stays as it is, so support still sees who, when and
// what was decided. Off unless set. Each line that would carry a secret
// passes it through Masked(); pure code, the setting comes through a source
// the module installs.
#pragma once

#include <string>
#include <string_view>

namespace velmo {

inline constexpr char kTraceMark[] = "*****";
inline constexpr wchar_t kTraceMarkW[] = L"*****";

// The module installs the reader of its setting before the trace opens;
// without one (the pure code's own tests) masking is off.
using TraceMaskingSource = bool (*)();
void SetTraceMaskingSource(TraceMaskingSource source);
bool TraceMaskingOn();

// The secret as it stands, or the mark.
const char* Masked(const char* secret);
const wchar_t* Masked(const wchar_t* secret);
// A number as "%d" would show it, or the mark (for a "%s" in its place).
std::string MaskedNumber(long long value);
// `text` with every occurrence of `secret` (a long one: a token's secret as
// given) replaced by the mark; unchanged while masking is off.
std::string MaskedIn(std::string_view text, std::string_view secret);

}  // namespace velmo
