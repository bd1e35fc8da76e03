// otpadmin provision USER [--hotp] [--replace]: gives the user a secret (if
// they have none) and prints what the user needs to set up a token, through
// ReadData's provisioning functions as the host's user interface uses them.
#include <cstdio>
#include <string>

#include "commands.h"
#include "module/key_data.h"
#include "module_host.h"

namespace otpadmin {

int CommandProvision(const Args& args) {
    if (args.empty() || args[0].rfind("--", 0) == 0) return UsageError("provision needs a user name");
    const std::string& user = args[0];
    ModuleHost module;
    if (!module.Ready()) return 1;
    if (Flag(args, "--replace")) module.DeleteData(user, 0);

    // The first function asked creates the secret when there is none: block
    // 6 makes a counter-based one, block 5 a time-based one.
    std::string url, hex;
    const bool hotp = Flag(args, "--hotp");
    if (hotp) module.ReadData(user, velmo::kHexSecretBlock, hex);
    if (!module.ReadData(user, velmo::kProvisioningUrlBlock, url) || url.empty()) {
        std::fprintf(stderr, "otpadmin: no secret could be created for %s (see the trace file)\n", user.c_str());
        return 1;
    }
    if (!hotp) module.ReadData(user, velmo::kHexSecretBlock, hex);

    const size_t uri = url.find("otpauth://");
    std::printf("user          %s\n", user.c_str());
    std::printf("picture URL   %s\n", url.c_str());
    std::printf("otpauth URI   %s\n", uri == std::string::npos ? "" : url.c_str() + uri);
    std::printf("secret (hex)  %s\n", hex.c_str());
    return 0;
}

}  // namespace otpadmin
