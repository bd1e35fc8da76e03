#include "module/user_name.h"

#include "common/text.h"

namespace velmo {

std::string LogonWorkingName(const char* nameAsPassed) {
    std::string_view name = View(nameAsPassed);
    name = name.substr(0, kWorkingNameMax);
    return std::string(name.substr(0, name.find('@')));
}

std::string DataWorkingName(const char* nameAsPassed) {
    const std::string_view name = View(nameAsPassed);
    const size_t slash = name.find('\\');
    if (slash == std::string_view::npos) return LogonWorkingName(nameAsPassed);
    return std::string(name.substr(slash + 1, kWorkingNameMax));
}

bool AcceptableName(const char* name, size_t maxLength, EmptyName empty) {
    if (!name || (name[0] == '\0' && empty == EmptyName::Refused)) return false;
    return BoundedLength(name, maxLength + 1) <= maxLength;
}

}  // namespace velmo
