// otpadmin delete USER: removes the user's OTP record through DeleteData.
#include <cstdio>

#include "commands.h"
#include "module_host.h"

namespace otpadmin {

int CommandDelete(const Args& args) {
    if (args.empty()) return UsageError("delete needs a user name");
    ModuleHost module;
    if (!module.Ready()) return 1;
    if (module.DeleteData(args[0], 0) != 1) {
        std::fprintf(stderr, "otpadmin: the module refused the name (at most 20 characters)\n");
        return 1;
    }
    std::printf("%s: OTP record deleted\n", args[0].c_str());
    return 0;
}

}  // namespace otpadmin
