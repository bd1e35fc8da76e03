#include "multi_string.h"

namespace velmo::adap {

std::wstring BuildMultiString(const std::vector<std::wstring>& texts) {
    std::wstring list;
    for (const auto& text : texts) {
        list += text;
        list += L'\0';
    }
    list += L'\0';
    return list;
}

}  // namespace velmo::adap
