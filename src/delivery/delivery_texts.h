// Texts that delivery and remote verification hand back to their callers
// (shown to administrators or stored as the last failure).
#pragma once

namespace velmo {

inline constexpr char kNetworkErrorText[] = "Network error. Please use troubleshooting logs.";
inline constexpr char kDeliveryStatusPrefix[] = "SMS delivery status: ";
inline constexpr char kBadVerificationTemplateText[] = "Otp verification URL must contain %user%,%pass% parameters ";
inline constexpr char kTwilioHelpText[] =
    "Please create string values in registry: \n\n HKEY_LOCAL_MACHINESOFTWAREWOW6432NodeVelmoOtpModule\n\n"
    "SMS-Gate-Param = ACxxxxxxxx:token\nSMS-Gate-Success-Value = queued\n\n"
    "That includes your twillio account key and token and success delivery indicator";

}  // namespace velmo
