// What the settings dialog stores from what the administrator typed. Pure
// code.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace velmo {

// The validity time-out shown for a verification window of `window` steps.
uint32_t TimeoutForWindow(uint32_t window);

// The window stored for a typed time-out: seconds / 30 for 31 to 18,999
// seconds; nothing for any other value.
std::optional<uint32_t> WindowForTimeout(uint32_t seconds);

// A gateway URL ("http" anywhere, case ignored) without the "%text%"
// placeholder would send no code: the dialog warns.
bool GatewayLacksText(std::string_view gateway);

}  // namespace velmo
