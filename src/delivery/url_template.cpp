#include "delivery/url_template.h"

#include "common/text.h"

namespace velmo {

std::string FillTemplate(std::string_view text, std::string_view first, std::string_view firstValue,
                         std::string_view second, std::string_view secondValue) {
    std::string filled(text);
    ReplaceFirst(filled, first, firstValue);
    ReplaceFirst(filled, second, secondValue);
    return filled;
}

}  // namespace velmo
