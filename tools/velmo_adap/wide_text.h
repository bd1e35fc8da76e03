// Helpers for UTF-16 texts: comparisons that ignore the case of ASCII
// letters, as the directory does for attribute names, and bounded reads of
// callers' texts. Pure code.
#pragma once

#include <cwchar>
#include <optional>
#include <string>
#include <string_view>

namespace velmo::adap {

inline wchar_t LowerAscii(wchar_t c) { return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c + 32) : c; }

inline std::wstring LowerAscii(std::wstring_view text) {
    std::wstring lower(text);
    for (wchar_t& c : lower) c = LowerAscii(c);
    return lower;
}

inline bool EqualsNoCase(std::wstring_view a, std::wstring_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    return true;
}

// A caller's NUL-terminated text, read no further than `max` characters: null
// reads as empty; nullopt when the text is longer than `max`.
inline std::optional<std::wstring_view> BoundedText(const wchar_t* text, size_t max) {
    if (!text) return std::wstring_view();
    const size_t length = wcsnlen(text, max + 1);
    if (length > max) return std::nullopt;
    return std::wstring_view(text, length);
}

}  // namespace velmo::adap
