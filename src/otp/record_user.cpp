#include "otp/record_user.h"

namespace velmo {

namespace {

constexpr std::string_view kKeyPart = "_key";
constexpr std::string_view kOldRecordName = "Key #1";
constexpr size_t kKeySuffixCut = 4;

}  // namespace

std::optional<std::string> RecordUserOf(std::string_view valueName) {
    if (valueName.find(kKeyPart) != std::string_view::npos)
        return std::string(valueName.substr(0, valueName.size() - kKeySuffixCut));
    if (valueName.find(kOldRecordName) != std::string_view::npos) return std::string(valueName);
    return std::nullopt;
}

}  // namespace velmo
