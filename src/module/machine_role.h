// The machine role of this computer, as the logon flows use it.
#pragma once

#include <cstdint>

namespace velmo {

// 0 stand-alone (or no domain name), 1 member workstation, 3 member server,
// 4/5 domain controller, or the platform error code when the query fails;
// "OtpModeAD" = 1 forces 1.
int32_t ComputeMachineRole();

}  // namespace velmo
