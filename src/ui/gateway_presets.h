// Delivery channels offered in the settings dialog's list: the script, and
// URL templates of three public SMS gateways ("xxxx" fields are the
// administrator's account values).
#pragma once

namespace velmo {

inline constexpr const char* kGatewayPresets[] = {
    "OtpDeliveryScript.ps1",
    "https://api.twilio.com/2010-04-01/Accounts/AC***************/Messages.json?To=%phone%&From=123&Body=%text%",
    "https://api-mapper.clicksend.com/http/v2/send.php?method=http&username=xxxx&key=xxxx&to=%phone%&message=%text%",
    "https://api.clickatell.com/http/sendmsg?api_id=xxxx&user=xxxx&password=xxxx&to=%phone%&text=%text%",
};

// The module's help page, opened by the dialog's "?" button.
inline constexpr char kHelpPageUrl[] = "https://www.velmo.com/help/otp-module";

}  // namespace velmo
