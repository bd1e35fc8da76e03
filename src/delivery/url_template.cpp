#include "delivery/url_template.h"

#include <algorithm>

#include "common/text.h"
#include "common/trace_mask.h"
#include "delivery/destination.h"

namespace velmo {

namespace {

// A control character in a value would end the request line and start a
// header of its own: it goes out percent-encoded (CR LF as %0D%0A).
std::string WithoutRawControls(std::string_view value) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string text;
    for (const char c : value) {
        if (!IsControlCharacter(c)) {
            text += c;
            continue;
        }
        const auto byte = static_cast<unsigned char>(c);
        text.append({'%', kHex[byte >> 4], kHex[byte & 15]});
    }
    return text;
}

// The user information of the authority and the query, as the mark.
std::string WithoutUrlCredentials(std::string_view url) {
    std::string shown(url);
    const size_t scheme = shown.find("://");
    const size_t authority = scheme == std::string::npos ? 0 : scheme + 3;
    const size_t authorityEnd = std::min(shown.find_first_of("/?", authority), shown.size());
    if (const size_t at = shown.rfind('@', authorityEnd); at != std::string::npos && at >= authority && at < authorityEnd)
        shown.replace(authority, at - authority, kTraceMark);
    if (const size_t query = shown.find('?'); query != std::string::npos) shown.replace(query + 1, std::string::npos, kTraceMark);
    return shown;
}

}  // namespace

std::string TracedUrl(std::string_view url) {
    return TraceMaskingOn() ? WithoutUrlCredentials(url) : std::string(url);
}

std::string TracedFilledUrl(std::string_view text, std::string_view first, std::string_view firstValue,
                            std::string_view second, std::string_view secondValue) {
    if (!TraceMaskingOn()) return FillTemplate(text, first, firstValue, second, secondValue);
    return WithoutUrlCredentials(FillTemplate(text, first, firstValue, second, kTraceMark));
}

std::string FillTemplate(std::string_view text, std::string_view first, std::string_view firstValue,
                         std::string_view second, std::string_view secondValue) {
    std::string filled(text);
    ReplaceFirst(filled, first, WithoutRawControls(firstValue));
    ReplaceFirst(filled, second, WithoutRawControls(secondValue));
    return filled;
}

}  // namespace velmo
