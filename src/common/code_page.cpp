#include "common/code_page.h"

#include <windows.h>

#include <algorithm>
#include <climits>

namespace velmo {

static_assert(sizeof(wchar_t) == sizeof(char16_t));

std::u16string FromAnsi(std::string_view text) {
    if (text.empty() || text.size() > INT_MAX) return {};
    const int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::u16string wide(n > 0 ? static_cast<size_t>(n) : 0, u'\0');
    if (n > 0)
        MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), reinterpret_cast<wchar_t*>(wide.data()), n);
    return wide;
}

std::string ToAnsi(std::u16string_view text, size_t maxBytes) {
    if (text.empty() || text.size() > INT_MAX) return {};
    const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
    const int n = WideCharToMultiByte(CP_ACP, 0, wide, static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string narrow(n > 0 ? static_cast<size_t>(n) : 0, '\0');
    if (n > 0) WideCharToMultiByte(CP_ACP, 0, wide, static_cast<int>(text.size()), narrow.data(), n, nullptr, nullptr);
    narrow.resize(std::min(narrow.size(), maxBytes));
    return narrow;
}

}  // namespace velmo
