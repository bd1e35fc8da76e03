#include "common/text.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <limits>

namespace velmo {

size_t BoundedLength(const char* text, size_t max) {
    if (!text) return 0;
    const void* end = std::memchr(text, 0, max);
    return end ? static_cast<size_t>(static_cast<const char*>(end) - text) : max;
}

size_t CopyText(char* dst, size_t dstSize, std::string_view src, size_t maxChars) {
    if (!dst || dstSize == 0) return 0;
    const size_t n = std::min({src.size(), maxChars, dstSize - 1});
    if (n) std::memmove(dst, src.data(), n);
    dst[n] = '\0';
    return n;
}

size_t AppendText(char* dst, size_t dstSize, std::string_view src) {
    if (!dst || dstSize == 0) return 0;
    const size_t used = BoundedLength(dst, dstSize - 1);
    return used + CopyText(dst + used, dstSize - used, src);
}

static size_t FormatV(char* dst, size_t dstSize, const char* format, va_list args) {
    if (!dst || dstSize == 0) return 0;
    dst[0] = '\0';
    if (!format) return 0;
    const int n = std::vsnprintf(dst, dstSize, format, args);
    if (n < 0) {
        dst[0] = '\0';
        return 0;
    }
    dst[dstSize - 1] = '\0';
    return std::min(static_cast<size_t>(n), dstSize - 1);
}

size_t FormatText(char* dst, size_t dstSize, const char* format, ...) {
    va_list args;
    va_start(args, format);
    const size_t n = FormatV(dst, dstSize, format, args);
    va_end(args);
    return n;
}

std::string Format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    const int n = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string out;
    if (n > 0) {
        out.resize(static_cast<size_t>(n) + 1);
        std::vsnprintf(out.data(), out.size(), format, args);
        out.resize(static_cast<size_t>(n));
    }
    va_end(args);
    return out;
}

static char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

size_t FindNoCase(std::string_view text, std::string_view what, size_t from) {
    if (what.size() > text.size()) return std::string_view::npos;
    for (size_t i = from; i + what.size() <= text.size(); ++i) {
        size_t k = 0;
        while (k < what.size() && LowerAscii(text[i + k]) == LowerAscii(what[k])) ++k;
        if (k == what.size()) return i;
    }
    return std::string_view::npos;
}

bool ReplaceFirst(std::string& text, std::string_view what, std::string_view with) {
    if (what.empty()) return false;
    const size_t at = text.find(what);
    if (at == std::string::npos) return false;
    text.replace(at, what.size(), with);
    return true;
}

int32_t ParseSignedDecimal(std::string_view text, size_t* digits) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    int64_t value = 0;
    size_t count = 0;
    constexpr int64_t kLimit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, ++count)
        value = std::min(value * 10 + (text[i] - '0'), kLimit);
    if (digits) *digits = count;
    if (negative) return static_cast<int32_t>(-value);
    return static_cast<int32_t>(std::min<int64_t>(value, std::numeric_limits<int32_t>::max()));
}

uint32_t ParseUnsignedDecimal(std::string_view text) {
    uint32_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') break;
        value = value * 10u + static_cast<uint32_t>(c - '0');
    }
    return value;
}

bool AllDigits(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace velmo
