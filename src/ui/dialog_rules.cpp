#include "ui/dialog_rules.h"

#include "common/text.h"

namespace velmo {

namespace {

constexpr uint32_t kSecondsPerStep = 30;
constexpr uint32_t kMinTimeout = 31;
constexpr uint32_t kMaxTimeout = 18999;

}  // namespace

uint32_t TimeoutForWindow(uint32_t window) { return window * kSecondsPerStep; }

std::optional<uint32_t> WindowForTimeout(uint32_t seconds) {
    if (seconds < kMinTimeout || seconds > kMaxTimeout) return std::nullopt;
    return seconds / kSecondsPerStep;
}

bool GatewayLacksText(std::string_view gateway) {
    return ContainsNoCase(gateway, "http") && !ContainsNoCase(gateway, "%text%");
}

}  // namespace velmo
