// Conversions between the system ANSI code page, in which the registry,
// the trace and the direct LDAP client speak, and UTF-16, in which the
// directory does.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace velmo {

std::u16string FromAnsi(std::string_view text);
// Characters without an ANSI form become the code page's default; the
// result is cut to `maxBytes`.
std::string ToAnsi(std::u16string_view text, size_t maxBytes = SIZE_MAX);

// The platform's view of a UTF-16 text (wchar_t is 16 bits wide on Windows).
inline const wchar_t* Wide(const std::u16string& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }
inline std::u16string_view Utf16(const wchar_t* text) {
    return text ? std::u16string_view(reinterpret_cast<const char16_t*>(text)) : std::u16string_view();
}

}  // namespace velmo
