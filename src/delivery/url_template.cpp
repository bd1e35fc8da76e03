#include "delivery/url_template.h"

#include "common/text.h"
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

}  // namespace

std::string FillTemplate(std::string_view text, std::string_view first, std::string_view firstValue,
                         std::string_view second, std::string_view secondValue) {
    std::string filled(text);
    ReplaceFirst(filled, first, WithoutRawControls(firstValue));
    ReplaceFirst(filled, second, WithoutRawControls(secondValue));
    return filled;
}

}  // namespace velmo
