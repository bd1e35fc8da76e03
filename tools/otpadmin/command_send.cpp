// otpadmin send USER: sends USER the current code by SMS or e-mail through
// ReadData's delivery function, and prints the message the user would see.
#include <cstdio>

#include "commands.h"
#include "module/key_data.h"
#include "module_host.h"

namespace otpadmin {

int CommandSend(const Args& args) {
    if (args.empty()) return UsageError("send needs a user name");
    ModuleHost module;
    if (!module.Ready()) return 1;
    std::string message;
    if (!module.ReadData(args[0], velmo::kSendCodeBlock, message)) {
        std::fprintf(stderr, "otpadmin: %s has no delivery destination (set one with ReadData 11, \"sms-otp,...\")\n",
                     args[0].c_str());
        return 1;
    }
    std::printf("%s\n", message.c_str());
    return 0;
}

}  // namespace otpadmin
