// SendOtpCode: picks the channel that "SMS-Gate" names.
#include "delivery/delivery.h"

#include "common/secure_wipe.h"
#include "common/text.h"
#include "delivery/delivery_channels.h"
#include "delivery/gateway_form.h"
#include "settings/registry.h"

namespace velmo {

int SendOtpCode(const char* destination, const char* userName, const char* codeText, char* status,
                size_t statusSize) {
    CopyText(status, statusSize, "");
    if (!destination) destination = "";
    if (!userName) userName = "";
    if (!codeText) codeText = "";
    char gateway[kGatewayTextSize];
    ReadRegText(RegRoot::LocalMachine, kOtpModuleKey, "SMS-Gate", gateway, sizeof gateway);
    char param[kGatewayParamSize];
    const WipeOnExit wipeParam(param, sizeof param);  // account and token
    ReadRegText(RegRoot::LocalMachine, kOtpModuleKey, "SMS-Gate-Param", param, sizeof param);

    // A text that is neither a script nor a URL fails at the HTTP step.
    if (IsScriptGateway(gateway)) return SendByScript(gateway, destination, userName, codeText, status, statusSize);
    return SendByHttp(gateway, param, destination, userName, codeText, status, statusSize);
}

}  // namespace velmo
